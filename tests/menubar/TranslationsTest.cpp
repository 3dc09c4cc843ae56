#include "platform/Translations.h"
#include "WindowFixture.h"
#include "alert/AlertView.h"
#include "alert/CapsuleButton.h"
#include "widgets/CreditLine.h"
#include "model/Calendar.h"

#include <QLocale>
#include <QTest>
#include <QTimeEdit>

using namespace Qt::Literals::StringLiterals;

// Runs twice (see CMakeLists.txt): with LANG=de_DE.UTF-8 the program speaks
// German, with LANG=C it shows its English source texts. The rows' texts are
// in AlarmRowTest, which runs the same way.
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
        WindowFixture f;
        AlarmListView &view = f.open();
        QObject *object
            = objectName == view.objectName() ? &view : view.findChild<QObject *>(objectName);
        QVERIFY(object);
        QCOMPARE(object->property(property.constData()).toString(), expected(source, german));
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
        WindowFixture f(u"2026-01-05T16:20:00+01:00"_s);
        QCOMPARE(f.open().findChild<QTimeEdit *>(u"timeEdit"_s)->text(),
            Calendar::shortTime(momentFromIso(u"2026-01-05T18:00:00+01:00"_s)));
    }
};

QTEST_MAIN(TranslationsTest)
#include "TranslationsTest.moc"
