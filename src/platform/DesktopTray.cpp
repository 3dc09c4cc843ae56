#include "platform/DesktopTray.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

DesktopTray::DesktopTray(const QDBusConnection &bus, const QIcon &icon, QObject *parent)
    : AbstractTray(parent)
    , m_bus(bus)
    , m_icon(icon)
    , m_item(bus, u"brisvane"_s, tr("Brisvane"), icon, &m_menu)
{
    updateMenus();
    connect(&m_menu, &DBusMenu::triggered, this, [this](int id) {
        for (const MenuEntry &entry : menuEntries()) {
            if (entry.id == id)
                Q_EMIT(this->*entry.request)();
        }
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

QList<DesktopTray::MenuEntry> DesktopTray::menuEntries() const
{
    QList<MenuEntry> entries;
    if (m_ringing) {
        entries.append({ 3, tr("Snooze 5 min"), &AbstractTray::snoozeRequested });
        entries.append({ 4, tr("Dismiss"), &AbstractTray::dismissRequested });
    }
    entries.append({ 1, tr("Open Brisvane"), &AbstractTray::openRequested });
    entries.append({ 2, tr("Quit"), &AbstractTray::quitRequested });
    return entries;
}

void DesktopTray::setState(const QString &toolTip, bool ringing)
{
    if (toolTip != m_toolTip) {
        m_toolTip = toolTip;
        m_item.setToolTip(toolTip);
        if (m_x11Icon)
            m_x11Icon->setToolTip(x11ToolTip());
    }
    if (ringing != m_ringing) {
        m_ringing = ringing;
        m_item.setNeedsAttention(ringing);
        updateMenus();
    }
}

QString DesktopTray::x11ToolTip() const
{
    // A tooltip that looks like markup is read as markup: hand it over as
    // text already made safe.
    const QString text = m_toolTip.isEmpty() ? tr("Brisvane") : tr("Brisvane") + u'\n' + m_toolTip;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

void DesktopTray::updateMenus()
{
    QList<DBusMenu::Entry> exported;
    for (const MenuEntry &entry : menuEntries())
        exported.append({ entry.id, entry.text });
    m_menu.setEntries(exported);
    // Made again when it is next shown; this one may be open right now.
    if (m_contextMenu)
        m_contextMenu.release()->deleteLater();
}

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
        for (const MenuEntry &entry : menuEntries())
            connect(m_contextMenu->addAction(entry.text), &QAction::triggered, this, entry.request);
    }
    m_contextMenu->popup(at);
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
        if (StatusNotifierItem::hostRegistered(m_bus))
            return;
        m_x11Icon = std::make_unique<QSystemTrayIcon>(m_icon);
        m_x11Icon->setToolTip(x11ToolTip());
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
