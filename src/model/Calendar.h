#pragma once

#include "model/Moment.h"

#include <QString>
#include <QTime>

// Calendar and clock arithmetic in the user's current time zone and locale.
//
// The zone's rules are the system's zone database, read through the C library
// exactly as every other program on the desktop reads them: TZ in any of its
// forms ("Europe/Berlin", ":Europe/Berlin", a path to a zone file, a rule such
// as "CET-1CEST,M3.5.0,M10.5.0/3"), else /etc/localtime; a TZ that names
// nothing valid means UTC. Nothing here caches a zone or a locale: each call
// reads them afresh, so a change of TZ, of /etc/localtime or of LANG takes
// effect at the next call.
namespace Calendar {

// The local hour and minute (seconds dropped) that a moment shows.
QTime timeOfDay(Moment moment);

// The first moment at or after `moment` whose local minute is 0: the moment
// itself when its minute is already 0, else the next whole hour.
Moment roundedUpToWholeHour(Moment moment);

// The local day that `moment` falls on, as a count of days, and the zone's
// offset from UTC then: when either changes, what is today has changed.
struct LocalDay
{
    qint64 day = 0;
    int offsetSeconds = 0;
    bool operator==(const LocalDay &) const = default;
};
LocalDay localDay(Moment moment);

// Whether `moment` falls on the local day of `now`, or on the local day after
// it: calendar days, not spans of 24 hours.
bool isDateInToday(Moment moment, Moment now);
bool isDateInTomorrow(Moment moment, Moment now);

// The locale's short time style ("7:30 AM", "07:30") and abbreviated date
// style ("Jan 5, 2026", "05.01.2026"), of the wall time the zone gives.
QString shortTime(Moment moment);
QString abbreviatedDate(Moment moment);

} // namespace Calendar

// The first moment strictly after `after` at which the local wall clock shows
// the hour and minute of `receiver` at second 0. Where a clock change skips
// that wall time, the first moment after the gap; where it repeats it, the
// earlier occurrence, and when `after` already lies past that earlier one, the
// next day's: a daily alarm never rings twice in one night.
Moment nextOccurrenceOfTimeOfDay(Moment receiver, Moment after);
// The same for a time of day given as such (its seconds dropped); `after`
// itself when the time is not valid.
Moment nextOccurrenceOfTimeOfDay(QTime timeOfDay, Moment after);
