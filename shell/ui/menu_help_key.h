#pragma once
#include <QObject>
#include <functional>

class QMenu;

namespace lp {

/// F1 while a menu command is highlighted: the menus close and the command's
/// help topic (0x10000 + its id) opens. An item that is no command (a submenu,
/// an entry of the window list) opens topic 0, the manual's contents.
class MenuHelpKey final : public QObject {
    Q_OBJECT
public:
    MenuHelpKey(QMenu* menu, std::function<void(int topic)> openTopic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(int)> m_openTopic;
};

}  // namespace lp
