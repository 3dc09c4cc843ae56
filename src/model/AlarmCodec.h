#pragma once

#include "model/Alarm.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The stored form of the alarm list: one compact UTF-8 JSON array with one
// object per alarm, holding exactly the members "id", "fireDate", "label",
// "repeatsDaily", "isEnabled" and "isSnooze".

// Reads the whole list or nothing: any fault in any element fails it all.
// Members with other keys are ignored. Identifiers are accepted in either case.
std::optional<QList<Alarm>> decodeAlarms(const QByteArray &bytes);

// Fails when a fire date is not a finite number, which JSON cannot hold.
std::optional<QByteArray> encodeAlarms(const QList<Alarm> &alarms);
