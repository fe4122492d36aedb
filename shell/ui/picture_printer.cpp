#include "shell/ui/picture_printer.h"

#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <map>

#include "base/imp_exp_exception.h"
#include "formats/format_table.h"
#include "imaging/progress_sink.h"
#include "imaging/ui/qimage_convert.h"
#include "shell/print_plan.h"

namespace lp {

namespace {

bool EndsWithPdf(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".pdf";
}

void DrawMarks(QPainter& painter, const PrintPlan& plan, const PrintPage& page) {
    const int dpi = std::max(plan.Area().borderX * 10 / 3, 1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(Qt::black);
    pen.setWidthF(std::max(dpi / 150.0, 1.0));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const RegistrationMark& m : plan.Marks(page)) {
        painter.drawLine(QPointF(m.x - m.arm, m.y), QPointF(m.x + m.arm, m.y));
        painter.drawLine(QPointF(m.x, m.y - m.arm), QPointF(m.x, m.y + m.arm));
        painter.drawEllipse(QPointF(m.x, m.y), m.radius, m.radius);
    }
    const std::string_view label = PlateLabel(plan.Planes(), page.plate);
    if (!label.empty()) {
        const PrintRect box = plan.LabelBox(page);
        QFont font(QStringLiteral("Sans Serif"));
        font.setPixelSize(std::max(box.height, 1));
        painter.setFont(font);
        painter.drawText(QRect(box.x, box.y, std::max(box.width, box.height * 20), box.height),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         QString::fromUtf8(label.data(), qsizetype(label.size())));
    }
    painter.restore();
}

}  // namespace

PrinterCaps CapsOf(const QPrinter& printer) {
    // QPrinter has one resolution for both axes.
    const int dpi = printer.resolution();
    return {dpi, dpi, printer.width(), printer.height()};
}

void ClearPageMargins(QPrinter& printer) {
    printer.setFullPage(false);
    // A real printer keeps its unprintable edges: Qt holds the margins at its minimum.
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

std::array<std::int32_t, 4> DefaultPageMargins() {
    // The page setup's proposal for a new page: an inch all round, in thousandths.
    return {1000, 1000, 1000, 1000};
}

bool PaintPicturePages(QPrinter& printer, const Picture& picture, const PrintSettings& settings, ProgressSink* progress,
                       std::string* error) {
    const PrintPlan plan(picture.Width(), picture.Height(), settings, CapsOf(printer));
    const int last = plan.LastPage();
    if (last <= 0) {
        if (error) *error = "The margins leave no room on the page to print the picture.";
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) *error = "The printer could not be started.";
        return false;
    }
    // Picture parts are stretched by dropping or repeating pixels, never blended.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    ProgressScope scope(progress, 0, last, "Printing");
    int shownPlate = 0;
    QImage plateImage;
    for (int n = 1; n <= last; ++n) {
        const PrintPage page = plan.Page(n);
        if (page.plate != shownPlate) {
            // One copy per plate, made when the plate's first page comes.
            plateImage =
                plan.Planes() > 1 ? ToQImage(MakePlate(picture, plan.Planes(), page.plate)) : ToQImage(picture);
            shownPlate = page.plate;
        }
        if (n > 1 && !printer.newPage()) {
            if (error) *error = "The printer refused a new page.";
            painter.end();
            return false;
        }
        const PrintRect& s = page.source;
        const PrintRect& d = page.destination;
        if (d.width > 0 && d.height > 0)
            painter.drawImage(QRect(d.x, d.y, d.width, d.height), plateImage.copy(s.x, s.y, s.width, s.height));
        if (plan.Planes() > 1) DrawMarks(painter, plan, page);
        scope.SetText("Printing page " + std::to_string(n) + " of " + std::to_string(last));
        scope.Step(n);
        // Pages of a large picture take a while: the windows keep painting meanwhile.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    painter.end();
    return true;
}

bool SelectPrinter(QPrinter& printer, const std::string& printerName, std::string* error) {
    const QString name = QString::fromStdString(printerName);
    if (printerName.empty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            if (error) *error = "No default printer is installed.";
            return false;
        }
        printer.setPrinterName(info.printerName());
        return true;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (!info.isNull()) {
        printer.setPrinterName(info.printerName());
        return true;
    }
    if (EndsWithPdf(printerName)) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(name);
        return true;
    }
    if (error) *error = "No printer named \"" + printerName + "\" is installed.";
    return false;
}

int PrintFileFromCommandLine(const std::string& file, const std::string& printerName) {
    Picture picture;
    try {
        const PictureFile bytes = ReadPictureFile(file);
        if (bytes.type == PictureFileType::Unknown) {
            std::fprintf(stderr, "lumaprism: %s: Unknown file format\n", file.c_str());
            return 1;
        }
        DecodeOptions options;
        options.firstFrameOnly = true;
        picture = std::move(DecodePictureFile(bytes, options).frames[0].picture);
    } catch (const ImpExpException& e) {
        std::fprintf(stderr, "lumaprism: %s: %s\n", file.c_str(), e.Message().c_str());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "lumaprism: %s: Not Enough Memory\n", file.c_str());
        return 1;
    }
    QPrinter printer(QPrinter::HighResolution);
    std::string error;
    if (!SelectPrinter(printer, printerName, &error)) {
        std::fprintf(stderr, "lumaprism: %s not printed: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    ClearPageMargins(printer);
    printer.setDocName(QString::fromStdString(file));
    // Without print options: one printer dot per pixel, no margins, in colour.
    if (!PaintPicturePages(printer, picture, PrintSettings{}, nullptr, &error)) {
        std::fprintf(stderr, "lumaprism: %s not printed: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace lp
