#include "alert/AbstractDesktop.h"
#include "alert/AlertPanel.h"
#include "alert/AlertPresenter.h"
#include "alert/CapsuleButton.h"
#include "model/RingingAlarm.h"
#include "widgets/FittedLabel.h"
#include "widgets/LabelText.h"

#include <QCursor>
#include <QScreen>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Two screens side by side: 1440x900, the primary, and 1920x1080 right of it.
// The test stands in for the desktop, and says which window has the focus.
class AlertTest : public QObject, public AbstractDesktop
{
    Q_OBJECT
    std::optional<QRect> m_focused;
    bool m_knowsPointer = true;
    AlertPresenter m_presenter { *this };

    std::optional<QRect> activeWindowFrame() const override { return m_focused; }
    bool knowsPointer() const override { return m_knowsPointer; }
    bool hasCompositor() const override { return false; }
    AlertPanel *panel() const { return m_presenter.panels().value(0); }

    // Rings at the moment 0: 2001-01-01 at 1:00 in Berlin.
    static RingingAlarm ringing(QString label) { return { .label = label }; }

private Q_SLOTS:
    void cleanup() { m_presenter.hide(), m_focused.reset(), m_knowsPointer = true; }

    void screen_data()
    {
        QTest::addColumn<QRect>("focused"); // null: none
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<bool>("knowsPointer");
        QTest::addColumn<int>("screen"); // -1: every screen
        const QPoint left(700, 450), right(2400, 540);
        QTest::newRow("pointer on no screen: primary")
            << QRect() << QPoint(-500, -500) << true << 0;
        QTest::newRow("focused window's, not pointer's")
            << QRect(1500, 9, 800, 600) << left << true << 1;
        QTest::newRow("one with most of focused window")
            << QRect(840, 9, 800, 600) << right << true << 0;
        QTest::newRow("no focused window: pointer's") << QRect() << right << true << 1;
        QTest::newRow("focused window nowhere: pointer's")
            << QRect(-900, -9, 40, 3) << right << true << 1;
        QTest::newRow("focused window, pointer untold")
            << QRect(1500, 9, 800, 600) << left << false << 1;
        QTest::newRow("neither told: every screen") << QRect() << right << false << -1;
    }
    void screen()
    {
        QFETCH(QRect, focused);
        QFETCH(QPoint, pointer);
        QFETCH(bool, knowsPointer);
        QFETCH(int, screen);
        m_focused = focused.isNull() ? std::nullopt : std::optional(focused);
        m_knowsPointer = knowsPointer;
        QCursor::setPos(pointer);
        m_presenter.show(ringing(u"Gym"_s), {}, {});
        QList<QPoint> centres, expected;
        for (const AlertPanel *panel : m_presenter.panels())
            centres << panel->geometry().center();
        for (const QScreen *each : QGuiApplication::screens())
            expected << each->geometry().center();
        if (screen >= 0)
            expected = { expected.value(screen) };
        QCOMPARE(centres, expected);
    }

    // The label is an isolated run: nothing in it can reorder the time, and
    // only a bounded part of it is ever measured, however long it is.
    void subtitle_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown"); // null: too long to show whole
        const auto time = u" \u00B7 1:00\u202FAM"_s;
        QTest::newRow("label and time") << u"Gym"_s << u"\u2068Gym\u2069"_s + time;
        QTest::newRow("no label: the time alone") << QString() << u"1:00\u202FAM"_s;
        QTest::newRow("spaces are a label") << u"   "_s << u"\u2068   \u2069"_s + time;
        QTest::newRow("markup is text") << u"<b>x</b>"_s << u"\u2068<b>x</b>\u2069"_s + time;
        QTest::newRow("right-to-left override")
            << u"\u202EDentist\u202C\u2069\u202E"_s << u"\u2068Dentist\u2069"_s + time;
        QTest::newRow("Hebrew") << u"\u05E9\u05DC\u05D5\u05DD"_s
                                << u"\u2068\u05E9\u05DC\u05D5\u05DD\u2069"_s + time;
        QTest::newRow("five megabytes") << QString(5'000'000, u'x') << QString();
    }
    void subtitle()
    {
        QFETCH(QString, label);
        QFETCH(QString, shown);
        m_presenter.show(ringing(u"Earlier"_s), {}, {});
        const QPointer<AlertPanel> earlier = panel();
        m_presenter.show(ringing(label), {}, {});
        QVERIFY2(!earlier || !earlier->isVisible(), "the earlier panel is still up");
        auto *subtitle = panel()->findChild<FittedLabel *>(u"subtitle"_s);
        if (!shown.isNull())
            QCOMPARE(subtitle->shownText(), shown);
        QVERIFY2(subtitle->text().size() < LabelText::kLongestShown + 20,
            "the whole label is measured at every paint");
    }

    void press_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("onCapsule");
        QTest::newRow("snooze") << u"snooze"_s << true;
        QTest::newRow("dismiss") << u"dismiss"_s << true;
        QTest::newRow("corner of the box, off the capsule") << u"snooze"_s << false;
    }
    void press()
    {
        QFETCH(QString, button);
        QFETCH(bool, onCapsule);
        QStringList ran;
        m_presenter.show(
            ringing(u"Gym"_s), [&] { ran << u"snooze"_s; }, [&] { ran << u"dismiss"_s; });
        auto *capsule = panel()->findChild<CapsuleButton *>(button + u"Button"_s);
        const QPoint at = onCapsule ? capsule->rect().center() : QPoint(1, capsule->height() - 2);
        QTest::mouseClick(capsule, Qt::LeftButton, {}, at);
        QTest::mouseClick(capsule, Qt::LeftButton, {}, at);
        QCOMPARE(ran, (onCapsule ? QStringList { button, button } : QStringList()));
    }

    void panelDroppedByItsOwnPressLivesToTheEndOfIt()
    {
        bool aliveInPress = false;
        m_presenter.show(ringing(u"Gym"_s), {}, [&] {
            const QPointer<AlertPanel> pressed = panel();
            m_presenter.hide();
            aliveInPress = pressed;
        });
        const QPointer<AlertPanel> shown = panel();
        QTest::mouseClick(shown->findChild<CapsuleButton *>(u"dismissButton"_s), Qt::LeftButton);
        QVERIFY2(aliveInPress, "the panel was deleted inside its own button's press");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!shown, "the dropped panel was never deleted");
    }
};

QTEST_MAIN(AlertTest)
#include "AlertTest.moc"
