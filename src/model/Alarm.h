#pragma once

#include "model/Moment.h"

#include <QList>
#include <QString>
#include <QUuid>

class QDebug;

// One alarm the user set, or one snooze alarm made by "Snooze 5 min".
struct Alarm
{
    QUuid id = QUuid::createUuid();
    Moment fireDate = 0;
    QString label;
    bool repeatsDaily = false;
    bool isEnabled = true;
    bool isSnooze = false;

    // Labels compare under canonical equivalence: a precomposed letter equals
    // the same letter followed by its combining mark.
    friend bool operator==(const Alarm &a, const Alarm &b);
};

// The canonical 36-character text of an identifier, upper case, no braces.
QString uuidText(const QUuid &id);

QDebug operator<<(QDebug debug, const Alarm &alarm);
// Lets QCOMPARE print both sides of a failed comparison.
char *toString(const Alarm &alarm);
