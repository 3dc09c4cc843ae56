#include "menubar/Translations.h"
#include "FakeLoginItem.h"
#include "alert/AlertView.h"
#include "alert/CapsuleButton.h"
#include "menubar/AlarmListView.h"
#include "menubar/AlarmRow.h"
#include "menubar/CreditLine.h"
#include "menubar/ToggleSwitch.h"
#include "model/Calendar.h"
#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// Runs twice (see CMakeLists.txt): with LANG=de_DE.UTF-8 the program speaks
// German, with LANG=C it shows its English source texts. Either way the
// user's own labels stay as typed.
class TranslationsTest : public QObject
{
    Q_OBJECT

private:
    bool m_german = false;

    const QString &expected(const QString &source, const QString &german) const
    {
        return m_german ? german : source;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray language = qgetenv("BRISVANE_EXPECTED_LANGUAGE");
        QVERIFY2(language == "de" || language == "source", "set BRISVANE_EXPECTED_LANGUAGE");
        m_german = language == "de";
        QVERIFY(qEnvironmentVariableIsEmpty("LC_ALL"));
        Translations::install(QLocale());
    }

    void windowTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("german");
        const auto row = [](const char *name, const char *property, const QString &source,
                             const QString &german) {
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray(property) << source
                                << german;
        };
        row("alarmListView", "windowTitle", u"Brisvane"_s, u"Brisvane"_s);
        row("emptyText", "text", u"No alarms set."_s, u"Keine Wecker gestellt."_s);
        row("timeEdit", "accessibleName", u"Time"_s, u"Uhrzeit"_s);
        row("labelEdit", "placeholderText", u"Label (optional)"_s, u"Bezeichnung (optional)"_s);
        row("repeatDaily", "text", u"Repeat daily"_s, u"Täglich wiederholen"_s);
        row("addButton", "text", u"Add Alarm"_s, u"Wecker stellen"_s);
        row("testAlertButton", "text", u"Test Alert"_s, u"Testalarm"_s);
        row("openAtLogin", "text", u"Open at login"_s, u"Beim Anmelden öffnen"_s);
        row("quitButton", "text", u"Quit"_s, u"Beenden"_s);
    }
    void windowTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(QByteArray, property);
        QFETCH(QString, source);
        QFETCH(QString, german);
        StoreFixture fixture;
        FakeLoginItem login;
        AlarmListView view(fixture.start(), login);
        QObject *object
            = objectName == view.objectName() ? &view : view.findChild<QObject *>(objectName);
        QVERIFY(object);
        QCOMPARE(object->property(property.constData()).toString(), expected(source, german));
    }

    void rowTexts_data()
    {
        QTest::addColumn<QString>("fireDate");
        QTest::addColumn<bool>("repeatsDaily");
        QTest::addColumn<bool>("isEnabled");
        QTest::addColumn<bool>("isSnooze");
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("german");
        // Now is Monday 2026-01-05, 22:00 in Berlin; every alarm is "Gym",
        // and "Gym" it stays.
        QTest::newRow("today") << u"2026-01-05T23:30:00+01:00"_s << false << true << false
                               << u"details"_s << u"Gym · Once · today"_s
                               << u"Gym · Einmal · heute"_s;
        QTest::newRow("tomorrow") << u"2026-01-06T07:30:00+01:00"_s << false << true << false
                                  << u"details"_s << u"Gym · Once · tomorrow"_s
                                  << u"Gym · Einmal · morgen"_s;
        QTest::newRow("later, in the locale's date style")
            << u"2026-01-09T07:30:00+01:00"_s << false << true << false << u"details"_s
            << u"Gym · Once · 9 Jan 2026"_s << u"Gym · Einmal · 09.01.2026"_s;
        QTest::newRow("finished") << u"2026-01-05T07:30:00+01:00"_s << false << false << false
                                  << u"details"_s << u"Gym · Once · finished"_s
                                  << u"Gym · Einmal · erledigt"_s;
        QTest::newRow("daily") << u"2026-01-06T07:30:00+01:00"_s << true << true << false
                               << u"details"_s << u"Gym · Every day"_s << u"Gym · Täglich"_s;
        QTest::newRow("snoozed") << u"2026-01-05T22:05:00+01:00"_s << false << true << true
                                 << u"details"_s << u"Gym · Snoozed"_s << u"Gym · Schlummert"_s;
        QTest::newRow("switch on")
            << u"2026-01-06T07:30:00+01:00"_s << true << true << false << u"enabledSwitch"_s
            << u"On, 07:30 Gym"_s << u"Ein, 07:30 Gym"_s;
        QTest::newRow("switch off")
            << u"2026-01-06T07:30:00+01:00"_s << true << false << false << u"enabledSwitch"_s
            << u"Off, 07:30 Gym"_s << u"Aus, 07:30 Gym"_s;
        QTest::newRow("bin") << u"2026-01-06T07:30:00+01:00"_s << true << true << false
                             << u"deleteButton"_s << u"Delete alarm 07:30 Gym"_s
                             << u"Wecker 07:30 Gym löschen"_s;
    }
    void rowTexts()
    {
        QFETCH(QString, fireDate);
        QFETCH(bool, repeatsDaily);
        QFETCH(bool, isEnabled);
        QFETCH(bool, isSnooze);
        QFETCH(QString, details);
        QFETCH(QString, source);
        QFETCH(QString, german);
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T22:00:00+01:00"_s);
        Alarm alarm;
        alarm.fireDate = momentFromIso(fireDate);
        alarm.label = u"Gym"_s;
        alarm.repeatsDaily = repeatsDaily;
        alarm.isEnabled = isEnabled;
        alarm.isSnooze = isSnooze;
        AlarmRow row(fixture.start(), alarm);
        QWidget *widget = row.findChild<QWidget *>(details);
        QVERIFY(widget);
        const QString text = details == u"details"_s ? static_cast<QLabel *>(widget)->text()
                                                     : widget->accessibleName();
        QCOMPARE(text, expected(source, german));
    }

    void alertTexts()
    {
        RingingAlarm alarm;
        alarm.label = u"Gym"_s;
        alarm.scheduledFor = momentFromIso(u"2026-01-05T07:30:00+01:00"_s);
        AlertView view(
            alarm, [] {}, [] {});
        QCOMPARE(view.findChild<CapsuleButton *>(u"snoozeButton"_s)->text(),
            expected(u"Snooze 5 min"_s, u"5 Min. schlummern"_s));
        QCOMPARE(view.findChild<CapsuleButton *>(u"dismissButton"_s)->text(),
            expected(u"Dismiss"_s, u"Ausschalten"_s));
        // The subtitle is the user's label and the time, in no language.
        QCOMPARE(AlertView::subtitle(alarm), u"Gym · 07:30"_s);
        QCOMPARE(view.findChild<CreditLine *>()->wholeText(),
            expected(u"Thoughtful software Quillmere Crafted with care"_s,
                u"Durchdachte Software Quillmere Mit Sorgfalt gefertigt"_s));
    }

    void timePickerShowsTimesAsTheRowsDo()
    {
        // Qt draws the picker, ICU the rows: both must follow one locale.
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T16:20:00+01:00"_s);
        FakeLoginItem login;
        AlarmListView view(fixture.start(), login);
        QCOMPARE(view.findChild<QTimeEdit *>(u"timeEdit"_s)->text(),
            Calendar::shortTime(momentFromIso(u"2026-01-05T18:00:00+01:00"_s)));
    }
};

QTEST_MAIN(TranslationsTest)
#include "TranslationsTest.moc"
