#pragma once

#include "store/AbstractWakeNotifier.h"

class QDBusConnection;

// The wake from sleep as systemd-logind tells it: PrepareForSleep(false) on
// the given (normally the system) bus.
class LogindWakeNotifier final : public AbstractWakeNotifier
{
    Q_OBJECT
public:
    // Without a bus, or without logind on it, woke() is simply never sent.
    explicit LogindWakeNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

private Q_SLOTS:
    void onPrepareForSleep(bool start);
};
