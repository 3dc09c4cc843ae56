#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>

class DBusMenu;
class QDBusArgument;
class QDBusServiceWatcher;

// The program's item in a StatusNotifierItem tray: a service of its own on
// the session bus that registers with the tray's watcher whenever one comes
// up (at start, later, or again after the panel restarts), with its icon,
// title and tooltip, a click that tells where it was, and a menu (DBusMenu).
//
// The members in capitals are the D-Bus interface itself, in its own names.
class StatusNotifierItem : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category CONSTANT)
    Q_PROPERTY(QString Id READ id CONSTANT)
    Q_PROPERTY(QString Title READ title CONSTANT)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId CONSTANT)
    Q_PROPERTY(QString IconName READ noName CONSTANT)
    Q_PROPERTY(StatusNotifierItem::Pixmaps IconPixmap READ iconPixmap CONSTANT)
    Q_PROPERTY(QString OverlayIconName READ noName CONSTANT)
    Q_PROPERTY(StatusNotifierItem::Pixmaps OverlayIconPixmap READ noPixmaps CONSTANT)
    Q_PROPERTY(QString AttentionIconName READ noName CONSTANT)
    Q_PROPERTY(StatusNotifierItem::Pixmaps AttentionIconPixmap READ noPixmaps CONSTANT)
    Q_PROPERTY(QString AttentionMovieName READ noName CONSTANT)
    Q_PROPERTY(StatusNotifierItem::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu CONSTANT)
    Q_PROPERTY(QDBusObjectPath Menu READ menu CONSTANT)
    Q_PROPERTY(QString IconThemePath READ noName CONSTANT)

public:
    // An icon at one size: width, height and ARGB32 pixels in network byte
    // order, (iiay); a tooltip: icon name, icons, title and text, (sa(iiay)ss).
    struct Pixmap
    {
        int width = 0;
        int height = 0;
        QByteArray argb;
    };
    using Pixmaps = QList<Pixmap>;
    struct ToolTip
    {
        QString iconName;
        Pixmaps icon;
        QString title;
        QString text;
    };

    // `id` names the program to the tray; `title` is its name for people,
    // also the tooltip. The menu is exported beside the item.
    StatusNotifierItem(const QDBusConnection &bus, const QString &id, const QString &title,
        const QIcon &icon, DBusMenu *menu, QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    // The tooltip's text under the title, plain text.
    void setToolTip(const QString &text);
    // While an alarm rings, the item asks for attention.
    void setNeedsAttention(bool needsAttention);

    // Whether a watcher holds the item and a tray is there to show it.
    bool isShown() const { return m_shown; }
    // Whether it has asked a watcher to take it and awaits the answer.
    bool isRegistering() const { return m_registering; }

    // The icon at the sizes trays draw it, at any scale: 16 to 64 pixels.
    static Pixmaps pixmaps(const QIcon &icon);

    // Whether a tray that shows such items runs on `bus` now (asked at once,
    // and answered before this returns).
    static bool hostRegistered(const QDBusConnection &bus);

    QString category() const;
    QString id() const { return m_id; }
    QString title() const { return m_title; }
    QString status() const;
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    Pixmaps iconPixmap() const { return pixmaps(m_icon); }
    Pixmaps noPixmaps() const { return {}; }
    ToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString &orientation);

Q_SIGNALS:
    // A click on the item, at that point of the screen.
    void activated(QPoint at);
    // A tray that draws no menu of its own asks the program to show one.
    void contextMenuRequested(QPoint at);
    void shownChanged(bool shown);

    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString &status);

private Q_SLOTS:
    void onHostChange();

private:
    void registerWithWatcher();
    void setShown(bool shown);

    QDBusConnection m_bus;
    QString m_service;
    QString m_id;
    QString m_title;
    QIcon m_icon;
    QString m_toolTip;
    bool m_needsAttention = false;
    QDBusServiceWatcher *m_watcher;
    bool m_registering = false;
    bool m_registered = false;
    bool m_shown = false;
};

QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierItem::Pixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierItem::Pixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierItem::ToolTip &toolTip);
const QDBusArgument &operator>>(
    const QDBusArgument &argument, StatusNotifierItem::ToolTip &toolTip);

Q_DECLARE_METATYPE(StatusNotifierItem::Pixmap)
Q_DECLARE_METATYPE(StatusNotifierItem::ToolTip)
