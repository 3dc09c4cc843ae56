#include "platform/LogindWakeNotifier.h"

#include <QDBusConnection>

using namespace Qt::Literals::StringLiterals;

LogindWakeNotifier::LogindWakeNotifier(const QDBusConnection &bus, QObject *parent)
    : AbstractWakeNotifier(parent)
{
    if (!bus.isConnected())
        return;
    // D-Bus signal subscriptions still take the old slot syntax.
    QDBusConnection(bus).connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
        u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, this,
        SLOT(onPrepareForSleep(bool)));
}

void LogindWakeNotifier::onPrepareForSleep(bool start)
{
    if (!start)
        Q_EMIT woke();
}
