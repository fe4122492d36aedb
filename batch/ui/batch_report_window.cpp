#include "batch/ui/batch_report_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/printf_text.h"
#include "imaging/ui/qimage_convert.h"

namespace lp {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kThumbnail = 32;
constexpr int kPreviewFrame = 180;

QLabel* Value(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPixmap Shown(const Picture& picture, int frameWidth, int frameHeight) {
    if (picture.IsEmpty()) return {};
    int w = 0, h = 0;
    FitPreview(picture.Width(), picture.Height(), frameWidth, frameHeight, w, h);
    return QPixmap::fromImage(ToQImage(picture).scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

CBatchReportWindow::CBatchReportWindow(const QString& caption, double modemSpeed, QWidget* parent)
    : QDialog(parent), m_speed(modemSpeed) {
    setObjectName(QStringLiteral("BatchReportWindow"));
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Batch Processing") : caption);
    auto* outer = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setAccessibleName(QStringLiteral("Report pages"));
    outer->addWidget(m_tabs, 1);

    // Summary of a browser run.
    m_summary = new QWidget(this);
    auto* form = new QFormLayout(m_summary);
    const char* summaryRows[][2] = {
        {"No. of files selected   :  ", "Files selected"},
        {"No. of files optimized    :  ", "Files optimized"},
        {"Before optimization    :  ", "Before optimization"},
        {"After optimization     :  ", "After optimization"},
        {"Saving  :  ", "Saving"},
        {"Overall improvement   :", "Overall improvement"},
        {"Average improvement  per file  :  ", "Average improvement"},
        {"Modem speed  :  ", "Modem speed"},
    };
    for (const auto& row : summaryRows) {
        auto* label = new QLabel(QString::fromLatin1(row[0]), m_summary);
        QLabel* value = Value(m_summary, QString::fromLatin1(row[1]));
        label->setBuddy(value);
        form->addRow(label, value);
    }
    m_tabs->addTab(m_summary, QStringLiteral("Summary"));

    // Detailed report.
    m_detail = new QTreeWidget(this);
    m_detail->setAccessibleName(QStringLiteral("Detailed Report"));
    m_detail->setRootIsDecorated(false);
    m_detail->setIconSize(QSize(kThumbnail, kThumbnail));
    const QStringList headers{QStringLiteral("Filename"), QStringLiteral("Size"),  QStringLiteral("%Progress"),
                              QStringLiteral("Width"),    QStringLiteral("Height"), QStringLiteral("Colors"),
                              QStringLiteral("Path"),     QStringLiteral("Remarks")};
    m_detail->setHeaderLabels(headers);
    const int widths[] = {105, 55, 65, 50, 50, 50, 100, 130};
    for (int i = 0; i < 8; ++i) m_detail->setColumnWidth(i, widths[i] * 3 / 2);
    connect(m_detail, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { OpenRow(m_detail->indexOfTopLevelItem(item)); });
    m_tabs->addTab(m_detail, QStringLiteral("Detailed Report"));

    // Picture preview.
    auto* preview = new QWidget(this);
    auto* pv = new QVBoxLayout(preview);
    auto* fileRow = new QHBoxLayout;
    auto* fileLabel = new QLabel(QStringLiteral("File Name "), preview);
    m_files = new QComboBox(preview);
    m_files->setAccessibleName(QStringLiteral("File Name"));
    fileLabel->setBuddy(m_files);
    m_previous = new QPushButton(QStringLiteral("<"), preview);
    m_previous->setAccessibleName(QStringLiteral("Previous file"));
    m_next = new QPushButton(QStringLiteral(">"), preview);
    m_next->setAccessibleName(QStringLiteral("Next file"));
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_files, 1);
    fileRow->addWidget(m_previous);
    fileRow->addWidget(m_next);
    pv->addLayout(fileRow);
    auto* sides = new QHBoxLayout;
    for (int side = 0; side < 2; ++side) {
        const QString title = side == 0 ? QStringLiteral("Original Picture") : QStringLiteral("Optimized Picture");
        const QString key = side == 0 ? QStringLiteral("Original") : QStringLiteral("Optimized");
        auto* box = new QGroupBox(title, preview);
        box->setAccessibleName(title);
        auto* bl = new QVBoxLayout(box);
        QLabel* picture = Value(box, key + QStringLiteral(" picture"));
        picture->setFixedSize(kPreviewFrame, kPreviewFrame);
        picture->setAlignment(Qt::AlignCenter);
        bl->addWidget(picture);
        (side == 0 ? m_original : m_optimized) = picture;
        auto* f = new QFormLayout;
        f->addRow(new QLabel(QStringLiteral("Picture Size"), box), Value(box, key + QStringLiteral(" Picture Size")));
        f->addRow(new QLabel(QStringLiteral("Colors"), box), Value(box, key + QStringLiteral(" Colors")));
        f->addRow(new QLabel(QStringLiteral("File Size"), box), Value(box, key + QStringLiteral(" File Size")));
        f->addRow(new QLabel(QStringLiteral("Transfer Time"), box), Value(box, key + QStringLiteral(" Transfer Time")));
        bl->addLayout(f);
        sides->addWidget(box);
    }
    pv->addLayout(sides);
    auto* totals = new QFormLayout;
    totals->addRow(new QLabel(QStringLiteral("Saving in file size"), preview), Value(preview, QStringLiteral("Saving in file size")));
    totals->addRow(new QLabel(QStringLiteral("Overall Improvement"), preview), Value(preview, QStringLiteral("Overall Improvement")));
    totals->addRow(new QLabel(QStringLiteral("Modem Speed"), preview), Value(preview, QStringLiteral("Preview Modem Speed")));
    pv->addLayout(totals);
    m_tabs->addTab(preview, QStringLiteral("Picture Preview"));
    connect(m_files, &QComboBox::currentIndexChanged, this, &CBatchReportWindow::ShowPreview);
    connect(m_previous, &QPushButton::clicked, this, [this] { m_files->setCurrentIndex(m_files->currentIndex() - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { m_files->setCurrentIndex(m_files->currentIndex() + 1); });

    auto* buttons = new QHBoxLayout;
    m_save = new QPushButton(QStringLiteral("&Save Report..."), this);
    m_save->setAccessibleName(QStringLiteral("Save Report..."));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setAccessibleName(QStringLiteral("Close"));
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(close);
    outer->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (!chooseFile) return;
        if (const auto path = chooseFile(this, fs::path(std::string(kReportDefaultName)))) SaveTo(*path);
    });
    resize(900, 520);
    RefreshSummary();
    ShowPreview(-1);
}

void CBatchReportWindow::AddFile(const BatchFileResult& result) {
    const std::size_t firstRow = m_report.Rows().size();
    m_report.AddFile(result);
    const std::vector<BatchReportRow>& rows = m_report.Rows();
    const QBrush ink(QColor(0, 0, 120));
    for (std::size_t i = firstRow; i < rows.size(); ++i) {
        const BatchReportRow& row = rows[i];
        auto* item = new QTreeWidgetItem(m_detail);
        const std::string cells[] = {row.fileName, row.size,   row.progress, row.width,
                                     row.height,   row.colors, row.path,     row.remarks};
        for (int c = 0; c < 8; ++c) {
            item->setText(c, Q(cells[c]));
            item->setForeground(c, ink);
            if (c >= 1 && c <= 5) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
        if (row.kind != BatchReportRow::Kind::Empty && row.file < m_report.Files().size()) {
            const BatchReportFile& file = m_report.Files()[row.file];
            const Picture& picture = row.kind == BatchReportRow::Kind::Before ? file.pictureBefore : file.pictureAfter;
            if (!picture.IsEmpty()) item->setIcon(0, QIcon(Shown(picture, kThumbnail, kThumbnail)));
        }
    }
    if (rows.size() > 11) m_detail->scrollToBottom();
    if (m_report.Files().size() > std::size_t(m_files->count())) {
        const BatchReportFile& file = m_report.Files().back();
        m_files->addItem(Q(file.sourcePath.filename().string()));
    }
    RefreshSummary();
    if (m_files->currentIndex() < 0 && m_files->count() > 0) m_files->setCurrentIndex(0);
    ShowPreview(m_files->currentIndex());
}

void CBatchReportWindow::RefreshSummary() {
    const BatchSummary s = m_report.Summary(m_speed);
    auto set = [this](const char* name, const std::string& text) {
        if (auto* label = m_summary->findChild<QLabel*>(QString::fromLatin1(name))) label->setText(Q(text));
    };
    set("Files selected", PrintfText("%d ", s.filesSelected));
    set("Files optimized", PrintfText("%d ", s.filesProcessed));
    set("Before optimization", PrintfText("%ld bytes   %.2lf seconds", long(s.sizeBefore), s.secondsBefore));
    set("After optimization", PrintfText("%ld bytes   %.2lf seconds", long(s.sizeAfter), s.secondsAfter));
    set("Saving", PrintfText("%ld bytes   %.2lf seconds", long(s.saved), s.secondsSaved));
    set("Overall improvement", PrintfText("%.2lf %% ", s.savedPercent));
    set("Average improvement", PrintfText("%.2lf %% ", s.averagePercent));
    set("Modem speed", PrintfText("%.2lf kbps ", s.kbps));
}

void CBatchReportWindow::ShowPreview(int index) {
    const int count = m_files->count();
    m_previous->setEnabled(index > 0);
    m_next->setEnabled(index >= 0 && index + 1 < count);
    if (index < 0 || std::size_t(index) >= m_report.Files().size()) return;
    const BatchReportFile& f = m_report.Files()[std::size_t(index)];
    const BatchPreviewFigures figures = m_report.Preview(std::size_t(index), m_speed);
    m_original->setPixmap(Shown(f.pictureBefore, kPreviewFrame, kPreviewFrame));
    m_optimized->setPixmap(Shown(f.pictureAfter, kPreviewFrame, kPreviewFrame));
    auto set = [this](const QString& name, const std::string& text) {
        for (QLabel* label : findChildren<QLabel*>(name)) label->setText(Q(text));
    };
    set(QStringLiteral("Original Picture Size"), PrintfText("%d X %d ", f.widthBefore, f.heightBefore));
    set(QStringLiteral("Optimized Picture Size"), PrintfText("%d X %d ", f.widthAfter, f.heightAfter));
    set(QStringLiteral("Original Colors"), PrintfText("%d ", int(f.colorsBefore)));
    set(QStringLiteral("Optimized Colors"), PrintfText("%d ", int(f.colorsAfter)));
    set(QStringLiteral("Original File Size"), PrintfText("%ld bytes", long(f.sizeBefore)));
    set(QStringLiteral("Optimized File Size"), PrintfText("%ld bytes", long(f.sizeAfter)));
    set(QStringLiteral("Original Transfer Time"), PrintfText("%.1f seconds", figures.secondsBefore));
    set(QStringLiteral("Optimized Transfer Time"), PrintfText("%.1f seconds", figures.secondsAfter));
    set(QStringLiteral("Saving in file size"), PrintfText("%d ", int(figures.saving)));
    set(QStringLiteral("Overall Improvement"), PrintfText("%d%%", figures.improvement));
    set(QStringLiteral("Preview Modem Speed"), PrintfText("%.2lf Kbps", m_speed * 0.001));
}

void CBatchReportWindow::ReplaceSummary(QWidget* page) {
    const int index = m_tabs->indexOf(m_summary);
    m_tabs->removeTab(index);
    m_summary->hide();
    m_tabs->insertTab(0, page, QStringLiteral("Summary"));
    m_tabs->setCurrentIndex(0);
}

void CBatchReportWindow::AddPage(QWidget* page, const QString& title) { m_tabs->addTab(page, title); }

bool CBatchReportWindow::SaveTo(const fs::path& path) {
    const std::string text = savedText ? savedText() : m_report.SavedText(m_speed);
    try {
        BatchReport::SaveText(path, text);
        return true;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
        return false;
    }
}

QString CBatchReportWindow::FieldText(const QString& accessibleName) const {
    for (QLabel* label : findChildren<QLabel*>())
        if (label->accessibleName() == accessibleName) return label->text();
    return {};
}

void CBatchReportWindow::OpenRow(int row) {
    if (row < 0 || std::size_t(row) >= m_report.Rows().size() || !openFile) return;
    const BatchReportRow& r = m_report.Rows()[std::size_t(row)];
    if (r.kind == BatchReportRow::Kind::Empty) return;
    const std::string whole = r.path + r.fileName;
    if (whole.find("preview of ") != std::string::npos || whole.find("unsupported ") != std::string::npos) return;
    std::error_code ec;
    const fs::path file = fs::path(r.path) / r.fileName;
    if (!fs::is_regular_file(file, ec)) return;
    openFile(file);
}

}  // namespace lp
