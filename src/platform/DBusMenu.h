#pragma once

#include <QDBusContext>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QDBusArgument;

// A flat menu of plain entries, exported as com.canonical.dbusmenu for the
// trays that draw an item's menu themselves (some open it on a left click).
// A click on an entry sends triggered() with the entry's id.
//
// The members in capitals are the D-Bus interface itself, in its own names.
class DBusMenu : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version CONSTANT)
    Q_PROPERTY(QString TextDirection READ textDirection CONSTANT)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath CONSTANT)

public:
    // The D-Bus forms of the menu: an item with its properties, (ia{sv});
    // an item with the names of properties it lost, (ias); an item with its
    // children, (ia{sv}av); a click or hover, (isvu).
    struct Item
    {
        int id = 0;
        QVariantMap properties;
    };
    struct RemovedProperties
    {
        int id = 0;
        QStringList names;
    };
    struct Layout
    {
        int id = 0;
        QVariantMap properties;
        QList<Layout> children;
    };
    struct UserEvent
    {
        int id = 0;
        QString eventId;
        QDBusVariant data;
        uint timestamp = 0;
    };

    // One entry: its id (never 0, which is the menu itself) and its text.
    // An id keeps its meaning from one revision of the menu to the next, so a
    // click on a menu drawn before a change cannot run another entry.
    struct Entry
    {
        int id = 0;
        QString label;
    };

    explicit DBusMenu(QObject *parent = nullptr);

    // Replaces the entries and tells the tray, which draws the menu anew.
    void setEntries(const QList<Entry> &entries);

    // Lets Qt D-Bus carry the forms above; once, before any use.
    static void registerTypes();

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const;
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
        DBusMenu::Layout &layout);
    Q_SCRIPTABLE QList<DBusMenu::Item> GetGroupProperties(
        const QList<int> &ids, const QStringList &propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString &name);
    Q_SCRIPTABLE void Event(
        int id, const QString &eventId, const QDBusVariant &data, uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<DBusMenu::UserEvent> &events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors);

Q_SIGNALS:
    void triggered(int id);

    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemsPropertiesUpdated(const QList<DBusMenu::Item> &updatedProperties,
        const QList<DBusMenu::RemovedProperties> &removedProperties);

private:
    bool contains(int id) const;
    QVariantMap properties(int id, const QStringList &names) const;
    // Answers the call with an error for an id that names no entry.
    void refuse(int id);

    QList<Entry> m_entries;
    uint m_revision = 1;
};

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::Item &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::Item &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::RemovedProperties &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::RemovedProperties &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::Layout &layout);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::Layout &layout);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::UserEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::UserEvent &event);

Q_DECLARE_METATYPE(DBusMenu::Item)
Q_DECLARE_METATYPE(DBusMenu::RemovedProperties)
Q_DECLARE_METATYPE(DBusMenu::Layout)
Q_DECLARE_METATYPE(DBusMenu::UserEvent)
