#include "tools/ui/merge_wizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "base/imp_exp_exception.h"
#include "base/prompter.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "imaging/resize.h"
#include "imaging/ui/qimage_convert.h"

namespace lp {

namespace {
constexpr int kPreviewWidth = 200;
constexpr int kPreviewHeight = 150;
constexpr int kMergeJpegQuality = 75;
constexpr int kMaxGap = 65535;

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

/// Shown while "View picture" is off: a plain frame that says so.
QPixmap Placeholder() {
    QPixmap pixmap(kPreviewWidth, kPreviewHeight);
    pixmap.fill(QColor(192, 192, 192));
    QPainter painter(&pixmap);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(0, 0, kPreviewWidth - 1, kPreviewHeight - 1);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("No preview"));
    return pixmap;
}

QSpinBox* GapField(QWidget* parent) {
    auto* field = new QSpinBox(parent);
    field->setRange(0, kMaxGap);
    return field;
}
}  // namespace

// --- Step 1 ---------------------------------------------------------------------------------------

CMyCheckListBox::CMyCheckListBox(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Pictures"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addStretch(1);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void CMyCheckListBox::Add(const QString& text, bool checked) {
    auto* box = new QCheckBox(text, this);
    box->setAccessibleName(text);
    box->setChecked(checked);
    const int index = int(m_boxes.size());
    m_boxes.push_back(box);
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(layout->count() - 1, box);
    connect(box, &QCheckBox::toggled, this, [this, index](bool on) {
        SetCurrent(index);
        emit Toggled(index, on);
    });
    connect(box, &QCheckBox::pressed, this, [this, index] { SetCurrent(index); });
}

void CMyCheckListBox::SetCurrent(int index) {
    if (index == m_current || index < 0 || index >= Count()) return;
    m_current = index;
    for (int i = 0; i < Count(); ++i) {
        QFont f = m_boxes[std::size_t(i)]->font();
        f.setBold(i == index);
        m_boxes[std::size_t(i)]->setFont(f);
    }
    emit CurrentChanged(index);
}

CMergeWizardPage1::CMergeWizardPage1(CMergeWizardSheet& sheet) : m_sheet(sheet) {
    setObjectName(QStringLiteral("MergeStep1"));
    setTitle(QStringLiteral("Merge wizard : Step 1 of 2"));
    auto* layout = new QHBoxLayout(this);
    m_list = new CMyCheckListBox(this);
    for (const MergeEntry& e : sheet.List().Entries()) m_list->Add(Text(e.name), e.selected);
    m_list->SetCurrent(0);
    layout->addWidget(m_list, 1);
    auto* right = new QVBoxLayout;
    m_view = new QCheckBox(QStringLiteral("View picture"), this);
    m_view->setAccessibleName(m_view->text());
    m_preview = new QLabel(this);
    m_preview->setAccessibleName(QStringLiteral("Preview"));
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    m_preview->setAlignment(Qt::AlignCenter);
    right->addWidget(m_view);
    right->addWidget(m_preview);
    right->addStretch(1);
    layout->addLayout(right);
    connect(m_list, &CMyCheckListBox::Toggled, this,
            [this](int index, bool on) { m_sheet.List().Select(std::size_t(index), on); });
    connect(m_list, &CMyCheckListBox::CurrentChanged, this, [this] { ShowPreview(); });
    connect(m_view, &QCheckBox::toggled, this, [this] { ShowPreview(); });
    ShowPreview();
}

void CMergeWizardPage1::ShowPreview() {
    const int row = m_list->Current();
    const auto& pictures = m_sheet.Pictures();
    if (!m_view->isChecked() || row < 0 || std::size_t(row) >= pictures.size() || !pictures[std::size_t(row)]) {
        m_preview->setPixmap(Placeholder());
        return;
    }
    const Picture& picture = *pictures[std::size_t(row)];
    Picture shown;
    shown.CopyFrom(picture);
    if (picture.Width() > kPreviewWidth || picture.Height() > kPreviewHeight) {
        const double s = std::min(double(kPreviewWidth) / picture.Width(), double(kPreviewHeight) / picture.Height());
        try {
            Resize(shown, std::max(1, int(picture.Width() * s)), std::max(1, int(picture.Height() * s)));
        } catch (const ImpExpException&) {
            m_preview->setPixmap(Placeholder());
            return;
        }
    }
    m_preview->setPixmap(QPixmap::fromImage(ToQImage(shown)));
}

// --- The merge area -------------------------------------------------------------------------------

CMergeArea::CMergeArea(MergeList& list, QWidget* parent) : QWidget(parent), m_list(list) {
    setObjectName(QStringLiteral("MergeArea"));
    setAccessibleName(QStringLiteral("Merge bitmap area"));
    setMinimumSize(300, 220);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void CMergeArea::PickUp(int entry) {
    m_carried = entry;
    setCursor(entry >= 0 ? Qt::CrossCursor : Qt::ArrowCursor);
}

QPoint CMergeArea::CanvasPoint(QPointF at) const {
    const double sx = double(width()) / double(m_list.ExtentWidth());
    const double sy = double(height()) / double(m_list.ExtentHeight());
    return {int(at.x() / sx), int(at.y() / sy)};
}

QRectF CMergeArea::WidgetRect(const MergeRect& r) const {
    const double sx = double(width()) / double(m_list.ExtentWidth());
    const double sy = double(height()) / double(m_list.ExtentHeight());
    return {r.left * sx, r.top * sy, r.Width() * sx, r.Height() * sy};
}

void CMergeArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::gray);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    int number = 0;
    for (const MergeEntry& e : m_list.Entries()) {
        if (!e.selected) continue;
        ++number;
        const QRectF r = WidgetRect(e.rect);
        painter.setPen(e.placed ? Qt::darkGreen : Qt::red);
        painter.drawRect(r);
        painter.drawLine(r.topLeft(), r.bottomRight());
        painter.drawText(r, Qt::AlignCenter, QString::number(number));
    }
    if (!m_list.Selected().empty()) {
        painter.setPen(QPen(Qt::blue, 1, Qt::DashLine));
        painter.drawRect(WidgetRect(m_list.Canvas()));
    }
}

void CMergeArea::mouseMoveEvent(QMouseEvent* event) {
    if (m_carried < 0) return;
    const QPoint c = CanvasPoint(event->position());
    m_list.MoveCentred(std::size_t(m_carried), c.x(), c.y());
    update();
}

void CMergeArea::mousePressEvent(QMouseEvent* event) {
    if (m_carried < 0 || event->button() != Qt::LeftButton) return;
    const QPoint c = CanvasPoint(event->position());
    m_list.MoveCentred(std::size_t(m_carried), c.x(), c.y());
    m_list.Drop(std::size_t(m_carried));
    PickUp(-1);
    update();
    emit Dropped();
}

// --- Auto placement settings ----------------------------------------------------------------------

CAutoPlacementDlg::CAutoPlacementDlg(const MergePlacement& placement, QWidget* parent)
    : QDialog(parent), m_start(placement) {
    setObjectName(QStringLiteral("AutoPlacement"));
    setWindowTitle(QStringLiteral("Auto Placement : Settings "));
    auto* layout = new QGridLayout(this);
    m_rowFirst = new QRadioButton(QStringLiteral("Fill the row first"), this);
    m_columnFirst = new QRadioButton(QStringLiteral("Fill the column first"), this);
    m_columns = new QSpinBox(this);
    m_rows = new QSpinBox(this);
    for (QSpinBox* s : {m_columns, m_rows}) s->setRange(1, 1000);
    m_gapX = GapField(this);
    m_gapY = GapField(this);
    m_noOverlap = new QRadioButton(QStringLiteral("Don't overlap the images"), this);
    m_overlap = new QRadioButton(QStringLiteral("Overlap the images ( No gap between images )"), this);
    for (QRadioButton* b : {m_rowFirst, m_columnFirst, m_noOverlap, m_overlap}) b->setAccessibleName(b->text());
    auto labelled = [this, layout](const QString& text, QWidget* field, int row) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        field->setAccessibleName(QString(text).remove(QLatin1Char(':')).trimmed());
        layout->addWidget(label, row, 0);
        layout->addWidget(field, row, 1);
    };
    layout->addWidget(m_rowFirst, 0, 0);
    layout->addWidget(m_columnFirst, 0, 1);
    labelled(QStringLiteral("Number of columns in a row :"), m_columns, 1);
    labelled(QStringLiteral("Number of rows in a columns :"), m_rows, 2);
    labelled(QStringLiteral("Pixels between images horizontally : "), m_gapX, 3);
    labelled(QStringLiteral("Pixels between images vertically : "), m_gapY, 4);
    layout->addWidget(m_noOverlap, 5, 0, 1, 2);
    layout->addWidget(m_overlap, 6, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* b : buttons->buttons()) b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    layout->addWidget(buttons, 7, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    (placement.order == MergeOrder::RowFirst ? m_rowFirst : m_columnFirst)->setChecked(true);
    m_columns->setValue(placement.columns);
    m_rows->setValue(placement.rows);
    m_gapX->setValue(int(std::min<std::int64_t>(placement.gapX, kMaxGap)));
    m_gapY->setValue(int(std::min<std::int64_t>(placement.gapY, kMaxGap)));
    (placement.overlap ? m_overlap : m_noOverlap)->setChecked(true);
    for (QRadioButton* b : {m_rowFirst, m_columnFirst, m_noOverlap, m_overlap})
        connect(b, &QRadioButton::toggled, this, [this] { Refresh(); });
    Refresh();
}

void CAutoPlacementDlg::Refresh() {
    m_columns->setEnabled(m_rowFirst->isChecked());
    m_rows->setEnabled(m_columnFirst->isChecked());
    m_gapX->setEnabled(!m_overlap->isChecked());
    m_gapY->setEnabled(!m_overlap->isChecked());
}

MergePlacement CAutoPlacementDlg::Placement() const {
    MergePlacement p = m_start;
    p.order = m_rowFirst->isChecked() ? MergeOrder::RowFirst : MergeOrder::ColumnFirst;
    p.columns = m_columns->value();
    p.rows = m_rows->value();
    p.overlap = m_overlap->isChecked();
    p.gapX = p.overlap ? 0 : m_gapX->value();
    p.gapY = p.overlap ? 0 : m_gapY->value();
    return p;
}

// --- Step 2 ---------------------------------------------------------------------------------------

CMergeWizardPage2::CMergeWizardPage2(CMergeWizardSheet& sheet) : m_sheet(sheet), m_placement(sheet.Defaults()) {
    setObjectName(QStringLiteral("MergeStep2"));
    setTitle(QStringLiteral("Merge wizard : Step 2 of 2"));
    m_placement.automatic = false;
    m_placement.order = MergeOrder::RowFirst;
    m_placement.columns = m_placement.rows = 1;
    auto* layout = new QGridLayout(this);
    auto* imagesLabel = new QLabel(QStringLiteral("Images list"), this);
    m_images = new QListWidget(this);
    m_images->setAccessibleName(QStringLiteral("Images list"));
    imagesLabel->setBuddy(m_images);
    m_area = new CMergeArea(sheet.List(), this);
    m_manual = new QRadioButton(QStringLiteral("Manual placement of images"), this);
    m_automatic = new QRadioButton(QStringLiteral("Automatic placement of images"), this);
    m_settings = new QPushButton(QStringLiteral("Settings ..."), this);
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{m_manual, m_automatic, m_settings})
        b->setAccessibleName(b->text());
    m_manual->setChecked(true);
    m_settings->setEnabled(false);
    layout->addWidget(imagesLabel, 0, 0);
    layout->addWidget(m_images, 1, 0);
    layout->addWidget(m_area, 0, 1, 2, 1);
    layout->addWidget(m_manual, 2, 0, 1, 2);
    layout->addWidget(m_automatic, 3, 0);
    layout->addWidget(m_settings, 3, 1, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);

    connect(m_images, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_manual->isChecked() || row < 0 || std::size_t(row) >= m_shown.size()) return;
        m_area->PickUp(int(m_shown[std::size_t(row)]));
    });
    connect(m_area, &CMergeArea::Dropped, this, [this] {
        const QSignalBlocker block(m_images);
        m_images->setCurrentRow(-1);
    });
    connect(m_automatic, &QRadioButton::toggled, this, [this](bool on) {
        m_placement.automatic = on;
        m_settings->setEnabled(on);
        if (on) {
            m_area->PickUp(-1);
            Place();
        }
    });
    connect(m_settings, &QPushButton::clicked, this, [this] {
        std::optional<MergePlacement> chosen;
        if (chooseSettings) {
            chosen = chooseSettings(m_placement);
        } else {
            CAutoPlacementDlg dialog(m_placement, this);
            if (dialog.exec() == QDialog::Accepted) chosen = dialog.Placement();
        }
        if (!chosen) return;
        m_placement = *chosen;
        m_placement.automatic = true;
        Place();
    });
}

void CMergeWizardPage2::initializePage() {
    m_images->clear();
    m_shown = m_sheet.List().Selected();
    int number = 0;
    {
        // Nothing is in hand until the user picks a picture from the list.
        const QSignalBlocker block(m_images);
        for (std::size_t index : m_shown)
            m_images->addItem(Text(MergeList::ListText(++number, m_sheet.List().Entries()[index].name)));
        m_images->setCurrentRow(-1);
    }
    m_area->PickUp(-1);
    if (m_automatic->isChecked()) Place();
    m_area->update();
}

void CMergeWizardPage2::Place() {
    m_sheet.List().PlaceAutomatically(m_placement);
    m_area->update();
}

// --- The sheet ------------------------------------------------------------------------------------

CMergeWizardSheet::CMergeWizardSheet(MergeList list, std::vector<const Picture*> pictures,
                                     const MergePlacement& defaults, ColourRef background, Prompter& prompter,
                                     QWidget* parent)
    : QWizard(parent),
      m_list(std::move(list)),
      m_pictures(std::move(pictures)),
      m_defaults(defaults),
      m_background(background),
      m_prompter(prompter) {
    setObjectName(QStringLiteral("MergeWizard"));
    setWindowTitle(QStringLiteral("Merge"));
    setAccessibleName(QStringLiteral("Merge"));
    setWizardStyle(QWizard::ClassicStyle);
    m_page1 = new CMergeWizardPage1(*this);
    m_page2 = new CMergeWizardPage2(*this);
    addPage(m_page1);
    addPage(m_page2);
    for (WizardButton which : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton, QWizard::CancelButton})
        if (QAbstractButton* b = button(which))
            b->setAccessibleName(
                b->text().remove(QLatin1Char('&')).remove(QStringLiteral(" >")).remove(QStringLiteral("< ")).trimmed());
    resize(620, 420);
}

void CMergeWizardSheet::accept() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_result.reset();
    try {
        const Picture canvas = ComposeMerge(m_list, m_pictures, m_background);
        // The result is what a JPEG of quality 75 gives back, as when the merged file is opened.
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(canvas, kMergeJpegQuality);
        m_result = DecodeJpeg(jpeg, "Merge", nullptr);
    } catch (const ImpExpException& e) {
        QApplication::restoreOverrideCursor();
        m_prompter.Message(e.Message(), e.Title().empty() ? "Lumaprism" : e.Title(), PromptIcon::Stop);
        QWizard::accept();
        return;
    }
    QApplication::restoreOverrideCursor();
    QWizard::accept();
}

}  // namespace lp
