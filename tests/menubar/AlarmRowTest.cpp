#include "menubar/AlarmRow.h"
#include "WindowFixture.h"
#include "menubar/ToggleSwitch.h"
#include "platform/Translations.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Runs twice in Berlin (see CMakeLists.txt): with LANG=de_DE.UTF-8 the row
// speaks German, with LANG=C it shows its English source texts. Either way
// the user's own label stays exactly as typed.
class AlarmRowTest : public QObject
{
    Q_OBJECT

private:
    bool m_german = false;

    static Alarm alarm(const QString &fireDate, const QString &kind, const QString &label)
    {
        Alarm alarm;
        alarm.fireDate = momentFromIso(fireDate);
        alarm.label = label;
        alarm.repeatsDaily = kind.contains(u"daily"_s);
        alarm.isSnooze = kind.contains(u"snoozed"_s);
        alarm.isEnabled = !kind.contains(u"off"_s);
        return alarm;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray language = qgetenv("BRISVANE_EXPECTED_LANGUAGE");
        QVERIFY2(language == "de" || language == "source", "set BRISVANE_EXPECTED_LANGUAGE");
        m_german = language == "de";
        Translations::install(QLocale());
    }

    void texts_data()
    {
        QTest::addColumn<QString>("fireDate");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("german");
        const auto row = [](const char *tag, const char *at, const char *kind, const QString &label,
                             const char *widget, const QString &source, const QString &german) {
            QTest::newRow(tag) << u"2026-01-0%1:00+01:00"_s.arg(QLatin1StringView(at))
                               << QString::fromLatin1(kind) << label << QString::fromLatin1(widget)
                               << source << german;
        };
        // Now is Monday 2026-01-05, 22:00 in Berlin.
        row("today", "5T23:30", "once", u"Gym"_s, "details", u"Gym · Once · today"_s,
            u"Gym · Einmal · heute"_s);
        row("tomorrow, past midnight in UTC", "6T00:30", "once", QString(), "details",
            u"Once · tomorrow"_s, u"Einmal · morgen"_s);
        row("later date", "9T07:30", "once", u"Gym"_s, "details", u"Gym · Once · 9 Jan 2026"_s,
            u"Gym · Einmal · 09.01.2026"_s);
        row("finished", "5T07:30", "once off", u"Gym"_s, "details", u"Gym · Once · finished"_s,
            u"Gym · Einmal · erledigt"_s);
        row("switched off while still ahead", "6T07:30", "once off", QString(), "details",
            u"Once · finished"_s, u"Einmal · erledigt"_s);
        row("daily", "6T07:30", "daily", u"Gym"_s, "details", u"Gym · Every day"_s,
            u"Gym · Täglich"_s);
        row("daily, off", "6T07:30", "daily off", QString(), "details", u"Every day"_s,
            u"Täglich"_s);
        row("snoozed", "5T22:05", "once snoozed", u"Gym"_s, "details", u"Gym · Snoozed"_s,
            u"Gym · Schlummert"_s);
        row("snoozed, off", "5T22:05", "once snoozed off", QString(), "details", u"Snoozed"_s,
            u"Schlummert"_s);
        row("label as stored, markup and all", "5T23:00", "once", u"  <b>x</b> "_s, "details",
            u"  <b>x</b>  · Once · today"_s, u"  <b>x</b>  · Einmal · heute"_s);
        row("switch on", "6T07:30", "daily", u"Gym"_s, "enabledSwitch", u"On, 07:30 Gym"_s,
            u"Ein, 07:30 Gym"_s);
        row("switch off", "6T07:30", "daily off", u"Gym"_s, "enabledSwitch", u"Off, 07:30 Gym"_s,
            u"Aus, 07:30 Gym"_s);
        row("bin", "6T07:30", "daily", u"Gym"_s, "deleteButton", u"Delete alarm 07:30 Gym"_s,
            u"Wecker 07:30 Gym löschen"_s);
    }
    void texts()
    {
        QFETCH(QString, fireDate);
        QFETCH(QString, kind);
        QFETCH(QString, label);
        QFETCH(QString, widget);
        QFETCH(QString, source);
        QFETCH(QString, german);
        WindowFixture f(u"2026-01-05T22:00:00+01:00"_s);
        const Alarm shown = alarm(fireDate, kind, label);
        AlarmRow row(*f.store, shown);
        QCOMPARE(row.findChild<ToggleSwitch *>(u"enabledSwitch"_s)->isChecked(), shown.isEnabled);
        if (auto *details = qobject_cast<QLabel *>(row.findChild<QWidget *>(widget))) {
            QCOMPARE(details->text(), m_german ? german : source);
            QCOMPARE(details->textFormat(), Qt::PlainText);
        } else {
            QCOMPARE(
                f.accessibleName(row.findChild<QWidget *>(widget)), m_german ? german : source);
        }
    }

    void timeIsDimmedWhenOffWithDigitsOfOneWidth()
    {
        WindowFixture f(u"2026-01-05T22:00:00+01:00"_s);
        AlarmRow onRow(*f.store, alarm(u"2026-01-06T07:30:00+01:00"_s, u"once"_s, QString()));
        AlarmRow offRow(*f.store, alarm(u"2026-01-06T07:30:00+01:00"_s, u"once off"_s, QString()));
        auto *onTime = onRow.findChild<QLabel *>(u"time"_s);
        const auto colour = [](AlarmRow &row) {
            return row.findChild<QLabel *>(u"time"_s)->palette().color(QPalette::WindowText);
        };
        QVERIFY(colour(offRow).alphaF() < colour(onRow).alphaF());
        // Times line up in the list only if all digits are equally wide.
        const QFontMetricsF metrics(onTime->font());
        for (char16_t digit = u'1'; digit <= u'9'; ++digit)
            QCOMPARE(metrics.horizontalAdvance(digit), metrics.horizontalAdvance(u'0'));
    }
};

QTEST_MAIN(AlarmRowTest)
#include "AlarmRowTest.moc"
