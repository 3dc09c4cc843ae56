#pragma once

#include "menubar/AbstractNotifier.h"

#include <QDBusConnection>

// A notification bubble through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Where the desktop
// offers none, the words go to the standard error instead, where a user who
// started the program from a terminal sees them.
class DesktopNotifier final : public AbstractNotifier
{
public:
    explicit DesktopNotifier(const QDBusConnection &bus);

    void notify(const QString &summary, const QString &body) override;

private:
    QDBusConnection m_bus;
};
