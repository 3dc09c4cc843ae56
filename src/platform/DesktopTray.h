#pragma once

#include "menubar/AbstractTray.h"
#include "platform/DBusMenu.h"
#include "platform/StatusNotifierItem.h"

#include <QDBusConnection>
#include <QIcon>

#include <memory>

class QMenu;
class QSystemTrayIcon;

// The item in whatever tray the desktop has: a StatusNotifierItem of our own
// wherever a tray's watcher runs on the session bus, whenever it comes up;
// where none shows it, Qt's icon in an X11 (XEmbed) tray. Qt's own tray icon
// picks between the two once per process, at its first use, exports no menu
// and drops the position of a click, so it is only ever made where no
// StatusNotifierItem tray is there to claim it.
class DesktopTray final : public AbstractTray
{
    Q_OBJECT
public:
    DesktopTray(const QDBusConnection &bus, const QIcon &icon, QObject *parent = nullptr);
    ~DesktopTray() override;

    bool isShown() const override;
    bool isAwaited() const override { return m_item.isRegistering(); }
    QRect iconGeometry() const override;
    void setState(const QString &toolTip, bool ringing) override;

private:
    // One entry of the item's menu, the same in the menu a tray draws from
    // the exported one and in the one drawn here for the trays that ask; the
    // entries of the moment.
    struct MenuEntry
    {
        int id;
        QString text;
        void (AbstractTray::*request)();
    };
    QList<MenuEntry> menuEntries() const;
    void updateMenus();

    QString x11ToolTip() const;
    // Qt's X11 icon, shown where the item has no StatusNotifierItem tray.
    void showX11Icon(bool show);
    // The menu for trays that ask the program to draw it, at `at`.
    void showMenu(QPoint at);

    QDBusConnection m_bus;
    QIcon m_icon;
    std::unique_ptr<QMenu> m_contextMenu;
    DBusMenu m_menu;
    StatusNotifierItem m_item;
    std::unique_ptr<QSystemTrayIcon> m_x11Icon;
    QString m_toolTip;
    bool m_ringing = false;
};
