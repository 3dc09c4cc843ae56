#pragma once

#include "model/Moment.h"

#include <QString>
#include <QUuid>

class QDebug;

// One alert on screen or waiting in the ringing queue. Never stored. Its id is
// fresh for every ringing and is never the id of the alarm that rang.
struct RingingAlarm
{
    QUuid id = QUuid::createUuid();
    QString label;
    Moment scheduledFor = 0;
};

QDebug operator<<(QDebug debug, const RingingAlarm &alarm);
char *toString(const RingingAlarm &alarm);
