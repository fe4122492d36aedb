#include "document/ui/frame_strip.h"

#include <QIcon>
#include <QPixmap>
#include <algorithm>
#include <functional>
#include <string_view>

#include "document/picture_document.h"
#include "imaging/ui/qimage_convert.h"

namespace lp {

namespace {

// The strip has room for one thumbnail of at most this side (the picture window's splitter
// gives it that much).
constexpr int kThumbnailSide = 100;
// The content a thumbnail was drawn from, to redraw only the frames that changed.
constexpr int kDrawnFrom = Qt::UserRole + 1;

/// A hash of the frame's pixels and size: hashing is far cheaper than scaling a thumbnail, and
/// unlike sizes or colour counts it sees every change (a half turn of every frame keeps both).
qulonglong ContentKey(const Picture& picture) {
    std::size_t key = std::hash<std::size_t>{}(std::size_t(picture.Width()) << 32 | std::size_t(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y) {
        const auto row = picture.Row(y);
        const std::string_view bytes(reinterpret_cast<const char*>(row.data()), row.size());
        key = key * 1099511628211ULL ^ std::hash<std::string_view>{}(bytes);
    }
    return qulonglong(key);
}

}  // namespace

CFrameStrip::CFrameStrip(COrvantixDoc& document, QWidget* parent) : QListWidget(parent), m_document(document) {
    setObjectName(QStringLiteral("FrameStrip"));
    setAccessibleName(QStringLiteral("Frames"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_filling || row < 0 || std::size_t(row) == m_document.CurrentFrame()) return;
        m_document.SelectFrame(std::size_t(row));
    });
    FramesChanged();
}

void CFrameStrip::RedrawIcon(int index) {
    QListWidgetItem* it = item(index);
    const GifFrame& frame = m_document.Frames()[std::size_t(index)];
    const qulonglong key = ContentKey(frame.picture);
    if (it->data(kDrawnFrom).isValid() && it->data(kDrawnFrom).toULongLong() == key) return;
    it->setData(kDrawnFrom, key);
    const QImage image = ToQImage(frame.picture);
    it->setIcon(image.isNull() ? QIcon()
                               : QIcon(QPixmap::fromImage(image.scaled(kThumbnailSide, kThumbnailSide,
                                                                       Qt::KeepAspectRatio, Qt::SmoothTransformation))));
}

void CFrameStrip::FramesChanged() {
    m_filling = true;
    const int frames = m_document.FrameCount() > 1 ? int(m_document.FrameCount()) : 0;
    while (count() > frames) delete takeItem(count() - 1);
    while (count() < frames) {
        auto* it = new QListWidgetItem(QStringLiteral("Frame %1").arg(count() + 1), this);
        it->setTextAlignment(Qt::AlignHCenter);
    }
    // Any frame may have changed; those whose pixels are as drawn keep their thumbnail.
    for (int i = 0; i < frames; ++i) RedrawIcon(i);
    if (frames > 0) setCurrentRow(int(std::min<std::size_t>(m_document.CurrentFrame(), std::size_t(frames - 1))));
    m_filling = false;
}

void CFrameStrip::CurrentFrameChanged() {
    if (count() == 0) return;
    m_filling = true;
    const int current = int(std::min<std::size_t>(m_document.CurrentFrame(), std::size_t(count() - 1)));
    // A change of the picture may have reached every frame (a palette conversion does).
    for (int i = 0; i < count(); ++i) RedrawIcon(i);
    setCurrentRow(current);
    m_filling = false;
}

}  // namespace lp
