// Damaged and hostile alarms.json files loaded by a real store over the real
// defaults layer: none may crash it. One that does not decode starts the store
// empty and is kept byte for byte beside the next list; a strange but valid
// one loads and rings sanely. The fuzzer's seed corpus adds its invalid files;
// the decoder's own cases are in AlarmCodecTest.

#include "support/StoreFixture.h"

#include <QDirIterator>
#include <QRandomGenerator>

using namespace Qt::Literals::StringLiterals;

namespace {

using Recurrence = AlarmStore::Recurrence;

constexpr Moment kNow = 789291000; // 2026-01-05 07:30:00 UTC
constexpr int kDeep = 100000;
constexpr qsizetype kTenMegabytes = 10 * 1024 * 1024;

QByteArray list(const QByteArray &fireDate = "789330600",
    const QByteArray &label = "\"Caf\u00e9 \u2615 \\\"tea\\\" \\n\"", const QByteArray &extra = {})
{
    return R"([{"id":"5C1E0A8E-7B6F-4F43-9E4A-2D8C1B7F3A90","fireDate":)" + fireDate
        + R"(,"label":)" + label + R"(,"repeatsDaily":true,"isEnabled":true,"isSnooze":false)"
        + extra + "}]";
}

// A 10 MB label of letters, escapes and multi-byte characters.
QByteArray hugeLabel()
{
    const QByteArray piece = "Tee \\\"gr\u00fcn\\\" \\\\ \u2615 \\u00e9\\n "_ba;
    return piece.repeated(kTenMegabytes / piece.size() + 1);
}

} // namespace

class HostileStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void undecodableStartsEmptyAndIsKept_data()
    {
        QTest::addColumn<QByteArray>("stored");
        for (QDirIterator it(QStringLiteral(BRISVANE_FUZZ_CORPUS), { u"invalid-*"_s });
             it.hasNext();)
            QTest::addRow("%s", qPrintable(it.nextFileInfo().fileName()))
                << StoreFixture::read(it.filePath());

        const QByteArray valid = list();
        for (qsizetype length = 0; length < valid.size(); ++length)
            QTest::addRow("truncated to %lld bytes", qlonglong(length)) << valid.left(length);
        QTest::newRow("fireDate -1e400") << list("-1e400");
        QTest::newRow("100000 [") << QByteArray(kDeep, '[') + QByteArray(kDeep, ']');
        QTest::newRow("100000 {") << QByteArray("{\"a\":").repeated(kDeep);
        QTest::newRow("100000 [ never closed in an ignored member")
            << list("1", "\"\"", ",\"x\":" + QByteArray(kDeep, '['));
        for (const auto &[name, bytes] : QList<std::pair<const char *, QByteArray>> {
                 { "0xFF", "\xff" }, { "overlong slash", "\xc0\xaf" },
                 { "UTF-16 surrogate", "\xed\xa0\x80" }, { "cut sequence", "\xe2\x82" },
                 { "beyond U+10FFFF", "\xf4\x90\x80\x80" }, { "lone continuation", "a\x80z" } }) {
            QTest::addRow("label with %s", name) << list("1", '"' + bytes + '"');
            QTest::addRow("ignored key with %s", name) << list("1", "\"\"", ",\"" + bytes + "\":1");
        }
        QByteArray random(kTenMegabytes, Qt::Uninitialized);
        QRandomGenerator(20260105).fillRange(
            reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
        QTest::newRow("10 MB of random bytes") << random;
        QTest::newRow("10 MB label cut off") << "[{\"label\":\"" + hugeLabel();
    }

    void undecodableStartsEmptyAndIsKept()
    {
        QFETCH(QByteArray, stored);
        StoreFixture f;
        *f.time = kNow;
        f.writeStored(stored);

        AlarmStore &store = f.start();
        QVERIFY(store.alarms().isEmpty());
        store.add(kNow + 3600, u"After"_s, Recurrence::Once);
        const QStringList entries = f.entries();
        QCOMPARE(entries.size(), 2); // alarms.json, alarms.unreadable-….json
        // QCOMPARE would print 10 MB on a mismatch.
        QVERIFY(f.read(f.folder() + u'/' + entries.at(1)) == stored);
        QCOMPARE(f.storedAlarms(), store.alarms());
    }

    void strangeButValidLoads_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("dueNow");
        QTest::newRow("fireDate 1e308") << list("1e308") << false;
        QTest::newRow("fireDate -1e308") << list("-1e308") << true;
        QTest::newRow("fireDate 2^64") << list("18446744073709551616") << false;
        QTest::newRow("fireDate -2^63-1") << list("-9223372036854775809") << true;
        QTest::newRow("fireDate smallest subnormal") << list("4.9e-324") << true;
        QTest::newRow("2^64 in an ignored member")
            << list("789330600", "\"\"", ",\"x\":18446744073709551616") << false;
        QTest::newRow("100000 [ in an ignored member") << list(
            "789330600", "\"\"", ",\"x\":" + QByteArray(kDeep, '[') + QByteArray(kDeep, ']'))
                                                       << false;
        QTest::newRow("100000 { in an ignored member") << list("789330600", "\"\"",
            ",\"x\":" + QByteArray("{\"id\":").repeated(kDeep) + "null" + QByteArray(kDeep, '}'))
                                                       << false;
        QTest::newRow("escaped NUL and emoji in label")
            << list("789330600", "\"\\u0000\\ud83d\\ude00\\u0000\"") << false;
        QTest::newRow("10 MB label") << list("789330600", '"' + hugeLabel() + '"') << false;
    }

    void strangeButValidLoads()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, dueNow);
        StoreFixture f;
        *f.time = kNow;
        f.writeStored(stored);

        AlarmStore &store = f.start();
        QCOMPARE(store.alarms().size(), 1);
        // Even an absurd date rings, once, and moves to a sane day.
        store.checkAlarms();
        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), dueNow ? 1 : 0);
        QVERIFY2(store.alarms().constFirst().fireDate > kNow,
            qPrintable(QString::number(store.alarms().constFirst().fireDate)));
        QVERIFY(f.storedAlarms() == store.alarms());
    }
};

QTEST_GUILESS_MAIN(HostileStoreTest)
#include "HostileStoreTest.moc"
