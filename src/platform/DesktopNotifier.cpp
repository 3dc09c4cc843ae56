#include "platform/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

using namespace Qt::Literals::StringLiterals;

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus)
    : m_bus(bus)
{ }

void DesktopNotifier::notify(const QString &summary, const QString &body)
{
    const auto toStandardError
        = [summary, body] { qInfo("%s: %s", qUtf8Printable(summary), qUtf8Printable(body)); };
    if (!m_bus.isConnected()) {
        toStandardError();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
        u"/org/freedesktop/Notifications"_s, u"org.freedesktop.Notifications"_s, u"Notify"_s);
    // The desktop entry names the program and its icon wherever the
    // notification is shown or kept.
    const QVariantMap hints { { u"desktop-entry"_s, u"brisvane"_s } };
    call << u"Brisvane"_s << 0u << u"brisvane"_s << summary << body << QStringList() << hints << -1;
    // Asked without waiting: a notification service may be started on demand.
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call));
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, pending,
        [toStandardError](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            if (finished->isError())
                toStandardError();
        });
}
