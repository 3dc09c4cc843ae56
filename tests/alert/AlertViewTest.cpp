#include "alert/AlertView.h"
#include "AlertFixture.h"
#include "alert/CapsuleButton.h"
#include "widgets/CreditLine.h"
#include "model/Calendar.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class AlertViewTest : public QObject
{
    Q_OBJECT

private:
    int m_snoozes = 0;
    int m_dismissals = 0;

    std::unique_ptr<AlertView> makeView(const QString &label, QSize size = { 528, 330 })
    {
        m_snoozes = m_dismissals = 0;
        auto view = std::make_unique<AlertView>(
            ringing(label), [this] { ++m_snoozes; }, [this] { ++m_dismissals; });
        view->resize(size);
        view->show(); // a hidden widget gets its resize event only when shown
        return view;
    }

private Q_SLOTS:
    void layoutAtTheWorkedExample()
    {
        // The panel of a 1440 × 900 screen: 528 × 330, u = 300.
        const auto view = makeView(u"Wake up"_s);
        const AlertView::Metrics m = view->metrics();
        QCOMPARE(m.unit, 300.0);
        const auto *title = view->findChild<FittedLabel *>(u"title"_s);
        const auto *subtitle = view->findChild<FittedLabel *>(u"subtitle"_s);
        const auto *snooze = view->findChild<CapsuleButton *>(u"snoozeButton"_s);
        const auto *dismiss = view->findChild<CapsuleButton *>(u"dismissButton"_s);
        const auto *credit = view->findChild<CreditLine *>(u"creditLine"_s);
        QCOMPARE(pixelSize(title->textFont(), view.get()), 60.0);
        QCOMPARE(pixelSize(subtitle->textFont(), view.get()), 19.5);
        QCOMPARE(pixelSize(snooze->font(), view.get()), 18.0);
        QCOMPARE(credit->fontSize(), 12.0);

        // Title, subtitle, the buttons side by side 18 apart and centred, and
        // the credit line 21 above the bottom edge.
        QVERIFY(title->geometry().bottom() < subtitle->geometry().top());
        QVERIFY(subtitle->geometry().bottom() < snooze->geometry().top());
        QCOMPARE(snooze->geometry().top(), dismiss->geometry().top());
        QVERIFY(qAbs(dismiss->x() - (snooze->geometry().right() + 1) - 18) <= 1);
        QVERIFY(qAbs(snooze->x() - (528 - dismiss->geometry().right() - 1)) <= 1);
        QVERIFY(qAbs(credit->geometry().bottom() + 1 - (330 - 21)) <= 1);
        // A capsule is its title padded by 1.1 and 0.5 times the font size.
        const QFontMetricsF metrics(snooze->font(), snooze);
        QVERIFY(
            qAbs(snooze->width() - (metrics.horizontalAdvance(snooze->text()) + 2 * 19.8)) <= 1);
        QVERIFY(qAbs(snooze->height() - (metrics.height() + 2 * 9)) <= 1);
        // The two flexible spaces share the free height equally.
        const int above = title->y() - m.columnSpacing;
        const int between = snooze->y() - subtitle->geometry().bottom() - 1 - 2 * m.columnSpacing;
        QVERIFY2(qAbs(above - between) <= 1, qPrintable(u"%1 %2"_s.arg(above).arg(between)));
    }

    // Stroked wholly inside the card's edge, and never thinner than 8.
    void borderLiesInsideTheCardEdge_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("border");
        QTest::newRow("u 300") << QSize(528, 330) << 12;
        QTest::newRow("u 150") << QSize(264, 165) << 8;
    }
    void borderLiesInsideTheCardEdge()
    {
        QFETCH(QSize, size);
        QFETCH(int, border);
        const auto view = makeView(u"Wake up"_s, size);
        QCOMPARE(view->metrics().borderWidth, border);
        const QImage image = view->grab().toImage();
        const int middle = size.height() / 2;
        for (int x : { 0, border - 1 }) {
            QCOMPARE(image.pixelColor(x, middle), AlertView::lightBlue());
            QCOMPARE(image.pixelColor(size.width() - 1 - x, middle), AlertView::lightBlue());
        }
        QCOMPARE(image.pixelColor(border + 1, middle), AlertView::red());
        QCOMPARE(image.pixelColor(size.width() / 2, border + 1), AlertView::red());
        QVERIFY(image.pixelColor(0, 0) != AlertView::lightBlue()); // the rounded corner
        // A capsule: dark blue inside its light-blue border.
        const auto *snooze = view->findChild<CapsuleButton *>(u"snoozeButton"_s);
        const QPoint left(snooze->x(), snooze->y() + snooze->height() / 2);
        QCOMPARE(image.pixelColor(left + QPoint(1, 0)), AlertView::lightBlue());
        QCOMPARE(image.pixelColor(left + QPoint(5, 0)), AlertView::darkBlue());
    }

    void subtitle_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("expected"); // %1 is the short time
        QTest::newRow("empty label: the time alone") << QString() << u"%1"_s;
        QTest::newRow("the test alert") << u"Test"_s << u"Test \u00B7 %1"_s;
        QTest::newRow("spaces are not empty") << u"   "_s << u"    \u00B7 %1"_s;
        QTest::newRow("markup stays text")
            << u"<b>x</b> & <img src=x>"_s << u"<b>x</b> & <img src=x> \u00B7 %1"_s;
    }
    void subtitle()
    {
        QFETCH(QString, label);
        QFETCH(QString, expected);
        const auto view = makeView(label);
        const auto *subtitle = view->findChild<FittedLabel *>(u"subtitle"_s);
        expected = expected.arg(Calendar::shortTime(kScheduled));
        QCOMPARE(subtitle->text(), expected);
        // It fits at full size: drawn as it stands, characters and all.
        QCOMPARE(subtitle->shownText(), expected);
        QCOMPARE(subtitle->shownFont(), subtitle->textFont());
    }

    void longLabelShrinksThenIsCutNeverWraps()
    {
        const auto fitting
            = makeView(u"Take the bread out of the oven, then call the plumber back"_s);
        const auto *shrunk = fitting->findChild<FittedLabel *>(u"subtitle"_s);
        const qreal scale = pixelSize(shrunk->shownFont(), shrunk) / 19.5;
        QVERIFY2(scale >= 0.5 && scale < 1, qPrintable(QString::number(scale)));
        QCOMPARE(shrunk->shownText(), shrunk->text());

        const auto cut = makeView(QString(u"Water the plants on the balcony "_s).repeated(6));
        const auto *label = cut->findChild<FittedLabel *>(u"subtitle"_s);
        QCOMPARE(pixelSize(label->shownFont(), label), 19.5 / 2);
        QVERIFY(label->shownText().endsWith(QChar(0x2026)));
        QVERIFY(label->text().startsWith(label->shownText().chopped(1)));
        QVERIFY(QFontMetricsF(label->shownFont(), label).horizontalAdvance(label->shownText())
            <= label->width());
        // One full-size line high, never a second line.
        QCOMPARE(label->height(), qCeil(QFontMetricsF(label->textFont(), label).height()));
    }

    void press_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QPoint>("at"); // from the button's top left; -1 for its far edge
        QTest::addColumn<int>("snoozes");
        QTest::addColumn<int>("dismissals");
        // (QTest reads the point 0,0 as "the middle", so corners start at 1,0.)
        for (const QString &name : { u"snoozeButton"_s, u"dismissButton"_s }) {
            const bool snooze = name == u"snoozeButton"_s;
            const auto row = [&](const char *where, QPoint at, bool presses) {
                QTest::addRow("%s %s", qPrintable(name), where)
                    << name << at << int(presses && snooze) << int(presses && !snooze);
            };
            row("middle", QPoint(), true);
            row("inside the rounded end", QPoint(2, -2), true); // -2: half the height
            row("top left corner", QPoint(1, 0), false);
            row("top right corner", QPoint(-1, 0), false);
            row("bottom left corner", QPoint(1, -1), false);
            row("near the corner", QPoint(3, 2), false);
        }
    }
    void press()
    {
        QFETCH(QString, buttonName);
        QFETCH(QPoint, at);
        QFETCH(int, snoozes);
        QFETCH(int, dismissals);
        const auto view = makeView(u"Wake up"_s);
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        auto *button = view->findChild<CapsuleButton *>(buttonName);
        const auto place = [](int v, int size) {
            return v == -1 ? size - 1 : v == -2 ? size / 2 : v;
        };
        at = at.isNull() ? button->rect().center()
                         : QPoint(place(at.x(), button->width()), place(at.y(), button->height()));
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
        QCOMPARE(m_snoozes, snoozes);
        QCOMPARE(m_dismissals, dismissals);
    }

    // The alert comes up over whatever the user is typing into: nothing in it
    // may take the keyboard, but a screen reader reads every part.
    void screenReaderReadsItButTheKeyboardStaysOut_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("title") << u"title"_s << QAccessible::StaticText << u"Brisvane"_s;
        QTest::newRow("subtitle") << u"subtitle"_s << QAccessible::StaticText
                                  << AlertView::subtitle(ringing(u"Wake up"_s));
        QTest::newRow("snooze") << u"snoozeButton"_s << QAccessible::Button << u"Snooze 5 min"_s;
        QTest::newRow("dismiss") << u"dismissButton"_s << QAccessible::Button << u"Dismiss"_s;
        QTest::newRow("credit line") << u"creditLine"_s << QAccessible::Link << u"Quillmere"_s;
    }
    void screenReaderReadsItButTheKeyboardStaysOut()
    {
        QFETCH(QString, objectName);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, name);
        const auto view = makeView(u"Wake up"_s);
        auto *widget = view->findChild<QWidget *>(objectName);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), role);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(AlertViewTest)
#include "AlertViewTest.moc"
