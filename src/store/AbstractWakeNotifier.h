#pragma once

#include <QObject>

// Tells when the machine has woken from sleep, so that alarms that fell due
// meanwhile ring at once.
class AbstractWakeNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void woke();
};
