#include "document/ui/qt_picture_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "base/imp_exp_exception.h"
#include "imaging/ui/qimage_convert.h"

namespace lp {

namespace {
QClipboard* SystemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}
}  // namespace

PictureClipboard::Status QtPictureClipboard::PutPicture(const Picture& picture) {
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return Status::CannotOpen;
    const QImage image = ToQImage(picture);
    if (image.isNull()) return Status::Failed;
    clipboard->setImage(image);
    return Status::Ok;
}

bool QtPictureClipboard::HasPicture() const {
    const QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->hasImage();
}

PictureClipboard::Status QtPictureClipboard::GetPicture(std::optional<Picture>& picture) {
    picture.reset();
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return Status::CannotOpen;
    const QImage image = clipboard->image();
    if (image.isNull()) return Status::Ok;
    try {
        Picture converted = FromQImage(image);
        if (converted.IsEmpty()) return Status::Failed;
        picture = std::move(converted);
    } catch (const ImpExpException&) {
        return Status::Failed;
    }
    return Status::Ok;
}

}  // namespace lp
