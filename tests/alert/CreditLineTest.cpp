#include "widgets/CreditLine.h"
#include "AlertFixture.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QImage>
#include <QTest>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {
const QColor kText(0x40, 0x40, 0x40);
const QColor kLink(0x00, 0x70, 0xE0);
const QStringList kTexts = { u"Thoughtful software"_s, u"Quillmere"_s, u"Crafted with care"_s };
} // namespace

class CreditLineTest : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> m_opened; // what the desktop would have opened
public Q_SLOTS:
    void open(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    void init()
    {
        m_opened.clear();
        QDesktopServices::setUrlHandler(u"http"_s, this, "open");
    }
    void cleanup() { QDesktopServices::unsetUrlHandler(u"http"_s); }

    void linkStandsOutBetweenTheTexts()
    {
        // Large enough that the strokes have pixels of the pure colour.
        CreditLine line(32, kText, kLink);
        line.resize(line.sizeHint());
        const QList<CreditLine::Piece> pieces = line.pieces();
        QCOMPARE(pieces.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(pieces[i].text, kTexts[i]);
            QCOMPARE(pieces[i].font.weight(), i == 1 ? QFont::DemiBold : QFont::Normal);
            // 0.4 times the font size between the texts.
            if (i > 0)
                QVERIFY(qAbs(pieces[i].rect.left() - pieces[i - 1].rect.right() - 12.8) < 0.01);
        }
        // The link colour is painted on the link and nowhere else.
        const QImage image = line.grab().toImage();
        int linkInside = 0, linkOutside = 0, textInside = 0, textOutside = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                const bool inside = pieces[1].rect.contains(QPointF(x + 0.5, y + 0.5));
                if (colour == kLink)
                    ++(inside ? linkInside : linkOutside);
                else if (colour == kText)
                    ++(inside ? textInside : textOutside);
            }
        }
        QVERIFY(linkInside > 20 && textOutside > 20);
        QCOMPARE(linkOutside + textInside, 0);
    }

    void shrinksBeforeItIsCut_data()
    {
        QTest::addColumn<qreal>("widthFactor"); // of the natural width
        QTest::addColumn<qreal>("scale"); // 0: somewhere between 0.5 and 1
        QTest::addColumn<bool>("cut");
        QTest::newRow("exactly enough") << 1.0 << 1.0 << false;
        QTest::newRow("three quarters") << 0.75 << 0.0 << false;
        QTest::newRow("below half") << 0.4 << 0.5 << true;
    }
    void shrinksBeforeItIsCut()
    {
        QFETCH(qreal, widthFactor);
        QFETCH(qreal, scale);
        QFETCH(bool, cut);
        // Large enough that whole-pixel glyphs do not blur the half-size limit.
        CreditLine line(40, kText, kLink);
        const int height = line.sizeHint().height();
        line.resize(int(line.sizeHint().width() * widthFactor), height);
        const QList<CreditLine::Piece> pieces = line.pieces();
        const qreal shown = pixelSize(pieces[0].font, &line) / 40;
        QVERIFY2(scale > 0 ? qAbs(shown - scale) < 0.001 : shown > 0.5 && shown < 1,
            qPrintable(QString::number(shown)));
        for (int i = 0; i < pieces.size(); ++i) {
            // One line, inside the widget; all but a cut last text whole.
            QVERIFY(pieces[i].rect.right() <= line.width() + 0.01);
            QVERIFY(pieces[i].rect.bottom() <= height + 0.01);
            if (i < pieces.size() - 1 || !cut)
                QCOMPARE(pieces[i].text, kTexts[i]);
        }
        QCOMPARE(pieces.size() < 3 || pieces.last().text.endsWith(QChar(0x2026)), cut);
    }

    void pointingHandOnlyOverTheLink()
    {
        QWidget window;
        window.setCursor(Qt::CrossCursor);
        auto *line = new CreditLine(20, kText, kLink, &window);
        line->resize(line->sizeHint());
        window.resize(line->width(), line->height() + 40);
        line->move(0, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<CreditLine::Piece> pieces = line->pieces();
        for (const int piece : { 0, 1, 2, 1 }) {
            QTest::mouseMove(line, pieces[piece].rect.center().toPoint());
            QCOMPARE(line->cursor().shape(), piece == 1 ? Qt::PointingHandCursor : Qt::CrossCursor);
        }
        // Off the line altogether, straight from the link.
        QTest::mouseMove(&window, QPoint(2, 2));
        QCOMPARE(line->cursor().shape(), Qt::CrossCursor);
    }

    void opensTheMakersSite_data()
    {
        QTest::addColumn<int>("pressOn"); // index of the piece; -1 for a key
        QTest::addColumn<int>("releaseOn"); // the piece, or the key
        QTest::addColumn<bool>("opens");
        QTest::newRow("click on the link") << 1 << 1 << true;
        QTest::newRow("click on a text") << 0 << 0 << false;
        QTest::newRow("press on the link, release elsewhere") << 1 << 2 << false;
        QTest::newRow("Return") << -1 << int(Qt::Key_Return) << true;
        QTest::newRow("Space") << -1 << int(Qt::Key_Space) << true;
        QTest::newRow("Escape") << -1 << int(Qt::Key_Escape) << false;
        QTest::newRow("screen reader") << -1 << 0 << true;
    }
    void opensTheMakersSite()
    {
        QFETCH(int, pressOn);
        QFETCH(int, releaseOn);
        QFETCH(bool, opens);
        CreditLine line(13, kText, kLink);
        line.resize(line.sizeHint());
        line.show();
        QVERIFY(QTest::qWaitForWindowExposed(&line));
        const QList<CreditLine::Piece> pieces = line.pieces();
        if (pressOn >= 0) {
            QTest::mousePress(&line, Qt::LeftButton, {}, pieces[pressOn].rect.center().toPoint());
            QTest::mouseRelease(
                &line, Qt::LeftButton, {}, pieces[releaseOn].rect.center().toPoint());
        } else if (releaseOn) {
            QTest::keyClick(&line, Qt::Key(releaseOn));
        } else {
            QAccessible::queryAccessibleInterface(&line)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        }
        QCOMPARE(m_opened, opens ? QList<QUrl> { CreditLine::makerUrl() } : QList<QUrl> {});
        QVERIFY(CreditLine::makerUrl().isValid() && !CreditLine::makerUrl().host().isEmpty());
    }
};

QTEST_MAIN(CreditLineTest)
#include "CreditLineTest.moc"
