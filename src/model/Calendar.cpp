#include "model/Calendar.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/simpletz.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>

namespace {

// Whole seconds since the Unix epoch.
using UnixSeconds = std::int64_t;

constexpr UnixSeconds kSecondsPerDay = 86400;
constexpr UnixSeconds kSecondsPerHour = 3600;
// Further from 2001 than this (about 3,000 years) no zone has rules, and the
// C library's broken-down years would overflow.
constexpr double kFurthestMoment = 1e11;

UnixSeconds floorDiv(UnixSeconds a, UnixSeconds b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

UnixSeconds floorMod(UnixSeconds a, UnixSeconds b)
{
    return a - floorDiv(a, b) * b;
}

// The whole second that holds `moment`, or none for a moment beyond any date.
std::optional<UnixSeconds> secondOf(Moment moment)
{
    if (!(std::fabs(moment) < kFurthestMoment))
        return std::nullopt;
    return UnixSeconds(std::floor(moment)) + UnixSeconds(kMomentEpochOffset);
}

Moment momentOf(UnixSeconds second)
{
    return double(second - UnixSeconds(kMomentEpochOffset));
}

// The user's zone as the C library reads it. The C library reads TZ and
// /etc/localtime again only in tzset(), not in localtime_r(), so each use
// starts with a fresh reading.
class Zone
{
public:
    Zone() { tzset(); }

    // Seconds east of UTC at `second`.
    int offset(UnixSeconds second) const
    {
        const std::time_t time = second;
        std::tm parts {};
        if (!localtime_r(&time, &parts))
            return 0;
        return int(parts.tm_gmtoff);
    }

    // The wall clock at `second`, counted as if it were UTC.
    UnixSeconds wall(UnixSeconds second) const { return second + offset(second); }

    UnixSeconds day(UnixSeconds second) const { return floorDiv(wall(second), kSecondsPerDay); }

    // The first second at which the wall clock shows `wall`: of a repeated
    // wall time the earlier one, of a skipped one the end of the gap, which
    // shows the wall time the clocks jumped to.
    UnixSeconds firstShowing(UnixSeconds wall) const
    {
        // Zones change their offset at most about twice a year, so the
        // offsets a day either side hold every offset that could apply.
        const std::array<int, 3> offsets
            = { offset(wall - kSecondsPerDay), offset(wall), offset(wall + kSecondsPerDay) };
        std::optional<UnixSeconds> first;
        for (const int candidate : offsets) {
            const UnixSeconds second = wall - candidate;
            if (offset(second) == candidate && (!first || second < *first))
                first = second;
        }
        if (first)
            return *first;

        // Skipped: between these two the wall clock jumps over `wall`.
        const auto [least, most] = std::minmax_element(offsets.begin(), offsets.end());
        UnixSeconds before = wall - *most;
        UnixSeconds after = wall - *least;
        while (after - before > 1) {
            const UnixSeconds middle = before + (after - before) / 2;
            (this->wall(middle) > wall ? after : before) = middle;
        }
        return after;
    }
};

// The second of the local day that `moment` shows. Far beyond any date the
// zone has rules for, the moment still has a time of day: read it as in UTC.
std::optional<UnixSeconds> secondOfDay(const Zone &zone, Moment moment)
{
    if (const std::optional<UnixSeconds> second = secondOf(moment))
        return floorMod(zone.wall(*second), kSecondsPerDay);
    if (!std::isfinite(moment))
        return std::nullopt;
    const double day = double(kSecondsPerDay);
    return UnixSeconds(std::floor(std::fmod(std::fmod(moment, day) + day, day)));
}

// ICU's default locale follows LC_ALL and LANG but not LC_TIME, and is cached;
// take the formatting locale from the environment at each use instead.
icu::Locale userLocale()
{
    QByteArray name;
    for (const char *variable : { "LC_ALL", "LC_TIME", "LANG" }) {
        name = qgetenv(variable);
        if (!name.isEmpty())
            break;
    }
    // "de_DE.UTF-8@euro" -> "de_DE"
    const qsizetype cut = name.indexOf('.');
    if (cut >= 0)
        name.truncate(cut);
    const qsizetype at = name.indexOf('@');
    if (at >= 0)
        name.truncate(at);
    // In the C locale Qt shows a 24-hour clock and "5 Jan 2026"; ICU's
    // British English formats agree with both, where its POSIX locale would
    // show "7:30 AM" beside Qt's "07:30".
    if (name.isEmpty() || name == "C" || name == "POSIX")
        return icu::Locale("en_GB");
    return icu::Locale(name.constData());
}

// ICU formats in the locale's style only. Its own zone rules are a frozen
// copy, so it is handed the offset that the system's rules give for this very
// moment, as a zone that never changes.
QString format(icu::DateFormat *formatter, Moment moment)
{
    if (!formatter)
        return {};
    std::unique_ptr<icu::DateFormat> owner(formatter);
    const std::optional<UnixSeconds> second = secondOf(moment);
    const int offset = second ? Zone().offset(*second) : 0;
    owner->adoptTimeZone(new icu::SimpleTimeZone(offset * 1000, icu::UnicodeString(u"local")));
    icu::UnicodeString text;
    owner->format((moment + kMomentEpochOffset) * 1000.0, text);
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

} // namespace

namespace Calendar {

QTime timeOfDay(Moment moment)
{
    const std::optional<UnixSeconds> ofDay = secondOfDay(Zone(), moment);
    if (!ofDay)
        return {};
    return QTime(int(*ofDay / kSecondsPerHour), int(*ofDay % kSecondsPerHour / 60));
}

Moment roundedUpToWholeHour(Moment moment)
{
    const std::optional<UnixSeconds> second = secondOf(moment);
    if (!second)
        return moment;
    const Zone zone;
    const UnixSeconds wall = zone.wall(*second);
    if (floorMod(wall, kSecondsPerHour) < 60)
        return moment;
    // A clock change may skip the next whole hour, or end at half past one:
    // the first that the wall clock really shows.
    const UnixSeconds nextHour = floorDiv(wall, kSecondsPerHour) + 1;
    for (UnixSeconds hour = nextHour; hour < nextHour + 24; ++hour) {
        const UnixSeconds candidate = zone.firstShowing(hour * kSecondsPerHour);
        if (floorMod(zone.wall(candidate), kSecondsPerHour) == 0)
            return momentOf(candidate);
    }
    return moment;
}

LocalDay localDay(Moment moment)
{
    const std::optional<UnixSeconds> second = secondOf(moment);
    if (!second)
        return {};
    const Zone zone;
    return { zone.day(*second), zone.offset(*second) };
}

bool isDateInToday(Moment moment, Moment now)
{
    const std::optional<UnixSeconds> second = secondOf(moment);
    const std::optional<UnixSeconds> nowSecond = secondOf(now);
    const Zone zone;
    return second && nowSecond && zone.day(*second) == zone.day(*nowSecond);
}

bool isDateInTomorrow(Moment moment, Moment now)
{
    const std::optional<UnixSeconds> second = secondOf(moment);
    const std::optional<UnixSeconds> nowSecond = secondOf(now);
    const Zone zone;
    return second && nowSecond && zone.day(*second) == zone.day(*nowSecond) + 1;
}

QString shortTime(Moment moment)
{
    return format(
        icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, userLocale()), moment);
}

QString abbreviatedDate(Moment moment)
{
    return format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, userLocale()), moment);
}

} // namespace Calendar

namespace {

// The next moment after `after` whose wall clock shows that minute of the day.
std::optional<Moment> nextShowing(const Zone &zone, UnixSeconds minuteOfDay, Moment after)
{
    const std::optional<UnixSeconds> afterSecond = secondOf(after);
    if (!afterSecond)
        return std::nullopt;
    // That wall time on the reference's own day or the next; the day before
    // as well, for a reference just past a clock change. Each candidate is a
    // whole second, compared with the reference as it is, to the last bit.
    const UnixSeconds day = zone.day(*afterSecond);
    for (UnixSeconds candidateDay = day - 1; candidateDay <= day + 2; ++candidateDay) {
        const Moment candidate
            = momentOf(zone.firstShowing(candidateDay * kSecondsPerDay + minuteOfDay * 60));
        if (candidate > after)
            return candidate;
    }
    return std::nullopt;
}

} // namespace

Moment nextOccurrenceOfTimeOfDay(Moment receiver, Moment after)
{
    const Zone zone;
    const std::optional<UnixSeconds> receiverOfDay = secondOfDay(zone, receiver);
    if (!receiverOfDay)
        return receiver;
    return nextShowing(zone, *receiverOfDay / 60, after).value_or(receiver);
}

Moment nextOccurrenceOfTimeOfDay(QTime timeOfDay, Moment after)
{
    if (!timeOfDay.isValid())
        return after;
    return nextShowing(Zone(), timeOfDay.hour() * 60 + timeOfDay.minute(), after).value_or(after);
}
