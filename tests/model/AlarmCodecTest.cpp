#include "model/AlarmCodec.h"

#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kId = "0A1B2C3D-0000-4000-8000-00000000ABCD";

QByteArray member(const char *key, const QByteArray &value)
{
    return '"' + QByteArray(key) + "\":" + value;
}

// One stored object with the six members, any of which a row can replace or drop.
QByteArray object(const QMap<QByteArray, QByteArray> &overrides = {})
{
    QMap<QByteArray, QByteArray> members {
        { "id", '"' + kId + '"' },
        { "fireDate", "789291000" },
        { "label", "\"Gym\"" },
        { "repeatsDaily", "false" },
        { "isEnabled", "true" },
        { "isSnooze", "false" },
    };
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
        if (it.value().isNull())
            members.remove(it.key());
        else
            members[it.key()] = it.value();
    }
    QByteArrayList parts;
    for (auto it = members.cbegin(); it != members.cend(); ++it)
        parts << member(it.key().constData(), it.value());
    return '{' + parts.join(',') + '}';
}

// The list text around some elements; a QByteArray, not a lazy concatenation.
QByteArray listOf(const QByteArray &elements)
{
    return QByteArray('[' + elements + ']');
}

Alarm alarm(double fireDate, const QString &label)
{
    return Alarm { QUuid::createUuid(), fireDate, label, true, false, true };
}

} // namespace

class AlarmCodecTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyList()
    {
        QCOMPARE(encodeAlarms({}).value(), QByteArray("[]"));
        QCOMPARE(decodeAlarms("[]").value(), QList<Alarm>());
        QCOMPARE(decodeAlarms(" \n\t[ ]\r\n").value(), QList<Alarm>());
    }

    void roundTrip_data()
    {
        QTest::addColumn<double>("fireDate");
        QTest::addColumn<QString>("label");
        QTest::newRow("whole") << 789291000.0 << u"Gym"_s;
        QTest::newRow("fraction") << 789291000.123456 << QString();
        QTest::newRow("0.1") << 0.1 << u"\"quoted\" \\ back\\slash"_s;
        QTest::newRow("-0.0") << -0.0 << u"line\nbreak\ttab\r"_s;
        QTest::newRow("1e-7") << 1e-7
                              << u"\u65e5\u672c\u8a9e \u0928\u092e\u0938\u094d\u0924\u0947"_s;
        QTest::newRow("largest") << std::numeric_limits<double>::max()
                                 << u"\U0001F600 \U0001F3CB"_s;
        QTest::newRow("smallest subnormal")
            << std::numeric_limits<double>::denorm_min() << u"\uFEFFleading BOM"_s;
        QTest::newRow("control characters") << -1e9 << u"\u0001\u001f\u007f</script>"_s;
    }
    void roundTrip()
    {
        QFETCH(double, fireDate);
        QFETCH(QString, label);
        const QList<Alarm> list { alarm(fireDate, label), alarm(1, u"second"_s) };
        const QByteArray text = encodeAlarms(list).value();
        const QList<Alarm> back = decodeAlarms(text).value();
        QCOMPARE(back, list);
        // Exactly the same double, sign of zero included.
        QCOMPARE(std::signbit(back.first().fireDate), std::signbit(fireDate));
        QCOMPARE(back.first().label, label);
    }

    void compactUpperCaseOutput()
    {
        Alarm a = alarm(12.5, u"x"_s);
        a.id = QUuid::fromString(u"0a1b2c3d-0000-4000-8000-00000000abcd"_s);
        const QByteArray text = encodeAlarms({ a }).value();
        QVERIFY2(text.contains(QByteArray("\"id\":\"" + kId + '"')), text.constData());
        QVERIFY(!text.contains(' ') && !text.contains('\n'));
        QVERIFY(text.startsWith("[{") && text.endsWith("}]"));
    }

    void nonFiniteMomentsFailTheEncoding_data()
    {
        QTest::addColumn<double>("fireDate");
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("+inf") << std::numeric_limits<double>::infinity();
        QTest::newRow("-inf") << -std::numeric_limits<double>::infinity();
    }
    void nonFiniteMomentsFailTheEncoding()
    {
        QFETCH(double, fireDate);
        QVERIFY(!encodeAlarms({ alarm(1, u"fine"_s), alarm(fireDate, u"bad"_s) }));
    }

    void accepted_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("fireDate");
        QTest::newRow("plain") << listOf(object()) << 789291000.0;
        QTest::newRow("lower-case id")
            << listOf(object({ { "id", "\"0a1b2c3d-0000-4000-8000-00000000abcd\"" } }))
            << 789291000.0;
        QTest::newRow("exponent") << listOf(object({ { "fireDate", "7.89291E8" } })) << 789291000.0;
        QTest::newRow("fraction") << listOf(object({ { "fireDate", "-0.5" } })) << -0.5;
        QTest::newRow("-0") << listOf(object({ { "fireDate", "-0" } })) << -0.0;
        QTest::newRow("0") << listOf(object({ { "fireDate", "0" } })) << 0.0;
        QTest::newRow("-0, then a space") << listOf(object({ { "fireDate", "-0 " } })) << -0.0;
        QTest::newRow("extra members, nested") << listOf(
            object({ { "note", "{\"a\":[1,{\"b\":null}],\"c\":\"d\"}" }, { "z", "[[[]]]" } }))
                                               << 789291000.0;
        QTest::newRow("spaces everywhere")
            << QByteArray("\n[ \t" + object().replace(":", " :\r\n ").replace(",", " , ") + " ]\n")
            << 789291000.0;
    }
    void accepted()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, fireDate);
        const std::optional<QList<Alarm>> list = decodeAlarms(text);
        QVERIFY2(list, text.constData());
        QCOMPARE(list->size(), 1);
        QCOMPARE(list->first().id, QUuid::fromString(QString::fromLatin1(kId)));
        QCOMPARE(list->first().fireDate, fireDate);
        QCOMPARE(std::signbit(list->first().fireDate), std::signbit(fireDate));
        QCOMPARE(list->first().label, u"Gym"_s);
        QVERIFY(list->first().isEnabled);
        // Whatever was extra is not written back.
        QVERIFY(!encodeAlarms(*list)->contains("note"));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray good = object();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("alarms!");
        QTest::newRow("truncated") << listOf(good).chopped(8);
        QTest::newRow("trailing text") << QByteArray(listOf(good) + 'x');
        QTest::newRow("object at top") << good;
        QTest::newRow("number at top") << QByteArray("5");
        QTest::newRow("element not an object") << listOf(good + ",3");
        QTest::newRow("nested array element") << listOf(good + ",[]");
        QTest::newRow("second of three lacks isSnooze")
            << listOf(good + ',' + object({ { "isSnooze", {} } }) + ',' + good);
        for (const char *key :
            { "id", "fireDate", "label", "repeatsDaily", "isEnabled", "isSnooze" }) {
            QTest::addRow("%s missing", key) << listOf(object({ { key, {} } }));
            QTest::addRow("%s null", key) << listOf(object({ { key, "null" } }));
            QTest::addRow("%s object", key) << listOf(object({ { key, "{}" } }));
        }
        // A member given twice counts with every value; null is never one.
        QTest::newRow("isEnabled again as null")
            << listOf(object({ { "isEnabled", "true,\"isEnabled\":null" } }));
        QTest::newRow("label again as number")
            << listOf(object({ { "label", "\"a\",\"label\":5" } }));
        QTest::newRow("fireDate as string") << listOf(object({ { "fireDate", "\"789291000\"" } }));
        QTest::newRow("fireDate too large") << listOf(object({ { "fireDate", "1e400" } }));
        QTest::newRow("flag as 1") << listOf(object({ { "isEnabled", "1" } }));
        QTest::newRow("flag as string") << listOf(object({ { "isSnooze", "\"false\"" } }));
        QTest::newRow("label as number") << listOf(object({ { "label", "5" } }));
        QTest::newRow("id braces")
            << listOf(object({ { "id", "\"{0A1B2C3D-0000-4000-8000-00000000ABCD}\"" } }));
        QTest::newRow("id short") << listOf(
            object({ { "id", "\"0A1B2C3D-0000-4000-8000-00000000ABC\"" } }));
        QTest::newRow("id not hex")
            << listOf(object({ { "id", "\"0A1B2C3D-0000-4000-8000-00000000ABCG\"" } }));
        QTest::newRow("id no hyphens")
            << listOf(object({ { "id", "\"0A1B2C3D0000400080000000000ABCD1234\"" } }));
        // What a lax reader lets through.
        QTest::newRow(".5") << listOf(object({ { "fireDate", ".5" } }));
        QTest::newRow("1.") << listOf(object({ { "fireDate", "1." } }));
        QTest::newRow("bad escape") << listOf(object({ { "label", "\"\\a\"" } }));
        QTest::newRow("raw control character") << listOf(object({ { "label", "\"a\tb\"" } }));
        QTest::newRow("invalid UTF-8") << listOf(object({ { "label", "\"\xff\xfe\"" } }));
        QTest::newRow("trailing comma") << listOf(good + ',');
        QTest::newRow("single quotes") << listOf(object({ { "label", "'Gym'" } }));
    }
    void refused()
    {
        QFETCH(QByteArray, text);
        QVERIFY(!decodeAlarms(text));
    }

    void tenThousandAlarmsAndAMegabyteLabel()
    {
        QList<Alarm> many;
        for (int i = 0; i < 10000; ++i)
            many.append(alarm(i * 60.0, QString::number(i)));
        many.append(alarm(1, QString(1 << 20, u'\u00e9')));
        const QByteArray text = encodeAlarms(many).value();
        QCOMPARE(decodeAlarms(text).value(), many);
    }
};

QTEST_GUILESS_MAIN(AlarmCodecTest)
#include "AlarmCodecTest.moc"
