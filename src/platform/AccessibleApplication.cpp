#include "platform/AccessibleApplication.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

namespace {

QAccessibleInterface *accessibleApplication(const QString & /*className*/, QObject *object)
{
    if (object && object == QCoreApplication::instance())
        return new AccessibleApplication;
    return nullptr;
}

} // namespace

void AccessibleApplication::install()
{
    QAccessible::installFactory(accessibleApplication);
}

QList<QAccessibleInterface *> AccessibleApplication::windows() const
{
    QList<QAccessibleInterface *> windows;
    for (int i = 0; i < QAccessibleApplication::childCount(); ++i)
        windows.append(QAccessibleApplication::child(i));
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->type() != Qt::Popup || !window->isVisible())
            continue;
        QAccessibleInterface *root = window->accessibleRoot();
        if (root && root->parent() == this)
            windows.append(root);
    }
    return windows;
}

int AccessibleApplication::childCount() const
{
    return int(windows().size());
}

int AccessibleApplication::indexOfChild(const QAccessibleInterface *child) const
{
    return int(windows().indexOf(const_cast<QAccessibleInterface *>(child)));
}

QAccessibleInterface *AccessibleApplication::child(int index) const
{
    return windows().value(index);
}
