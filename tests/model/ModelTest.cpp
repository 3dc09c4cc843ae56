#include "model/AlarmCodec.h"
#include "model/Calendar.h"

#include "support/TestMoments.h"

#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kIdText = "0A1B2C3D-0000-4000-8000-00000000ABCD";
const QUuid kId = QUuid::fromString(QLatin1StringView(kIdText));

// One stored alarm, its id in lower case, its members in another order than
// the writer's; `key` is dropped, and added again with `value` unless null.
QByteArray element(const QByteArray &key = {}, const QByteArray &value = {})
{
    QByteArrayList members { R"("id":"0a1b2c3d-0000-4000-8000-00000000abcd")",
        R"("fireDate":789291000)", R"("label":"Gym")", R"("repeatsDaily":true)",
        R"("isEnabled":true)", R"("isSnooze":false)" };
    const QByteArray prefix = '"' + key + "\":";
    members.removeIf([&](const QByteArray &member) { return member.startsWith(prefix); });
    if (!value.isNull())
        members << prefix + value;
    return '{' + members.join(',') + '}';
}

// A moment in 2026: "01-05T07:30+01:00".
Moment at(QAnyStringView text)
{
    return momentFromIso(u"2026-"_s + text.toString());
}

} // namespace

class ModelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        qunsetenv("TZ");
        qputenv("LC_ALL", "C.UTF-8");
    }

    void storedFormRoundTrip_data()
    {
        QTest::addColumn<double>("fireDate");
        QTest::addColumn<QString>("label");
        // clang-format off
        QTest::newRow("0.1") << 0.1 << u"\"quoted\" \\ back\\slash \u0001\u001f\u007f"_s;
        QTest::newRow("-0.0") << -0.0 << u"line\nbreak\ttab\r"_s;
        QTest::newRow("1e-7") << 1e-7 << u"\u65e5\u672c\u8a9e \U0001F600 e\u0301"_s;
        QTest::newRow("789291000.123456") << 789291000.123456 << u"\uFEFFleading BOM"_s;
        QTest::newRow("largest finite") << std::numeric_limits<double>::max() << QString();
        // clang-format on
    }
    void storedFormRoundTrip()
    {
        QFETCH(double, fireDate);
        QFETCH(QString, label);
        const QList<Alarm> list { { QUuid::createUuid(), fireDate, label, true, false, true },
            { kId, 1, u"second"_s, false, true, false } };
        const QByteArray text = encodeAlarms(list).value();
        QVERIFY2(text.contains(kIdText), "ids are written in upper case");
        const QList<Alarm> back = decodeAlarms(text).value();
        QCOMPARE(back, list);
        QCOMPARE(std::bit_cast<quint64>(back.first().fireDate),
            std::bit_cast<quint64>(fireDate)); // the very same double
        QCOMPARE(back.first().label, label); // code unit for code unit
        QVERIFY(!encodeAlarms({ { kId, qInf(), {}, false, true, false } }));
    }

    void storedFormAccepted_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("fireDate");
        QByteArrayList members = element().mid(1).chopped(1).split(',');
        std::reverse(members.begin(), members.end());
        const QByteArray reversed = '{' + members.join(',') + '}';
        // clang-format off
        QTest::newRow("lower-case id, any member order") << '[' + element() + ',' + reversed + ']' << 789291000.0;
        QTest::newRow("whitespace everywhere") << " \n\t[\r" + element().replace(":", " :\r\n ").replace(",", "\t, ") + " ]\n" << 789291000.0;
        QTest::newRow("extra members") << '[' + element("extra", "{\"id\":[1,{\"b\":null}]}") + ']' << 789291000.0;
        QTest::newRow("-0 is -0.0") << '[' + element("fireDate", "-0") + ']' << -0.0;
        QTest::newRow("0 is +0.0") << '[' + element("fireDate", "0") + ']' << 0.0;
        QTest::newRow("exponent") << '[' + element("fireDate", "7.89291E8") + ']' << 789291000.0;
        // clang-format on
    }
    void storedFormAccepted()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, fireDate);
        const std::optional<QList<Alarm>> list = decodeAlarms(text);
        QVERIFY2(list, text.constData());
        QCOMPARE(*list, QList<Alarm>(list->size(), { kId, fireDate, u"Gym"_s, true, true, false }));
        QCOMPARE(std::bit_cast<quint64>(list->first().fireDate), std::bit_cast<quint64>(fireDate));
        const QByteArray written = encodeAlarms(*list).value();
        QVERIFY2(!written.contains("extra"), "extra members are not written back");
        QVERIFY2(written.contains(kIdText), "ids are written in upper case");
    }

    void storedFormRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        // One bad alarm between two good ones fails the whole list.
        const auto third = [](const QByteArray &bad) -> QByteArray {
            return '[' + element() + ',' + bad + ',' + element() + ']';
        };
        // clang-format off
        const QList<std::pair<QByteArray, QByteArray>> wrongTypes { { "id", "5" },
            { "fireDate", "\"789291000\"" }, { "label", "true" }, { "repeatsDaily", "1" },
            { "isEnabled", "\"true\"" }, { "isSnooze", "[]" } };
        for (const auto &[key, wrong] : wrongTypes) {
            QTest::addRow("%s missing", key.constData()) << third(element(key, {}));
            QTest::addRow("%s null", key.constData()) << third(element(key, "null"));
            QTest::addRow("%s of the wrong type", key.constData()) << third(element(key, wrong));
        }
        for (const char *number : { ".5", "1.", "01", "1e400", "-1e400", "+1", "0x10", "NaN" })
            QTest::addRow("fireDate %s", number) << third(element("fireDate", number));
        const QList<std::pair<const char *, QByteArray>> labels { { "bad escape", "\"\\a\"" },
            { "raw tab", "\"a\tb\"" }, { "byte FF", "\"\xff\"" }, { "overlong", "\"\xc0\xaf\"" },
            { "lone surrogate", "\"\\ud800\"" }, { "UTF-8 surrogate", "\"\xed\xa0\x80\"" },
            { "single quotes", "'Gym'" } };
        for (const auto &[name, label] : labels)
            QTest::addRow("label: %s", name) << third(element("label", label));
        QTest::newRow("id in braces") << third(element("id", "\"{" + kIdText + "}\""));
        QTest::newRow("trailing bytes") << third(element()) + 'x';
        QTest::newRow("trailing bytes after a NUL") << third(element()) + QByteArray("\0x", 2);
        QTest::newRow("not a list") << element();
        QTest::newRow("element not an object") << third("[]");
        QTest::newRow("empty") << QByteArray();
        // clang-format on
    }
    void storedFormRefused()
    {
        QFETCH(QByteArray, text);
        QVERIFY(!decodeAlarms(text));
    }

    void alarmEquality()
    {
        const Alarm a { kId, 789291000.5, u"Caf\u00e9"_s, false, true, false };
        Alarm b = a;
        b.label = u"Cafe\u0301"_s;
        QVERIFY2(a == b && b == a, "labels compare under canonical equivalence");
        QList<Alarm> others(6, a);
        others[0].id = QUuid::createUuid();
        others[1].fireDate = std::nextafter(a.fireDate, 1e10);
        others[2].label = u"Cafe"_s;
        others[3].repeatsDaily = true;
        others[4].isEnabled = false;
        others[5].isSnooze = true;
        for (int i = 0; i < 6; ++i)
            QVERIFY2(!(a == others[i]) && !(others[i] == a),
                qPrintable(u"id fireDate label repeatsDaily isEnabled isSnooze"_s.split(u' ')[i]));
        QVERIFY2((QList { a, others[0] } != QList { others[0], a }), "lists compare in order");
    }

    // Moments in 2026, TZ set per row.
    void nextOccurrence_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("expected");
        // clang-format off
        const QByteArray utc = "UTC", berlin = "Europe/Berlin"; // where 01:30Z shows 02:30 in winter
        QTest::newRow("later today") << utc << "01-01T07:30:45Z" << "01-05T07:00Z" << "01-05T07:30Z";
        QTest::newRow("past: tomorrow") << utc << "01-01T07:30:45Z" << "01-05T08:00Z" << "01-06T07:30Z";
        QTest::newRow("now: tomorrow") << utc << "01-01T07:30:45Z" << "01-05T07:30Z" << "01-06T07:30Z";
        QTest::newRow("local wall time") << "Asia/Tokyo"_ba << "01-01T07:30Z" << "01-05T00:00Z" << "01-05T16:30+09:00";
        QTest::newRow("skipped: end of gap") << berlin << "01-01T01:30Z" << "03-29T00:00Z" << "03-29T01:00Z";
        QTest::newRow("repeated: earlier") << berlin << "01-01T01:30Z" << "10-24T23:00Z" << "10-25T00:30Z";
        QTest::newRow("between: next day") << berlin << "01-01T01:30Z" << "10-25T00:45Z" << "10-26T01:30Z";
        // clang-format on
    }
    void nextOccurrence()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, receiver);
        QFETCH(QString, after);
        QFETCH(QString, expected);
        qputenv("TZ", zone);
        const Moment next = nextOccurrenceOfTimeOfDay(at(receiver), at(after));
        QCOMPARE(isoFromMoment(next, 0), isoFromMoment(at(expected), 0));
    }

    void referenceUlpsBeforeTheMinute()
    {
        qputenv("TZ", "Europe/Berlin");
        const Moment half = at("01-05T07:30+01:00");
        for (Moment after = std::nextafter(half, 0.0); after > half - 1e-6;
             after = std::nextafter(after, 0.0))
            QCOMPARE(isoFromMoment(nextOccurrenceOfTimeOfDay(half, after), 3600),
                isoFromMoment(half, 3600));
    }

    // At 2026-07-01 12:00 UTC, by the system's zone rules, TZ in each of its forms.
    void zones_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QTime>("local");
        QTest::newRow("Mexico City, UTC-6") << "America/Mexico_City"_ba << QTime(6, 0);
        QTest::newRow("Cairo, UTC+3") << "Africa/Cairo"_ba << QTime(15, 0);
        QTest::newRow("Almaty, UTC+5") << "Asia/Almaty"_ba << QTime(17, 0);
        QTest::newRow("Asuncion, UTC-3") << "America/Asuncion"_ba << QTime(9, 0);
        QTest::newRow("Nuuk, UTC-1") << "America/Nuuk"_ba << QTime(11, 0);
        QTest::newRow("name") << "Europe/Berlin"_ba << QTime(14, 0);
        QTest::newRow(":name") << ":Europe/Berlin"_ba << QTime(14, 0);
        QTest::newRow("path") << "/usr/share/zoneinfo/Europe/Berlin"_ba << QTime(14, 0);
        QTest::newRow("rule") << "CET-1CEST,M3.5.0,M10.5.0/3"_ba << QTime(14, 0);
        QTest::newRow("nothing valid: UTC") << "Nowhere/Nothing"_ba << QTime(12, 0);
    }
    void zones()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QTime, local);
        qputenv("TZ", zone);
        QCOMPARE(Calendar::timeOfDay(at("07-01T12:00:59Z")), local);
        QCOMPARE(Calendar::shortTime(at("07-01T12:00:59Z")), local.toString(u"HH:mm"_s));
    }

    // Local calendar days in Europe/Berlin; 0 is today, 1 tomorrow.
    void localDays_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("day");
        // clang-format off
        QTest::newRow("23:40 on, today") << "01-05T23:50+01:00" << "01-05T00:10+01:00" << 0;
        QTest::newRow("20 minutes on, tomorrow") << "01-06T00:10+01:00" << "01-05T23:50+01:00" << 1;
        QTest::newRow("47 hours on, tomorrow") << "03-29T23:30+02:00" << "03-28T00:30+01:00" << 1;
        QTest::newRow("yesterday") << "01-04T23:50+01:00" << "01-05T00:10+01:00" << -1;
        // clang-format on
    }
    void localDays()
    {
        QFETCH(QString, moment);
        QFETCH(QString, now);
        QFETCH(int, day);
        qputenv("TZ", "Europe/Berlin");
        QCOMPARE(Calendar::isDateInToday(at(moment), at(now)), day == 0);
        QCOMPARE(Calendar::isDateInTomorrow(at(moment), at(now)), day == 1);
    }

    void wallTimes()
    {
        qputenv("TZ", "Europe/Berlin");
        QCOMPARE(Calendar::roundedUpToWholeHour(at("03-29T01:37+01:00")), at("03-29T03:00+02:00"));
        QCOMPARE(
            Calendar::roundedUpToWholeHour(at("03-29T03:00:30+02:00")), at("03-29T03:00:30+02:00"));
    }

    void localeFormats()
    {
        qputenv("TZ", "Europe/Berlin");
        qputenv("LC_ALL", "");
        qputenv("LC_TIME", "de_DE.UTF-8");
        qputenv("LANG", "en_US.UTF-8");
        QCOMPARE(Calendar::shortTime(at("01-05T07:30:59+01:00")), u"07:30"_s); // LC_TIME first,
        QCOMPARE(Calendar::abbreviatedDate(at("01-05T07:30:59+01:00")), u"05.01.2026"_s);
        qputenv("LC_ALL", "en_US.UTF-8"); // then LC_ALL before it
        QCOMPARE(Calendar::shortTime(at("01-05T07:30:59+01:00")), u"7:30\u202FAM"_s);
        QCOMPARE(Calendar::abbreviatedDate(at("01-05T07:30:59+01:00")), u"Jan 5, 2026"_s);
    }
};

QTEST_GUILESS_MAIN(ModelTest)
#include "ModelTest.moc"
