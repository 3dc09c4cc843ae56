#pragma once

#include <QObject>

class QDBusConnection;

// Tells when the machine has woken from sleep: systemd-logind's
// PrepareForSleep(false) on the given (normally the system) bus.
class WakeNotifier : public QObject
{
    Q_OBJECT
public:
    // Without a bus, or without logind on it, woke() is simply never sent.
    explicit WakeNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

Q_SIGNALS:
    void woke();

private Q_SLOTS:
    void onPrepareForSleep(bool start);
};
