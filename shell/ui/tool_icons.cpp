#include "shell/ui/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include "guikit/ui/command_ids.h"

namespace lp {

namespace {

constexpr int kW = 16;
constexpr int kH = 15;

const QColor kInk(32, 32, 32);
const QColor kBlue(30, 80, 200);
const QColor kRed(200, 40, 40);
const QColor kGreen(40, 150, 60);
const QColor kYellow(240, 200, 60);
const QColor kPaper(250, 250, 250);

QPixmap Canvas() {
    QPixmap pixmap(kW, kH);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Folder(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kYellow);
    p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(6, 3), QPoint(7, 5), QPoint(14, 5), QPoint(14, 13), QPoint(1, 13)}));
}

void Disk(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kBlue);
    p.drawRect(1, 1, 13, 12);
    p.setBrush(kPaper);
    p.drawRect(4, 1, 7, 4);
    p.drawRect(3, 8, 9, 5);
}

void Arrow(QPainter& p, QColor colour) {
    p.setPen(QPen(colour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(2, 2, 11, 11), 30 * 16, 270 * 16);
    p.setPen(colour);
    p.setBrush(colour);
    p.drawPolygon(QPolygon({QPoint(10, 0), QPoint(14, 4), QPoint(9, 5)}));
}

void Page(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(3, 1, 9, 12);
}

void Picture(QPainter& p, QRect r) {
    p.setPen(kInk);
    p.setBrush(QColor(150, 200, 250));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(
        QPolygon({QPoint(r.left() + 1, r.bottom()), QPoint(r.left() + r.width() / 3, r.top() + r.height() / 2),
                  QPoint(r.right(), r.bottom())}));
    p.setBrush(kYellow);
    p.drawEllipse(QPoint(r.right() - 3, r.top() + 3), 2, 2);
}

void Scissors(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.drawLine(3, 1, 11, 10);
    p.drawLine(12, 1, 4, 10);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(1, 10, 4, 4);
    p.drawEllipse(10, 10, 4, 4);
}

void TwoPages(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(1, 1, 8, 9);
    p.drawRect(6, 4, 8, 10);
}

void Clipboard(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(QColor(170, 120, 60));
    p.drawRect(2, 2, 11, 12);
    p.setBrush(kPaper);
    p.drawRect(4, 4, 7, 8);
    p.setBrush(Qt::gray);
    p.drawRect(5, 0, 5, 3);
}

void Undo(QPainter& p) {
    p.setPen(QPen(kBlue, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(3, 3, 10, 10), 0, 180 * 16);
    p.setPen(kBlue);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygon({QPoint(0, 7), QPoint(7, 7), QPoint(3, 12)}));
}

void Resize(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(Qt::NoBrush);
    p.drawRect(1, 1, 13, 12);
    p.setBrush(kBlue);
    p.drawRect(1, 7, 6, 6);
    p.setPen(QPen(kRed, 1));
    p.drawLine(8, 6, 13, 2);
    p.drawLine(13, 2, 10, 2);
    p.drawLine(13, 2, 13, 5);
}

void Vector(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygon({QPoint(1, 13), QPoint(5, 2), QPoint(9, 9), QPoint(14, 4), QPoint(14, 13)}));
    p.setBrush(kPaper);
    for (const QPoint& c : {QPoint(5, 2), QPoint(9, 9), QPoint(14, 4)}) p.drawRect(c.x() - 1, c.y() - 1, 2, 2);
}

void Frames(QPainter& p, bool add) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(0, 2, 8, 8);
    p.drawRect(3, 5, 8, 8);
    p.setPen(QPen(add ? kGreen : kRed, 2));
    p.drawLine(10, 4, 15, 4);
    if (add) p.drawLine(12, 1, 12, 7);
}

void Hint(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kYellow);
    p.drawEllipse(3, 0, 9, 9);
    p.setBrush(Qt::gray);
    p.drawRect(5, 9, 5, 4);
}

void About(QPainter& p) {
    p.setPen(kBlue);
    p.setBrush(kBlue);
    p.drawEllipse(3, 0, 9, 14);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(7, 6, 7, 11);
    p.drawPoint(7, 3);
}

void Printer(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(4, 0, 7, 5);
    p.setBrush(Qt::gray);
    p.drawRect(1, 5, 13, 6);
    p.setBrush(kPaper);
    p.drawRect(4, 9, 7, 5);
}

void Scanner(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(Qt::gray);
    p.drawRect(1, 6, 13, 6);
    p.setBrush(kPaper);
    p.drawPolygon(QPolygon({QPoint(3, 6), QPoint(5, 1), QPoint(12, 1), QPoint(12, 6)}));
    p.setPen(kRed);
    p.drawLine(3, 9, 12, 9);
}

void Selection(QPainter& p, int kind) {
    p.setPen(QPen(kInk, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    if (kind == 0) p.drawRect(1, 2, 13, 10);
    if (kind == 1) p.drawEllipse(1, 2, 13, 10);
    if (kind == 2) p.drawPolygon(QPolygon({QPoint(1, 12), QPoint(4, 2), QPoint(13, 5), QPoint(10, 13)}));
}

void Wand(QPainter& p) {
    p.setPen(QPen(kInk, 2));
    p.drawLine(2, 13, 10, 5);
    p.setPen(kYellow);
    p.setBrush(kYellow);
    p.drawPolygon(QPolygon({QPoint(12, 0), QPoint(13, 3), QPoint(15, 4), QPoint(13, 5), QPoint(12, 8), QPoint(11, 5),
                            QPoint(9, 4), QPoint(11, 3)}));
}

void Dropper(QPainter& p, bool palette) {
    p.setPen(QPen(kInk, 2));
    p.drawLine(3, 12, 10, 5);
    p.setPen(kInk);
    p.setBrush(palette ? kGreen : kRed);
    p.drawEllipse(9, 1, 5, 5);
}

void Pen(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kYellow);
    p.drawPolygon(QPolygon({QPoint(2, 13), QPoint(3, 10), QPoint(11, 2), QPoint(13, 4), QPoint(5, 12)}));
}

void Handles(QPainter& p) {
    p.setPen(QPen(kInk, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(2, 2, 11, 10);
    p.setPen(kInk);
    p.setBrush(kInk);
    for (const QPoint& c : {QPoint(2, 2), QPoint(13, 2), QPoint(2, 12), QPoint(13, 12), QPoint(13, 7), QPoint(7, 12)})
        p.drawRect(c.x() - 1, c.y() - 1, 2, 2);
}

void Views(QPainter& p, int kind) {
    p.setPen(kInk);
    p.setBrush(kind == 0 ? QColor(150, 200, 250) : kPaper);
    if (kind == 0) {
        for (int y : {1, 8})
            for (int x : {1, 8}) p.drawRect(x, y, 5, 5);
    } else {
        for (int y = 1; y < 14; y += 4) {
            p.drawRect(1, y, 2, 2);
            p.drawLine(5, y + 1, kind == 1 ? 9 : 14, y + 1);
        }
    }
}

void Globe(QPainter& p) {
    p.setPen(kBlue);
    p.setBrush(QColor(150, 200, 250));
    p.drawEllipse(1, 0, 13, 13);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(5, 0, 5, 13);
    p.drawLine(1, 6, 14, 6);
}

void Stop(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kRed);
    p.drawEllipse(1, 0, 13, 13);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(4, 6, 11, 6);
}

void DownArrow(QPainter& p) {
    p.setPen(kGreen);
    p.setBrush(kGreen);
    p.drawRect(6, 0, 3, 7);
    p.drawPolygon(QPolygon({QPoint(2, 7), QPoint(13, 7), QPoint(7, 13)}));
}

}  // namespace

QIcon ToolIcon(int id) {
    using namespace cmd;
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (id) {
        case kFileOpen:
            Folder(p);
            break;
        case kFileSave:
            Disk(p);
            break;
        case kReload:
            Arrow(p, kGreen);
            break;
        case kBrowserRefresh:
            Arrow(p, kBlue);
            break;
        case kScanSelect:
            Scanner(p);
            break;
        case kFilePrint:
            Printer(p);
            break;
        case kCutOut:
            Scissors(p);
            break;
        case kEditCopy:
            TwoPages(p);
            break;
        case kEditPaste:
            Clipboard(p);
            break;
        case kEditUndo:
            Undo(p);
            break;
        case kResize:
            Resize(p);
            break;
        case kVectorize:
            Vector(p);
            break;
        case kAddFrame:
            Frames(p, true);
            break;
        case kDeleteFrame:
            Frames(p, false);
            break;
        case kBeginnersHint:
            Hint(p);
            break;
        case kAppAbout:
            About(p);
            break;
        case kToolRectangle:
            Selection(p, 0);
            break;
        case kToolEllipse:
            Selection(p, 1);
            break;
        case kToolPolygon:
            Selection(p, 2);
            break;
        case kMagicWand:
            Wand(p);
            break;
        case kToolPickPalette:
            Dropper(p, true);
            break;
        case kPickColour:
            Dropper(p, false);
            break;
        case kRetouchPen:
            Pen(p);
            break;
        case kManualResize:
            Handles(p);
            break;
        case kBrowserPictureWindow:
            Picture(p, QRect(1, 1, 13, 12));
            break;
        case kBrowserThumbNail:
            Views(p, 0);
            break;
        case kBrowserListView:
            Views(p, 1);
            break;
        case kBrowserDetails:
            Views(p, 2);
            break;
        case kBrowserFileTypes:
            Page(p);
            break;
        case kBrowserWebSites:
            Globe(p);
            break;
        case kBrowserDownload:
            DownArrow(p);
            break;
        case kBrowserStop:
            Stop(p);
            break;
        default:
            return {};
    }
    p.end();
    return QIcon(pixmap);
}

QPixmap OptionsButtonImage(bool pressed) {
    QPixmap pixmap(48, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QRect r(0, 0, 47, 19);
    p.setPen(pressed ? QColor(90, 90, 90) : QColor(255, 255, 255));
    p.setBrush(pressed ? QColor(200, 205, 215) : QColor(225, 230, 240));
    p.drawRoundedRect(r, 3, 3);
    p.setPen(kInk);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(r.translated(pressed ? 1 : 0, pressed ? 1 : 0), Qt::AlignCenter, QStringLiteral("Options"));
    return pixmap;
}

QIcon CollapseIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(kInk);
    p.setBrush(kInk);
    p.drawPolygon(QPolygon({QPoint(11, 2), QPoint(4, 7), QPoint(11, 12)}));
    return QIcon(pixmap);
}

QIcon ExpandIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(kInk);
    p.setBrush(kInk);
    p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(11, 7), QPoint(4, 12)}));
    return QIcon(pixmap);
}

QIcon ApplicationIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A prism splitting a beam: the program's mark.
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(200, 225, 255));
    p.drawPolygon(QPolygonF({QPointF(16, 3), QPointF(29, 27), QPointF(3, 27)}));
    const QColor beams[] = {kRed, kYellow, kGreen, kBlue};
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(beams[i], 2));
        p.drawLine(QPointF(20, 16 + i), QPointF(31, 12 + 4 * i));
    }
    return QIcon(pixmap);
}

}  // namespace lp
