#include "shell/ui/beginners_hint.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "guikit/ui/command_ids.h"

namespace lp {

BeginnersHints::BeginnersHints()
    : m_hints{{
          {0, 0, 1,
           "A Left mouse button click and drag draws a rectangle on the bitmap.This can be used for cut-out "
           "operations,filling color or copy to clipboard.\n Esc for disabling the current selection."},
          {1, 0, 1,
           "A Left mouse button click and drag draws an ellipse on the bitmap.This can be used for cut-out "
           "operations,filling color or copy to clipboard.\n Esc for disabling the current selection."},
          {2, 0, 1,
           "A Left mouse button click and drag by releasing the button draws a Polygon on the bitmap,double click "
           "to finish polygon drawing.This can be used for cut-out operations,filling color or copy to "
           "clipboard.\n Esc for disabling the current selection."},
          {3, cmd::HelpTopic(cmd::kMagicWand), 2,
           "Use this to demarcate an area having same or similar colors to the one you click on. This area will "
           "be determined by the tolerance value set by you. Higher the value, more the area demarcated."},
          {4, 0, 1,
           "This picker selects all the colors drawn by a rectangle and puts it into the palette, Keep the palette "
           "dialog on to view the selected colors."},
          {5, cmd::HelpTopic(cmd::kRetouchPen), 2,
           "Draws a free line anywhere on the picture.Line width can be 1 to 9 pixels wide, as you choose. If you "
           "want to use the transparent color, press Ctrl alongwith left clicking the mouse and dragging it "
           "wherever you want.If foreground color is used, you only need to click the left mouse button and "
           "drag."},
          {6, cmd::HelpTopic(cmd::kPickColour), 2,
           "This tool is used to pick Color.\nForeground can be picked using Left mouse button and transparent "
           "color by Ctrl+Left Mouse button respectively"},
          {9, cmd::HelpTopic(cmd::kSpotRemover), 2,
           "Spot Remover\n\nRemoves unneccessary color pixels from the picture to smoothen it the extent of "
           "smoothing depends on the tolerance values set and the effectivity chosen in the options dialog."},
          {10, cmd::HelpTopic(cmd::kVectorize), 3,
           "This helps you to convert each color in the picture into a separate vector object, so you can save it "
           "as a meta file. There are settings for precision and disabling transparent and tolerance for color "
           "matching."},
          {11, cmd::HelpTopic(cmd::kManualResize), 2,
           " This method of Resizing identifies all corners of the Bitmap which helps you to Drag to the desired "
           "Size"},
          {14, 0, 1, "This fills the selected area with the foreground color stored in color selector."},
          {15, 0, 1, "This fills the selected area with the transparent color stored in color selector."},
          {21, 0, 1,
           "This gives the option of placing the picture in 9 different positions on screen.Click on any one of "
           "the position-windows to choose where you want your picture placed.All preview windows related to the "
           "master window are also updated. The pic positioning works only when the pic frame is maximised."},
      }} {}

const HintRecord* BeginnersHints::Find(int number) const {
    for (const HintRecord& hint : m_hints)
        if (hint.number == number) return &hint;
    return nullptr;
}

bool BeginnersHints::Take(int number, bool settingOn) {
    if (!settingOn) return false;
    for (HintRecord& hint : m_hints) {
        if (hint.number != number) continue;
        if (hint.timesLeft <= 0) return false;
        --hint.timesLeft;
        return true;
    }
    return false;
}

void BeginnersHints::ShowHint(int number, bool settingOn, QWidget* parent, const std::function<void(int)>& openTopic) {
    if (!Take(number, settingOn)) return;
    const HintRecord* hint = Find(number);
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Beginner's Hint"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(QString::fromUtf8(hint->text.data(), qsizetype(hint->text.size())), &dialog);
    text->setWordWrap(true);
    text->setMinimumWidth(320);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout;
    auto* more = new QPushButton(QStringLiteral("More Info.."), &dialog);
    auto* close = new QPushButton(QStringLiteral("&Close"), &dialog);
    more->setVisible(hint->topic != 0);
    buttons->addStretch(1);
    buttons->addWidget(more);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    const int topic = hint->topic;
    QObject::connect(more, &QPushButton::clicked, &dialog, [&] {
        if (openTopic) openTopic(topic);
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    close->setDefault(true);
    dialog.exec();
}

}  // namespace lp
