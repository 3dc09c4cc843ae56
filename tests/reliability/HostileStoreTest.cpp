// Damaged and hostile alarms.json files loaded by a real store over the real
// defaults layer: none may crash it. One that does not decode starts the store
// empty and is kept byte for byte beside the next list; a strange but valid
// one loads and rings sanely.

#include "support/StoreFixture.h"

#include <QRandomGenerator>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace {

using Recurrence = AlarmStore::Recurrence;
using Members = QList<std::pair<QByteArray, QByteArray>>;

constexpr Moment kNow = 789291000; // 2026-01-05 07:30:00 UTC
constexpr int kDeep = 100000;
constexpr qsizetype kTenMegabytes = 10 * 1024 * 1024;

Members validMembers(const QByteArray &id = "5C1E0A8E-7B6F-4F43-9E4A-2D8C1B7F3A90")
{
    return { { "id", '"' + id + '"' }, { "fireDate", "789330600" }, { "label", "\"Wake up\"" },
        { "repeatsDaily", "true" }, { "isEnabled", "true" }, { "isSnooze", "false" } };
}

QByteArray object(const Members &members)
{
    QByteArrayList parts;
    for (const auto &[key, value] : members)
        parts.append('"' + key + "\":" + value);
    return '{' + parts.join(',') + '}';
}

// A valid alarm with one member's value replaced, or added when `key` is new.
QByteArray objectWith(const QByteArray &key, const QByteArray &value)
{
    Members members = validMembers();
    auto it = std::find_if(
        members.begin(), members.end(), [&](const auto &member) { return member.first == key; });
    if (it == members.end())
        members.append({ key, value });
    else
        it->second = value;
    return object(members);
}

QByteArray objectWithout(const QByteArray &key)
{
    Members members = validMembers();
    members.removeIf([&](const auto &member) { return member.first == key; });
    return object(members);
}

// The damaged alarm sits between two good ones, which must not load either.
QByteArray listAround(const QByteArray &element)
{
    return '[' + object(validMembers("0F4D2C6B-91A7-4E2B-8C3D-6A5B4C3D2E1F")) + ',' + element + ','
        + object(validMembers("A0B1C2D3-E4F5-4061-8293-A4B5C6D7E8F9")) + ']';
}

QByteArray validList()
{
    Members second = validMembers("0f4d2c6b-91a7-4e2b-8c3d-6a5b4c3d2e1f");
    second[1].second = "789330600.25";
    second[2].second = "\"Caf\u00e9 \u2615 \u65e5\u672c \\\"tea\\\" \\\\ \\n\""_ba;
    second[3].second = "false";
    return '[' + object(validMembers()) + ',' + object(second) + ']';
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
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

        const QByteArray valid = validList();
        for (qsizetype length = 0; length < valid.size(); ++length)
            QTest::addRow("truncated to %lld bytes", qlonglong(length)) << valid.left(length);

        const QList<std::pair<const char *, QByteArray>> values = {
            { "null", "null" },
            { "true", "true" },
            { "false", "false" },
            { "zero", "0" },
            { "one", "1" },
            { "fraction", "-1.5" },
            { "string", "\"text\"" },
            { "empty string", "\"\"" },
            { "array", "[]" },
            { "object", "{}" },
            { "string true", "\"true\"" },
            { "string number", "\"789330600\"" },
        };
        const QByteArrayList keys
            = { "id", "fireDate", "label", "repeatsDaily", "isEnabled", "isSnooze" };
        const auto rightType = [](const QByteArray &key, const QByteArray &value) {
            if (key == "fireDate")
                return value == "0" || value == "1" || value == "-1.5";
            if (key == "label")
                return value.startsWith('"');
            if (key == "id")
                return false; // none of the strings is an identifier
            return value == "true" || value == "false";
        };
        for (const QByteArray &key : keys) {
            for (const auto &[name, value] : values) {
                if (!rightType(key, value))
                    QTest::addRow("%s as %s", key.constData(), name)
                        << listAround(objectWith(key, value));
            }
            QTest::addRow("%s missing", key.constData()) << listAround(objectWithout(key));
        }
        for (const char *id : { "5C1E0A8E7B6F4F439E4A2D8C1B7F3A90", // no hyphens
                 "{5C1E0A8E-7B6F-4F43-9E4A-2D8C1B7F3A90}", "5C1E0A8E-7B6F-4F43-9E4A-2D8C1B7F3A9G",
                 "5C1E0A8E-7B6F-4F43-9E4A-2D8C1B7F3A9", " 5C1E0A8E-7B6F-4F43-9E4A-2D8C1B7F3A90" })
            QTest::addRow("id %s", id) << listAround(objectWith("id", '"' + QByteArray(id) + '"'));
        QTest::newRow("key in other letter case only")
            << listAround(objectWithout("isSnooze").chopped(1) + ",\"IsSnooze\":false}");

        QTest::newRow("fireDate 1e400") << listAround(objectWith("fireDate", "1e400"));
        QTest::newRow("fireDate -1e400") << listAround(objectWith("fireDate", "-1e400"));
        QTest::newRow("1e400 in an ignored member") << listAround(objectWith("extra", "1e400"));

        QTest::newRow("100000 [ at top level") << QByteArray(kDeep, '[') + QByteArray(kDeep, ']');
        QTest::newRow("100000 { at top level") << QByteArray("{\"a\":").repeated(kDeep);
        QTest::newRow("100000 [ never closed in an ignored member")
            << "[{\"extra\":" + QByteArray(kDeep, '[');
        QTest::newRow("100000 { never closed in an ignored member")
            << "[{\"extra\":" + QByteArray("{\"a\":").repeated(kDeep);

        for (const auto &[name, bytes] : QList<std::pair<const char *, QByteArray>> {
                 { "0xFF", "\xff" }, { "overlong slash", "\xc0\xaf" },
                 { "UTF-16 surrogate", "\xed\xa0\x80" }, { "cut sequence", "\xe2\x82" },
                 { "beyond U+10FFFF", "\xf4\x90\x80\x80" }, { "lone continuation", "a\x80z" } }) {
            QTest::addRow("label with %s", name)
                << listAround(objectWith("label", '"' + bytes + '"'));
            QTest::addRow("ignored key with %s", name) << listAround(objectWith(bytes, "1"));
        }
        QTest::newRow("escaped lone high surrogate")
            << listAround(objectWith("label", "\"\\ud800\""));
        QTest::newRow("escaped lone low surrogate")
            << listAround(objectWith("label", "\"x\\udc00\""));
        QTest::newRow("raw line break in label") << listAround(objectWith("label", "\"a\nb\""));

        QTest::newRow("UTF-16LE with BOM") << QByteArray(QStringEncoder(
            QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(QString::fromUtf8(valid)));
        QTest::newRow("UTF-16BE without BOM")
            << QByteArray(QStringEncoder(QStringEncoder::Utf16BE)(QString::fromUtf8(valid)));

        QTest::newRow("NUL after the list") << valid + '\0';
        QTest::newRow("NUL and more after the list") << valid + '\0' + valid;
        QTest::newRow("NUL before the list") << '\0' + valid;
        QTest::newRow("raw NUL in a label")
            << listAround(objectWith("label", QByteArray("\"a\0b\"", 5)));
        QTest::newRow("1 KB of NUL") << QByteArray(1024, '\0');

        QTest::newRow("top-level object") << object(validMembers());
        QTest::newRow("top-level string") << QByteArray("\"[]\"");
        QTest::newRow("two lists") << valid + valid;
        QTest::newRow("whitespace only") << QByteArray(" \n\t\r ");
        QTest::newRow("10 MB of random bytes") << randomBytes(kTenMegabytes, 20260105);
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
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("dueNow");

        QTest::newRow("valid list") << validList() << 2 << 0;
        QTest::newRow("fireDate 1e308") << listAround(objectWith("fireDate", "1e308")) << 3 << 0;
        QTest::newRow("fireDate -1e308") << listAround(objectWith("fireDate", "-1e308")) << 3 << 1;
        QTest::newRow("fireDate 2^64")
            << listAround(objectWith("fireDate", "18446744073709551616")) << 3 << 0;
        QTest::newRow("fireDate -2^63-1")
            << listAround(objectWith("fireDate", "-9223372036854775809")) << 3 << 1;
        QTest::newRow("fireDate smallest subnormal")
            << listAround(objectWith("fireDate", "4.9e-324")) << 3 << 1;
        QTest::newRow("2^64 in an ignored member")
            << listAround(objectWith("extra", "18446744073709551616")) << 3 << 0;
        QTest::newRow("100000 [ in an ignored member")
            << listAround(objectWith("extra", QByteArray(kDeep, '[') + QByteArray(kDeep, ']'))) << 3
            << 0;
        QTest::newRow("100000 { in an ignored member") << listAround(objectWith(
            "extra", QByteArray("{\"id\":").repeated(kDeep) + "null" + QByteArray(kDeep, '}')))
                                                       << 3 << 0;
        QTest::newRow("escaped NUL and emoji in label")
            << listAround(objectWith("label", "\"\\u0000\\ud83d\\ude00\\u0000\"")) << 3 << 0;
        QTest::newRow("10 MB label")
            << '[' + objectWith("label", '"' + hugeLabel() + '"') + ']' << 1 << 0;
    }

    void strangeButValidLoads()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, count);
        QFETCH(int, dueNow);
        StoreFixture f;
        *f.time = kNow;
        f.writeStored(stored);

        AlarmStore &store = f.start();
        QCOMPARE(store.alarms().size(), count);
        // Even an absurd date rings, once, and a daily one moves to a sane day.
        store.checkAlarms();
        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), qsizetype(dueNow));
        for (const Alarm &alarm : store.alarms()) {
            if (alarm.repeatsDaily && alarm.isEnabled)
                QVERIFY2(alarm.fireDate > kNow, qPrintable(QString::number(alarm.fireDate)));
        }
        QVERIFY(f.storedAlarms() == store.alarms());
    }
};

QTEST_GUILESS_MAIN(HostileStoreTest)
#include "HostileStoreTest.moc"
