#include "app/ui/qt_prompter.h"

#include <QMessageBox>
#include <QString>

namespace lp {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QMessageBox::Icon IconOf(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::None:
            return QMessageBox::NoIcon;
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Stop:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ButtonOf(PromptAnswer answer) {
    switch (answer) {
        case PromptAnswer::Ok:
            return QMessageBox::Ok;
        case PromptAnswer::Cancel:
            return QMessageBox::Cancel;
        case PromptAnswer::Yes:
            return QMessageBox::Yes;
        case PromptAnswer::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

}  // namespace

PromptAnswer QtPrompter::Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                             PromptAnswer defaultAnswer) {
    QMessageBox::StandardButtons set;
    switch (buttons) {
        case PromptButtons::Ok:
            set = QMessageBox::Ok;
            break;
        case PromptButtons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case PromptButtons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            break;
        case PromptButtons::YesNoCancel:
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
    }
    QMessageBox box(QMessageBox::Question, Text(caption), Text(text), set, m_parent);
    box.setDefaultButton(ButtonOf(defaultAnswer));
    switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            // Closing the box answers as its escape button would.
            return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
}

void QtPrompter::Message(std::string_view text, std::string_view caption, PromptIcon icon) {
    QMessageBox box(IconOf(icon), Text(caption), Text(text), QMessageBox::Ok, m_parent);
    box.exec();
}

}  // namespace lp
