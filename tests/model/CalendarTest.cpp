#include "model/Calendar.h"

#include "support/TestMoments.h"

#include <QTest>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Sets TZ for one test row; nothing in the calendar may cache the zone.
void useZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
}

} // namespace

class CalendarTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        qunsetenv("TZ");
        qputenv("LC_ALL", "C.UTF-8");
        qunsetenv("LC_TIME");
        qunsetenv("LANG");
    }

    void nextOccurrence_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("expected");

        // A zone without a clock change on these days.
        const QByteArray utc = "UTC";
        QTest::newRow("later today is past")
            << utc << u"2026-01-01T07:30:00Z"_s << u"2026-01-05T08:00:00Z"_s
            << u"2026-01-06T07:30:00Z"_s;
        QTest::newRow("still ahead today")
            << utc << u"2026-01-01T07:30:00Z"_s << u"2026-01-05T07:00:00Z"_s
            << u"2026-01-05T07:30:00Z"_s;
        QTest::newRow("receiver seconds dropped")
            << utc << u"2026-01-01T07:30:45.250Z"_s << u"2026-01-05T07:00:00Z"_s
            << u"2026-01-05T07:30:00Z"_s;
        QTest::newRow("exactly the reference")
            << utc << u"2026-01-01T07:30:00Z"_s << u"2026-01-05T07:30:00.000Z"_s
            << u"2026-01-06T07:30:00Z"_s;
        QTest::newRow("same minute, later second")
            << utc << u"2026-01-01T07:30:00Z"_s << u"2026-01-05T07:30:20Z"_s
            << u"2026-01-06T07:30:00Z"_s;
        QTest::newRow("midnight") << utc << u"2026-01-01T00:00:00Z"_s << u"2026-01-05T23:59:59Z"_s
                                  << u"2026-01-06T00:00:00Z"_s;
        QTest::newRow("new year") << utc << u"2026-01-01T23:59:00Z"_s << u"2026-12-31T23:59:30Z"_s
                                  << u"2027-01-01T23:59:00Z"_s;
        QTest::newRow("Mexico City keeps standard time all summer")
            << QByteArray("America/Mexico_City") << u"2026-01-05T07:00:00-06:00"_s
            << u"2026-07-01T00:00:00Z"_s << u"2026-07-01T07:00:00-06:00"_s;
        QTest::newRow("local, not UTC")
            << QByteArray("America/New_York") << u"2026-01-01T07:30:00-05:00"_s
            << u"2026-01-05T13:00:00Z"_s << u"2026-01-06T07:30:00-05:00"_s;

        // Central Europe: 2026-03-29 02:00 becomes 03:00; 2026-10-25 03:00 becomes 02:00.
        const QByteArray berlin = "Europe/Berlin";
        QTest::newRow("skipped: first moment after the gap")
            << berlin << u"2026-01-01T02:30:00+01:00"_s << u"2026-03-29T01:00:00+01:00"_s
            << u"2026-03-29T03:00:00+02:00"_s;
        QTest::newRow("after the gap: next day as usual")
            << berlin << u"2026-01-01T02:30:00+01:00"_s << u"2026-03-29T03:10:00+02:00"_s
            << u"2026-03-30T02:30:00+02:00"_s;
        QTest::newRow("repeated: the earlier one")
            << berlin << u"2026-01-01T02:30:00+01:00"_s << u"2026-10-25T01:00:00+02:00"_s
            << u"2026-10-25T02:30:00+02:00"_s;
        QTest::newRow("repeated: between the two, next day")
            << berlin << u"2026-01-01T02:30:00+01:00"_s << u"2026-10-25T02:30:00+02:00"_s
            << u"2026-10-26T02:30:00+01:00"_s;
        QTest::newRow("repeated: during the second hour, next day")
            << berlin << u"2026-01-01T02:30:00+01:00"_s << u"2026-10-25T02:10:00+01:00"_s
            << u"2026-10-26T02:30:00+01:00"_s;
        QTest::newRow("before the change, unaffected")
            << berlin << u"2026-01-01T01:15:00+01:00"_s << u"2026-10-25T00:00:00+02:00"_s
            << u"2026-10-25T01:15:00+02:00"_s;
        QTest::newRow("a 03:00 alarm keeps 03:00 after the spring night")
            << berlin << u"2026-03-29T03:00:00+02:00"_s << u"2026-03-29T03:00:00+02:00"_s
            << u"2026-03-30T03:00:00+02:00"_s;
        QTest::newRow("more than 24 hours across the autumn night")
            << berlin << u"2026-10-24T23:30:00+02:00"_s << u"2026-10-24T23:30:00+02:00"_s
            << u"2026-10-25T23:30:00+01:00"_s;
    }
    void nextOccurrence()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, receiver);
        QFETCH(QString, after);
        QFETCH(QString, expected);
        useZone(zone);
        const Moment result
            = nextOccurrenceOfTimeOfDay(momentFromIso(receiver), momentFromIso(after));
        QCOMPARE(isoFromMoment(result, 0), isoFromMoment(momentFromIso(expected), 0));
        // Idempotent, and the result as the next reference gives the next day.
        QCOMPARE(nextOccurrenceOfTimeOfDay(momentFromIso(receiver), momentFromIso(after)), result);
        const Moment next = nextOccurrenceOfTimeOfDay(result, result);
        QVERIFY(next - result >= 23 * 3600 && next - result <= 25 * 3600);
    }

    void referenceJustBeforeTheMinute()
    {
        useZone("Europe/Berlin");
        const Moment half = momentFromIso(u"2026-01-05T07:30:00+01:00"_s);
        Moment after = half;
        for (int ulps = 1; ulps <= 3; ++ulps) {
            after = std::nextafter(after, 0.0);
            QCOMPARE(nextOccurrenceOfTimeOfDay(half, after), half);
        }
    }

    // The system's zone database, as every other program on the desktop reads
    // it; a frozen copy of older rules is off by an hour in each of these.
    void zoneRulesAndForms_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QTime>("local");
        QTest::newRow("Mexico City") << QByteArray("America/Mexico_City") << QTime(6, 0);
        QTest::newRow("Cairo") << QByteArray("Africa/Cairo") << QTime(15, 0);
        QTest::newRow("Almaty") << QByteArray("Asia/Almaty") << QTime(17, 0);
        QTest::newRow("Asuncion") << QByteArray("America/Asuncion") << QTime(9, 0);
        QTest::newRow("Nuuk") << QByteArray("America/Nuuk") << QTime(11, 0);
        QTest::newRow("name") << QByteArray("Europe/Berlin") << QTime(14, 0);
        QTest::newRow("colon") << QByteArray(":Europe/Berlin") << QTime(14, 0);
        QTest::newRow("path") << QByteArray("/usr/share/zoneinfo/Europe/Berlin") << QTime(14, 0);
        QTest::newRow("rule") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << QTime(14, 0);
        QTest::newRow("nothing valid: UTC") << QByteArray("Nowhere/Nothing") << QTime(12, 0);
    }
    void zoneRulesAndForms()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QTime, local);
        useZone(zone);
        const Moment moment = momentFromIso(u"2026-07-01T12:00:00Z"_s);
        QCOMPARE(Calendar::timeOfDay(moment), local);
        QCOMPARE(Calendar::shortTime(moment), local.toString(u"HH:mm"_s));
    }

    void zoneIsReadAtEveryCall()
    {
        const Moment receiver = momentFromIso(u"2026-01-01T07:30:00Z"_s);
        const Moment after = momentFromIso(u"2026-01-05T00:00:00Z"_s);
        useZone("UTC");
        QCOMPARE(
            nextOccurrenceOfTimeOfDay(receiver, after), momentFromIso(u"2026-01-05T07:30:00Z"_s));
        useZone("Asia/Tokyo");
        // 07:30 UTC is 16:30 in Tokyo; the next 16:30 there after 09:00 local.
        QCOMPARE(nextOccurrenceOfTimeOfDay(receiver, after),
            momentFromIso(u"2026-01-05T16:30:00+09:00"_s));
        QCOMPARE(Calendar::timeOfDay(receiver), QTime(16, 30));
    }

    void todayAndTomorrowFollowLocalDays_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("now");
        QTest::addColumn<bool>("today");
        QTest::addColumn<bool>("tomorrow");
        QTest::newRow("same day") << u"2026-01-05T00:10:00+01:00"_s
                                  << u"2026-01-05T23:50:00+01:00"_s << true << false;
        QTest::newRow("00:10 tomorrow at 23:50")
            << u"2026-01-06T00:10:00+01:00"_s << u"2026-01-05T23:50:00+01:00"_s << false << true;
        QTest::newRow("in two days")
            << u"2026-01-07T00:10:00+01:00"_s << u"2026-01-05T23:50:00+01:00"_s << false << false;
        QTest::newRow("yesterday")
            << u"2026-01-04T23:50:00+01:00"_s << u"2026-01-05T00:10:00+01:00"_s << false << false;
        QTest::newRow("47 hours on, across the spring night, is tomorrow")
            << u"2026-03-29T23:30:00+02:00"_s << u"2026-03-28T00:30:00+01:00"_s << false << true;
        QTest::newRow("tomorrow is the 23-hour day")
            << u"2026-03-29T23:30:00+02:00"_s << u"2026-03-28T23:30:00+01:00"_s << false << true;
    }
    void todayAndTomorrowFollowLocalDays()
    {
        QFETCH(QString, moment);
        QFETCH(QString, now);
        QFETCH(bool, today);
        QFETCH(bool, tomorrow);
        useZone("Europe/Berlin");
        QCOMPARE(Calendar::isDateInToday(momentFromIso(moment), momentFromIso(now)), today);
        QCOMPARE(Calendar::isDateInTomorrow(momentFromIso(moment), momentFromIso(now)), tomorrow);
    }

    void formatting_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        QTest::newRow("en_US") << QByteArray("LC_ALL") << QByteArray("en_US.UTF-8")
                               << u"7:30\u202FAM"_s << u"Jan 5, 2026"_s;
        QTest::newRow("de_DE") << QByteArray("LC_ALL") << QByteArray("de_DE.UTF-8") << u"07:30"_s
                               << u"05.01.2026"_s;
        QTest::newRow("en_GB through LC_TIME")
            << QByteArray("LC_TIME") << QByteArray("en_GB.UTF-8") << u"07:30"_s << u"5 Jan 2026"_s;
        QTest::newRow("C: a 24-hour clock, as Qt's C locale shows it")
            << QByteArray("LC_ALL") << QByteArray("C.UTF-8") << u"07:30"_s << u"5 Jan 2026"_s;
        QTest::newRow("de_DE through LANG")
            << QByteArray("LANG") << QByteArray("de_DE.UTF-8") << u"07:30"_s << u"05.01.2026"_s;
    }
    void formatting()
    {
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, locale);
        QFETCH(QString, time);
        QFETCH(QString, date);
        qunsetenv("LC_ALL");
        qputenv(variable.constData(), locale);
        useZone("Europe/Berlin");
        const Moment moment = momentFromIso(u"2026-01-05T07:30:59+01:00"_s);
        QCOMPARE(Calendar::shortTime(moment), time);
        QCOMPARE(Calendar::abbreviatedDate(moment), date);
    }

    void settingMinuteToZero_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("expected");
        QTest::newRow("10:37 + 1h")
            << u"2026-01-05T11:37:00+01:00"_s << u"2026-01-05T12:00:00+01:00"_s;
        QTest::newRow("10:00:30 + 1h")
            << u"2026-01-05T11:00:30+01:00"_s << u"2026-01-05T11:00:30+01:00"_s;
        QTest::newRow("23:30 + 1h")
            << u"2026-01-06T00:30:00+01:00"_s << u"2026-01-06T01:00:00+01:00"_s;
    }
    void settingMinuteToZero()
    {
        QFETCH(QString, from);
        QFETCH(QString, expected);
        useZone("Europe/Berlin");
        QCOMPARE(isoFromMoment(Calendar::roundedUpToWholeHour(momentFromIso(from)), 3600),
            isoFromMoment(momentFromIso(expected), 3600));
    }

    void momentOnDay()
    {
        useZone("Europe/Berlin");
        const Moment day = momentFromIso(u"2026-01-05T18:00:00+01:00"_s);
        QCOMPARE(Calendar::momentOnDay(day, QTime(7, 30)),
            momentFromIso(u"2026-01-05T07:30:00+01:00"_s));
        QCOMPARE(Calendar::timeOfDay(Calendar::momentOnDay(day, QTime(23, 59))), QTime(23, 59));
    }
};

QTEST_GUILESS_MAIN(CalendarTest)
#include "CalendarTest.moc"
