#include "model/Alarm.h"
#include "model/RingingAlarm.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class AlarmTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void equality_data()
    {
        QTest::addColumn<Alarm>("other");
        QTest::addColumn<bool>("equal");

        const Alarm base = reference();
        QTest::newRow("copy") << base << true;
        // "é" precomposed against "e" + COMBINING ACUTE ACCENT
        Alarm decomposed = base;
        decomposed.label = u"Caf\u0065\u0301"_s;
        QTest::newRow("label decomposed") << decomposed << true;

        Alarm other = base;
        other.id = QUuid::createUuid();
        QTest::newRow("id") << other << false;
        other = base;
        other.fireDate = std::nextafter(base.fireDate, 1e12);
        QTest::newRow("fireDate one ulp later") << other << false;
        other = base;
        other.label = u"Cafe"_s;
        QTest::newRow("label") << other << false;
        other = base;
        other.repeatsDaily = true;
        QTest::newRow("repeatsDaily") << other << false;
        other = base;
        other.isEnabled = false;
        QTest::newRow("isEnabled") << other << false;
        other = base;
        other.isSnooze = true;
        QTest::newRow("isSnooze") << other << false;
    }
    void equality()
    {
        QFETCH(Alarm, other);
        QFETCH(bool, equal);
        QCOMPARE(reference() == other, equal);
        QCOMPARE(other == reference(), equal);
    }

    void listEqualityIsOrdered()
    {
        Alarm a = reference();
        Alarm b = reference();
        b.id = QUuid::createUuid();
        const QList<Alarm> list { a, b };
        QCOMPARE(list, (QList<Alarm> { a, b }));
        QVERIFY(list != (QList<Alarm> { b, a }));
    }

    void freshIdentities()
    {
        const Alarm a;
        const Alarm b;
        QVERIFY(a.id != b.id);
        QCOMPARE(a.id.version(), QUuid::Random);
        const RingingAlarm ringing { QUuid::createUuid(), a.label, a.fireDate };
        QVERIFY(ringing.id != a.id);
    }

    void readableFailures()
    {
        // QCOMPARE prints both sides through these; a failure must name the fields.
        std::unique_ptr<char[]> text(toString(reference()));
        const QString printed = QString::fromUtf8(text.get());
        QVERIFY2(printed.contains(u"0A1B2C3D-0000-4000-8000-00000000ABCD"_s), qPrintable(printed));
        QVERIFY2(printed.contains(u"Caf\u00e9"_s), qPrintable(printed));
        QVERIFY2(printed.contains(u"789291000.123456"_s), qPrintable(printed));
        std::unique_ptr<char[]> ringing(toString(RingingAlarm { QUuid(), u"Test"_s, 5 }));
        QVERIFY(QByteArray(ringing.get()).contains("Test"));
    }

private:
    static Alarm reference()
    {
        return Alarm { QUuid::fromString(u"0a1b2c3d-0000-4000-8000-00000000abcd"_s),
            789291000.123456, u"Caf\u00e9"_s, false, true, false };
    }
};

QTEST_GUILESS_MAIN(AlarmTest)
#include "AlarmTest.moc"
