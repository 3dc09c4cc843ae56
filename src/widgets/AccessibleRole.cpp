#include "widgets/AccessibleRole.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace {

QHash<QString, AccessibleRole::Maker> &makers()
{
    static QHash<QString, AccessibleRole::Maker> registered;
    return registered;
}

// One factory for all our classes: Qt asks it for each class of an object,
// from the object's own class to its bases.
QAccessibleInterface *accessibleWidget(const QString &className, QObject *object)
{
    const auto maker = makers().constFind(className);
    if (maker == makers().constEnd() || !object || !object->isWidgetType())
        return nullptr;
    return (*maker)(static_cast<QWidget *>(object));
}

} // namespace

namespace AccessibleRole {

void install(const char *className, const Maker &make)
{
    if (makers().isEmpty())
        QAccessible::installFactory(accessibleWidget);
    makers().insert(QString::fromLatin1(className), make);
}

void install(const char *className, QAccessible::Role role)
{
    install(className, [role](QWidget *widget) { return new QAccessibleWidget(widget, role); });
}

} // namespace AccessibleRole
