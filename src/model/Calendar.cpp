#include "model/Calendar.h"

#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>

namespace {

UDate toUDate(Moment moment)
{
    return (moment + kMomentEpochOffset) * 1000.0;
}

Moment fromUDate(UDate date)
{
    return date / 1000.0 - kMomentEpochOffset;
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

// A Gregorian calendar in the zone the host uses right now, with the rules
// for wall times that a clock change skips or repeats.
std::unique_ptr<icu::Calendar> currentCalendar()
{
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(
        icu::TimeZone::detectHostTimeZone(), userLocale(), status);
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    return calendar;
}

struct LocalDate
{
    int32_t era;
    int32_t year;
    int32_t dayOfYear;
    bool operator==(const LocalDate &) const = default;
};

LocalDate localDate(icu::Calendar &calendar, UDate date)
{
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(date, status);
    return { calendar.get(UCAL_ERA, status), calendar.get(UCAL_YEAR, status),
        calendar.get(UCAL_DAY_OF_YEAR, status) };
}

QString format(icu::DateFormat *formatter, Moment moment)
{
    if (!formatter)
        return {};
    std::unique_ptr<icu::DateFormat> owner(formatter);
    owner->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString text;
    owner->format(toUDate(moment), text);
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

} // namespace

namespace Calendar {

QTime timeOfDay(Moment moment)
{
    auto calendar = currentCalendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(moment), status);
    return QTime(calendar->get(UCAL_HOUR_OF_DAY, status), calendar->get(UCAL_MINUTE, status));
}

Moment momentOnDay(Moment day, QTime time)
{
    auto calendar = currentCalendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(day), status);
    calendar->set(UCAL_HOUR_OF_DAY, time.hour());
    calendar->set(UCAL_MINUTE, time.minute());
    calendar->set(UCAL_SECOND, 0);
    calendar->set(UCAL_MILLISECOND, 0);
    const UDate result = calendar->getTime(status);
    return U_SUCCESS(status) ? fromUDate(result) : day;
}

Moment settingMinuteToZero(Moment moment)
{
    auto calendar = currentCalendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(moment), status);
    if (calendar->get(UCAL_MINUTE, status) == 0)
        return moment;
    calendar->set(UCAL_MINUTE, 0);
    calendar->set(UCAL_SECOND, 0);
    calendar->set(UCAL_MILLISECOND, 0);
    calendar->add(UCAL_HOUR_OF_DAY, 1, status);
    const UDate result = calendar->getTime(status);
    return U_SUCCESS(status) ? fromUDate(result) : moment;
}

bool isDateInToday(Moment moment, Moment now)
{
    auto calendar = currentCalendar();
    return localDate(*calendar, toUDate(moment)) == localDate(*calendar, toUDate(now));
}

bool isDateInTomorrow(Moment moment, Moment now)
{
    auto calendar = currentCalendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(now), status);
    calendar->add(UCAL_DATE, 1, status);
    const UDate tomorrow = calendar->getTime(status);
    return U_SUCCESS(status)
        && localDate(*calendar, toUDate(moment)) == localDate(*calendar, tomorrow);
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

Moment nextOccurrenceOfTimeOfDay(Moment receiver, Moment after)
{
    auto calendar = currentCalendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(receiver), status);
    const int32_t hour = calendar->get(UCAL_HOUR_OF_DAY, status);
    const int32_t minute = calendar->get(UCAL_MINUTE, status);

    const UDate reference = toUDate(after);
    calendar->setTime(reference, status);
    const int32_t year = calendar->get(UCAL_YEAR, status);
    const int32_t month = calendar->get(UCAL_MONTH, status);
    const int32_t day = calendar->get(UCAL_DATE, status);
    if (U_FAILURE(status))
        return receiver;

    // The wall time on the reference's own day, else on one of the next days;
    // the day after can lie more than 24 hours ahead only across a clock change.
    for (int32_t offset = 0; offset < 3; ++offset) {
        calendar->clear();
        calendar->set(year, month, day + offset, hour, minute, 0);
        UErrorCode candidateStatus = U_ZERO_ERROR;
        const UDate candidate = calendar->getTime(candidateStatus);
        if (U_SUCCESS(candidateStatus) && candidate > reference)
            return fromUDate(candidate);
    }
    return receiver;
}
