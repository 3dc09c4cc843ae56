#pragma once

#include "model/Moment.h"

#include <QString>
#include <QTime>

// Calendar and clock arithmetic in the user's current time zone and locale.
// Nothing here caches a zone or a locale: each call reads them afresh, so a
// change of TZ or LANG takes effect at the next call.
namespace Calendar {

// The local hour and minute (seconds dropped) that a moment shows.
QTime timeOfDay(Moment moment);

// The moment on the local day of `day` at which the wall clock shows `time`
// (a time skipped by a clock change resolves to the first moment after it).
Moment momentOnDay(Moment day, QTime time);

// The first moment at or after `moment` whose local minute is 0: the moment
// itself when its minute is already 0, else the next whole hour.
Moment settingMinuteToZero(Moment moment);

bool isDateInToday(Moment moment, Moment now);
bool isDateInTomorrow(Moment moment, Moment now);

// The locale's short time style ("7:30 AM", "07:30") and abbreviated date
// style ("Jan 5, 2026", "05.01.2026").
QString shortTime(Moment moment);
QString abbreviatedDate(Moment moment);

} // namespace Calendar

// The first moment strictly after `after` at which the local wall clock shows
// the hour and minute of `receiver` at second 0. Where a clock change skips
// that wall time, the first moment after the gap; where it repeats it, the
// earlier occurrence, and when `after` already lies past that earlier one, the
// next day's: a daily alarm never rings twice in one night.
Moment nextOccurrenceOfTimeOfDay(Moment receiver, Moment after);
