#include "platform/DesktopTray.h"

#include <QApplication>
#include <QCursor>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

DesktopTray::DesktopTray(const QDBusConnection &bus, const QIcon &icon, QObject *parent)
    : AbstractTray(parent)
    , m_bus(bus)
    , m_icon(icon)
    , m_item(bus, u"brisvane"_s, tr("Brisvane"), icon, &m_menu)
{
    const int openId = m_menu.addEntry(tr("Open Brisvane"));
    const int quitId = m_menu.addEntry(tr("Quit"));
    connect(&m_menu, &DBusMenu::triggered, this, [this, openId, quitId](int id) {
        if (id == openId)
            Q_EMIT openRequested();
        else if (id == quitId)
            Q_EMIT quitRequested();
    });
    connect(&m_item, &StatusNotifierItem::contextMenuRequested, this, &DesktopTray::showMenu);

    connect(&m_item, &StatusNotifierItem::activated, this, &AbstractTray::activated);
    connect(&m_item, &StatusNotifierItem::shownChanged, this, [this](bool shown) {
        showX11Icon(!shown);
        Q_EMIT shownChanged();
    });
    // Unless a StatusNotifierItem tray is there to show the item.
    showX11Icon(true);
}

DesktopTray::~DesktopTray() = default;

bool DesktopTray::isShown() const
{
    // Asked only once Qt's icon is known to be an X11 one: the question
    // itself makes Qt choose its kind of tray.
    return m_item.isShown()
        || (m_x11Icon && m_x11Icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable());
}

QRect DesktopTray::iconGeometry() const
{
    return m_x11Icon && m_x11Icon->isVisible() ? m_x11Icon->geometry() : QRect();
}

void DesktopTray::showMenu(QPoint at)
{
    // Made on first use: most people never open it, and the program waits all day.
    if (!m_contextMenu) {
        m_contextMenu = std::make_unique<QMenu>();
        connect(m_contextMenu->addAction(tr("Open Brisvane")), &QAction::triggered, this,
            &AbstractTray::openRequested);
        connect(m_contextMenu->addAction(tr("Quit")), &QAction::triggered, this,
            &AbstractTray::quitRequested);
    }
    m_contextMenu->popup(at);
}

bool DesktopTray::hasStatusNotifierHost() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(u"org.kde.StatusNotifierWatcher"_s,
        u"/StatusNotifierWatcher"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << u"org.kde.StatusNotifierWatcher"_s << u"IsStatusNotifierHostRegistered"_s;
    const QDBusReply<QDBusVariant> reply = m_bus.call(get);
    return reply.isValid() && reply.value().variant().toBool();
}

void DesktopTray::showX11Icon(bool show)
{
    if (!show) {
        if (m_x11Icon)
            m_x11Icon->hide();
        return;
    }
    // Made where Qt, asking the same question, will choose its X11 tray: with
    // a StatusNotifierItem host, our own item is about to show instead.
    if (!m_x11Icon) {
        if (hasStatusNotifierHost())
            return;
        m_x11Icon = std::make_unique<QSystemTrayIcon>(m_icon);
        m_x11Icon->setToolTip(tr("Brisvane"));
        connect(m_x11Icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    Q_EMIT activated(QPoint());
                else if (reason == QSystemTrayIcon::Context)
                    showMenu(QCursor::pos());
            });
    }
    m_x11Icon->show();
    // The icon is a small window of Qt's own: give it the program's name, as
    // a screen reader or a window list would read it.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"QSystemTrayIconSys"_s) {
            widget->setWindowTitle(tr("Brisvane"));
            widget->setAccessibleName(tr("Brisvane"));
        }
    }
}
