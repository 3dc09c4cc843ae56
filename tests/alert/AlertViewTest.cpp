#include "alert/AlertView.h"
#include "alert/CapsuleButton.h"
#include "alert/FittedLabel.h"
#include "menubar/CreditLine.h"
#include "model/Calendar.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
// 2026-01-05 07:30 UTC.
constexpr Moment kScheduled = 789291000;

qreal pixelSize(const QFont &font, const QWidget *widget)
{
    return font.pointSizeF() * widget->logicalDpiY() / 72.0;
}
} // namespace

class AlertViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void borderNeverThinnerThanEight_data();
    void borderNeverThinnerThanEight();
    void layoutAtTheWorkedExample();
    void borderLiesInsideTheCardEdge_data();
    void borderLiesInsideTheCardEdge();
    void subtitle_data();
    void subtitle();
    void longLabelShrinksThenIsCut();
    void titleShrinksOnANarrowCard();
    void pressesCallTheirOwnAction();
    void cornersOfTheButtonBoxDoNothing();
    void screenReaderReadsItButTheKeyboardStaysOut_data();
    void screenReaderReadsItButTheKeyboardStaysOut();

private:
    struct Presses
    {
        int snooze = 0;
        int dismiss = 0;
    };
    static std::unique_ptr<AlertView> makeView(
        const QString &label, Presses *presses, QSize size = { 528, 330 })
    {
        RingingAlarm alarm;
        alarm.label = label;
        alarm.scheduledFor = kScheduled;
        auto view = std::make_unique<AlertView>(
            alarm, [presses] { ++presses->snooze; }, [presses] { ++presses->dismiss; });
        view->resize(size);
        // A hidden widget gets its resize event only when it is shown.
        view->show();
        return view;
    }
};

void AlertViewTest::workedExample()
{
    // The panel of a 1440 × 900 screen: 528 × 330, u = 300.
    const AlertView::Metrics m = AlertView::Metrics::forHeight(330);
    QCOMPARE(m.unit, 300.0);
    QCOMPARE(m.cornerRadius, 18.0);
    QCOMPARE(m.borderWidth, 12.0);
    QCOMPARE(m.columnSpacing, 9.0);
    QCOMPARE(m.sidePadding, 30.0);
    QCOMPARE(m.titleFontSize, 60.0);
    QCOMPARE(m.subtitleFontSize, 19.5);
    QCOMPARE(m.buttonFontSize, 18.0);
    QCOMPARE(m.buttonPaddingX, 19.8);
    QCOMPARE(m.buttonPaddingY, 9.0);
    QCOMPARE(m.buttonSpacing, 18.0);
    QCOMPARE(m.creditFontSize, 12.0);
    QCOMPARE(m.creditPaddingAbove, 36.0);
    QCOMPARE(m.creditPaddingBelow, 21.0);
}

void AlertViewTest::borderNeverThinnerThanEight_data()
{
    QTest::addColumn<qreal>("unit");
    QTest::addColumn<qreal>("border");
    QTest::newRow("u 100") << 100.0 << 8.0;
    QTest::newRow("u 199") << 199.0 << 8.0;
    QTest::newRow("u 200") << 200.0 << 8.0;
    QTest::newRow("u 250") << 250.0 << 10.0;
    QTest::newRow("u 360") << 360.0 << 14.4;
}

void AlertViewTest::borderNeverThinnerThanEight()
{
    QFETCH(qreal, unit);
    QFETCH(qreal, border);
    QCOMPARE(AlertView::Metrics::forHeight(unit * 1.1).borderWidth, border);
}

void AlertViewTest::layoutAtTheWorkedExample()
{
    Presses presses;
    const auto view = makeView(u"Wake up"_s, &presses);
    const AlertView::Metrics m = view->metrics();
    const auto *title = view->findChild<FittedLabel *>(u"title"_s);
    const auto *subtitle = view->findChild<FittedLabel *>(u"subtitle"_s);
    const auto *snooze = view->findChild<CapsuleButton *>(u"snoozeButton"_s);
    const auto *dismiss = view->findChild<CapsuleButton *>(u"dismissButton"_s);
    const auto *credit = view->findChild<CreditLine *>(u"creditLine"_s);
    QVERIFY(title && subtitle && snooze && dismiss && credit);

    QCOMPARE(title->text(), u"Brisvane"_s);
    QCOMPARE(snooze->text(), u"Snooze 5 min"_s);
    QCOMPARE(dismiss->text(), u"Dismiss"_s);
    QCOMPARE(pixelSize(title->textFont(), view.get()), 60.0);
    QCOMPARE(pixelSize(subtitle->textFont(), view.get()), 19.5);
    QCOMPARE(pixelSize(snooze->font(), view.get()), 18.0);
    QCOMPARE(credit->fontSize(), 12.0);
    QVERIFY(title->textFont().weight() > subtitle->textFont().weight());

    // Top to bottom: title, subtitle, then the buttons side by side, then the
    // credit line 21 above the bottom edge.
    QVERIFY(title->geometry().bottom() < subtitle->geometry().top());
    QVERIFY(subtitle->geometry().bottom() < snooze->geometry().top());
    QCOMPARE(snooze->geometry().top(), dismiss->geometry().top());
    QCOMPARE(snooze->height(), dismiss->height());
    QVERIFY(qAbs(dismiss->x() - (snooze->geometry().right() + 1) - 18) <= 1);
    const int rowLeft = snooze->x();
    const int rowRight = 528 - (dismiss->geometry().right() + 1);
    QVERIFY(qAbs(rowLeft - rowRight) <= 1);
    QVERIFY(qAbs(credit->geometry().bottom() + 1 - (330 - 21)) <= 1);
    // The column's spacing plus the credit line's own padding.
    QVERIFY(qAbs(credit->y() - (snooze->geometry().bottom() + 1) - (9 + 36)) <= 1);

    // A capsule is its title padded by 1.1 and 0.5 times the font size.
    const QFontMetricsF metrics(snooze->font(), snooze);
    QVERIFY(qAbs(snooze->width() - (metrics.horizontalAdvance(snooze->text()) + 2 * 19.8)) <= 1);
    QVERIFY(qAbs(snooze->height() - (metrics.height() + 2 * 9)) <= 1);

    // The two flexible spaces share the free height equally.
    const int above = title->y() - m.columnSpacing;
    const int between = snooze->y() - subtitle->geometry().bottom() - 1 - 2 * m.columnSpacing;
    QVERIFY2(qAbs(above - between) <= 1, qPrintable(u"%1 %2"_s.arg(above).arg(between)));
    QVERIFY(above > 8);
}

void AlertViewTest::borderLiesInsideTheCardEdge_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("border");
    QTest::newRow("u 300") << QSize(528, 330) << 12;
    QTest::newRow("u 150") << QSize(264, 165) << 8;
}

void AlertViewTest::borderLiesInsideTheCardEdge()
{
    QFETCH(QSize, size);
    QFETCH(int, border);
    Presses presses;
    const auto view = makeView(u"Wake up"_s, &presses, size);
    const QImage image = view->grab().toImage();
    const int middle = size.height() / 2;

    // From the very edge inwards: the border, then the card's red.
    for (int x : { 0, border / 2, border - 1 }) {
        QCOMPARE(image.pixelColor(x, middle), AlertView::lightBlue());
        QCOMPARE(image.pixelColor(size.width() - 1 - x, middle), AlertView::lightBlue());
    }
    QCOMPARE(image.pixelColor(border + 1, middle), AlertView::red());
    QCOMPARE(image.pixelColor(size.width() / 2, border / 2), AlertView::lightBlue());
    QCOMPARE(image.pixelColor(size.width() / 2, border + 1), AlertView::red());
    // The rounded corner leaves the box's very corner uncovered.
    QVERIFY(image.pixelColor(0, 0) != AlertView::red());
    QVERIFY(image.pixelColor(0, 0) != AlertView::lightBlue());

    // A capsule: dark blue inside its 3-pixel light-blue border.
    const auto *snooze = view->findChild<CapsuleButton *>(u"snoozeButton"_s);
    const QPoint left(snooze->x(), snooze->y() + snooze->height() / 2);
    QCOMPARE(image.pixelColor(left + QPoint(1, 0)), AlertView::lightBlue());
    QCOMPARE(image.pixelColor(left + QPoint(5, 0)), AlertView::darkBlue());
    QCOMPARE(image.pixelColor(snooze->geometry().topLeft()), AlertView::red());
}

void AlertViewTest::subtitle_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("expected"); // %1 is the short time

    QTest::newRow("empty label: the time alone") << QString() << u"%1"_s;
    QTest::newRow("the test alert") << u"Test"_s << u"Test \u00B7 %1"_s;
    QTest::newRow("spaces are not empty") << u"   "_s << u"    \u00B7 %1"_s;
    QTest::newRow("markup stays text")
        << u"<b>x</b> <img src=x>"_s << u"<b>x</b> <img src=x> \u00B7 %1"_s;
    QTest::newRow("ampersand") << u"Tea & toast"_s << u"Tea & toast \u00B7 %1"_s;
}

void AlertViewTest::subtitle()
{
    QFETCH(QString, label);
    QFETCH(QString, expected);

    Presses presses;
    const auto view = makeView(label, &presses);
    const auto *subtitle = view->findChild<FittedLabel *>(u"subtitle"_s);
    const QString time = Calendar::shortTime(kScheduled);
    QVERIFY(!time.isEmpty());
    QCOMPARE(subtitle->text(), expected.arg(time));
    // It fits at full size: drawn as it stands, characters and all.
    QCOMPARE(subtitle->shownText(), expected.arg(time));
    QCOMPARE(subtitle->shownFont(), subtitle->textFont());
}

void AlertViewTest::longLabelShrinksThenIsCut()
{
    Presses presses;
    // A label that fits once shrunk, and one too long even at half size.
    const QString medium = u"Take the bread out of the oven, then call the plumber back"_s;
    const QString longLabel = QString(u"Water the plants on the balcony "_s).repeated(6);

    const auto fitting = makeView(medium, &presses);
    const auto *shrunk = fitting->findChild<FittedLabel *>(u"subtitle"_s);
    const qreal textWidth = 528 - 60;
    QVERIFY(
        QFontMetricsF(shrunk->textFont(), shrunk).horizontalAdvance(shrunk->text()) > textWidth);
    const qreal scale = pixelSize(shrunk->shownFont(), shrunk) / 19.5;
    QVERIFY2(scale >= 0.5 && scale < 1, qPrintable(QString::number(scale)));
    QCOMPARE(shrunk->shownText(), shrunk->text());

    const auto cut = makeView(longLabel, &presses);
    const auto *label = cut->findChild<FittedLabel *>(u"subtitle"_s);
    QCOMPARE(pixelSize(label->shownFont(), label), 19.5 / 2);
    QVERIFY(label->shownText().endsWith(QChar(0x2026)));
    QVERIFY(label->text().startsWith(label->shownText().chopped(1)));
    QVERIFY(QFontMetricsF(label->shownFont(), label).horizontalAdvance(label->shownText())
        <= label->width());
    // Never a second line: the label stays one full-size line high.
    QCOMPARE(label->height(), fitting->findChild<FittedLabel *>(u"subtitle"_s)->height());
    QCOMPARE(label->height(), qCeil(QFontMetricsF(label->textFont(), label).height()));
}

void AlertViewTest::titleShrinksOnANarrowCard()
{
    Presses presses;
    const auto view = makeView(QString(), &presses, { 200, 330 });
    const auto *title = view->findChild<FittedLabel *>(u"title"_s);
    const qreal scale = pixelSize(title->shownFont(), title) / 60;
    QVERIFY2(scale >= 0.4 && scale < 1, qPrintable(QString::number(scale)));
    QCOMPARE(title->shownText(), u"Brisvane"_s);
}

void AlertViewTest::pressesCallTheirOwnAction()
{
    Presses presses;
    const auto view = makeView(u"Wake up"_s, &presses);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    auto *snooze = view->findChild<CapsuleButton *>(u"snoozeButton"_s);
    auto *dismiss = view->findChild<CapsuleButton *>(u"dismissButton"_s);

    QTest::mouseClick(snooze, Qt::LeftButton, {}, snooze->rect().center());
    QCOMPARE(presses.snooze, 1);
    QCOMPARE(presses.dismiss, 0);
    QTest::mouseClick(dismiss, Qt::LeftButton, {}, dismiss->rect().center());
    QCOMPARE(presses.snooze, 1);
    QCOMPARE(presses.dismiss, 1);
    // The view never disables itself: a second press runs the action again.
    QTest::mouseClick(dismiss, Qt::LeftButton, {}, QPoint(dismiss->width() / 2, 3));
    QCOMPARE(presses.dismiss, 2);
    QCOMPARE(presses.snooze, 1);
}

void AlertViewTest::cornersOfTheButtonBoxDoNothing()
{
    Presses presses;
    const auto view = makeView(u"Wake up"_s, &presses);
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    for (const char *name : { "snoozeButton", "dismissButton" }) {
        auto *button = view->findChild<CapsuleButton *>(QString::fromLatin1(name));
        const QRect box = button->rect();
        const int before = presses.snooze + presses.dismiss;
        // (QTest reads the point 0,0 as "the middle", so start at 1,0.)
        for (const QPoint corner : { box.topLeft() + QPoint(1, 0), box.topRight(), box.bottomLeft(),
                 box.bottomRight(), box.topLeft() + QPoint(3, 2) }) {
            QTest::mouseClick(button, Qt::LeftButton, {}, corner);
            QVERIFY2(presses.snooze + presses.dismiss == before,
                qPrintable(u"%1 at %2,%3"_s.arg(QString::fromLatin1(name))
                               .arg(corner.x())
                               .arg(corner.y())));
        }
        // Just inside the rounded end, on the middle line, it does press.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(2, box.height() / 2));
        QCOMPARE(presses.snooze + presses.dismiss, before + 1);
    }
    QCOMPARE(presses.snooze, 1);
    QCOMPARE(presses.dismiss, 1);
}

void AlertViewTest::screenReaderReadsItButTheKeyboardStaysOut_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");

    RingingAlarm alarm;
    alarm.label = u"Wake up"_s;
    alarm.scheduledFor = kScheduled;
    QTest::newRow("title") << u"title"_s << QAccessible::StaticText << u"Brisvane"_s;
    QTest::newRow("subtitle") << u"subtitle"_s << QAccessible::StaticText
                              << AlertView::subtitle(alarm);
    QTest::newRow("snooze") << u"snoozeButton"_s << QAccessible::Button << u"Snooze 5 min"_s;
    QTest::newRow("dismiss") << u"dismissButton"_s << QAccessible::Button << u"Dismiss"_s;
    QTest::newRow("credit line") << u"creditLine"_s << QAccessible::Link << u"Quillmere"_s;
}

void AlertViewTest::screenReaderReadsItButTheKeyboardStaysOut()
{
    QFETCH(QString, objectName);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);

    Presses presses;
    const auto view = makeView(u"Wake up"_s, &presses);
    auto *widget = view->findChild<QWidget *>(objectName);
    QVERIFY(widget);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), role);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    // The alert comes up over whatever the user is typing into: nothing in
    // it may take the keyboard.
    QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
}

QTEST_MAIN(AlertViewTest)
#include "AlertViewTest.moc"
