#include "platform/DBusMenu.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QGuiApplication>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

DBusMenu::DBusMenu(QObject *parent)
    : QObject(parent)
{ }

void DBusMenu::setEntries(const QList<Entry> &entries)
{
    m_entries = entries;
    ++m_revision;
    Q_EMIT LayoutUpdated(m_revision, 0);
}

bool DBusMenu::contains(int id) const
{
    return id == 0 || std::any_of(m_entries.begin(), m_entries.end(), [id](const Entry &e) {
        return e.id == id;
    });
}

void DBusMenu::registerTypes()
{
    qDBusRegisterMetaType<Item>();
    qDBusRegisterMetaType<QList<Item>>();
    qDBusRegisterMetaType<RemovedProperties>();
    qDBusRegisterMetaType<QList<RemovedProperties>>();
    qDBusRegisterMetaType<Layout>();
    qDBusRegisterMetaType<UserEvent>();
    qDBusRegisterMetaType<QList<UserEvent>>();
}

QString DBusMenu::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? u"rtl"_s : u"ltr"_s;
}

QString DBusMenu::status() const
{
    return u"normal"_s;
}

QVariantMap DBusMenu::properties(int id, const QStringList &names) const
{
    QVariantMap all;
    if (id == 0) {
        all.insert(u"children-display"_s, u"submenu"_s);
    } else {
        const auto entry = std::find_if(
            m_entries.begin(), m_entries.end(), [id](const Entry &e) { return e.id == id; });
        all.insert(u"label"_s, entry == m_entries.end() ? QString() : entry->label);
        all.insert(u"enabled"_s, true);
        all.insert(u"visible"_s, true);
    }
    if (names.isEmpty())
        return all;
    QVariantMap wanted;
    for (const QString &name : names) {
        if (all.contains(name))
            wanted.insert(name, all.value(name));
    }
    return wanted;
}

void DBusMenu::refuse(int id)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, u"No menu entry %1"_s.arg(id));
}

uint DBusMenu::GetLayout(
    int parentId, int recursionDepth, const QStringList &propertyNames, Layout &layout)
{
    if (!contains(parentId)) {
        refuse(parentId);
        return 0;
    }
    layout = { parentId, properties(parentId, propertyNames), {} };
    if (parentId == 0 && recursionDepth != 0) {
        for (const Entry &entry : std::as_const(m_entries))
            layout.children.append({ entry.id, properties(entry.id, propertyNames), {} });
    }
    return m_revision;
}

QList<DBusMenu::Item> DBusMenu::GetGroupProperties(
    const QList<int> &ids, const QStringList &propertyNames)
{
    QList<Item> items;
    for (const int id : ids) {
        if (contains(id))
            items.append({ id, properties(id, propertyNames) });
    }
    return items;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString &name)
{
    const QVariantMap values = contains(id) ? properties(id, { name }) : QVariantMap();
    if (values.isEmpty())
        refuse(id);
    return QDBusVariant(values.value(name));
}

void DBusMenu::Event(
    int id, const QString &eventId, const QDBusVariant & /*data*/, uint /*timestamp*/)
{
    if (id > 0 && contains(id) && eventId == u"clicked"_s)
        Q_EMIT triggered(id);
}

QList<int> DBusMenu::EventGroup(const QList<UserEvent> &events)
{
    QList<int> idErrors;
    for (const UserEvent &event : events) {
        if (contains(event.id))
            Event(event.id, event.eventId, event.data, event.timestamp);
        else
            idErrors.append(event.id);
    }
    return idErrors;
}

bool DBusMenu::AboutToShow(int /*id*/)
{
    return false;
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    for (const int id : ids) {
        if (!contains(id))
            idErrors.append(id);
    }
    return {};
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::Item &item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::Item &item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::RemovedProperties &item)
{
    argument.beginStructure();
    argument << item.id << item.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::RemovedProperties &item)
{
    argument.beginStructure();
    argument >> item.id >> item.names;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::Layout &layout)
{
    argument.beginStructure();
    argument << layout.id << layout.properties;
    // Children go as variants, each holding a layout of its own.
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenu::Layout &child : layout.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::Layout &layout)
{
    argument.beginStructure();
    argument >> layout.id >> layout.properties;
    layout.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        DBusMenu::Layout childLayout;
        qvariant_cast<QDBusArgument>(child.variant()) >> childLayout;
        layout.children.append(childLayout);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenu::UserEvent &event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenu::UserEvent &event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}
