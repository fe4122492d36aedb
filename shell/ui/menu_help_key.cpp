#include "shell/ui/menu_help_key.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include "guikit/ui/command_ids.h"

namespace lp {

namespace {

bool IsHelpKey(const QEvent* event) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier;
}

}  // namespace

MenuHelpKey::MenuHelpKey(QMenu* menu, std::function<void(int topic)> openTopic)
    : QObject(menu), m_openTopic(std::move(openTopic)) {
    menu->installEventFilter(this);
}

bool MenuHelpKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && IsHelpKey(event)) {
        // The menu takes F1 itself: the main window's F1 (Help Topics) must not fire instead.
        event->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress || !IsHelpKey(event)) return false;
    auto* menu = qobject_cast<QMenu*>(watched);
    if (!menu) return false;
    const QAction* action = menu->activeAction();
    const int topic = (action && !action->menu() && action->data().isValid()) ? cmd::HelpTopic(action->data().toInt()) : 0;
    // The browser comes up over the program: the menus go first.
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (m_openTopic) m_openTopic(topic);
    return true;
}

}  // namespace lp
