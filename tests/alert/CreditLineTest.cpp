#include "menubar/CreditLine.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {
const QColor kText(0x40, 0x40, 0x40);
const QColor kLink(0x00, 0x70, 0xE0);
} // namespace

// Collects what the desktop would have opened.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class CreditLineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void textsInOrderWithGaps();
    void onlyTheLinkIsSemiboldAndColoured();
    void linkColourIsPaintedOnlyOnTheLink();
    void shrinksBeforeItIsCut_data();
    void shrinksBeforeItIsCut();
    void pointingHandOnlyOverTheLink();
    void clickOnTheLinkOpensTheMakersSite_data();
    void clickOnTheLinkOpensTheMakersSite();
    void keyboardAndScreenReaderOpenTheLink_data();
    void keyboardAndScreenReaderOpenTheLink();

private:
    static qreal pixelSize(const QFont &font, const QWidget *widget)
    {
        return font.pointSizeF() * widget->logicalDpiY() / 72.0;
    }
    std::unique_ptr<CreditLine> m_line;
    UrlCatcher m_catcher;
};

void CreditLineTest::init()
{
    m_line = std::make_unique<CreditLine>(13, kText, kLink);
    m_line->resize(m_line->sizeHint());
    m_catcher.opened.clear();
    QDesktopServices::setUrlHandler(u"http"_s, &m_catcher, "open");
    QDesktopServices::setUrlHandler(u"https"_s, &m_catcher, "open");
}

void CreditLineTest::cleanup()
{
    QDesktopServices::unsetUrlHandler(u"http"_s);
    QDesktopServices::unsetUrlHandler(u"https"_s);
    m_line.reset();
}

void CreditLineTest::textsInOrderWithGaps()
{
    const QList<CreditLine::Piece> pieces = m_line->pieces();
    QCOMPARE(pieces.size(), 3);
    QCOMPARE(pieces[0].text, u"Thoughtful software"_s);
    QCOMPARE(pieces[1].text, u"Quillmere"_s);
    QCOMPARE(pieces[2].text, u"Crafted with care"_s);
    for (int i = 1; i < pieces.size(); ++i) {
        // 0.4 times the font size: 5.2 pixels at 13.
        QVERIFY2(qAbs(pieces[i].rect.left() - pieces[i - 1].rect.right() - 5.2) < 0.01,
            qPrintable(QString::number(pieces[i].rect.left() - pieces[i - 1].rect.right())));
        QVERIFY(qAbs(pieces[i].rect.center().y() - pieces[0].rect.center().y()) < 0.5);
    }
    // One line: the widget is as high as one line of its text.
    QCOMPARE(
        m_line->sizeHint().height(), qCeil(QFontMetricsF(pieces[0].font, m_line.get()).height()));
    QVERIFY(qAbs(pixelSize(pieces[0].font, m_line.get()) - 13) < 0.01);
}

void CreditLineTest::onlyTheLinkIsSemiboldAndColoured()
{
    const QList<CreditLine::Piece> pieces = m_line->pieces();
    QCOMPARE(pieces.size(), 3);
    for (const CreditLine::Piece &piece : pieces) {
        QCOMPARE(piece.isLink, piece.text == u"Quillmere"_s);
        QCOMPARE(piece.font.weight(), piece.isLink ? QFont::DemiBold : QFont::Normal);
        QCOMPARE(piece.color, piece.isLink ? kLink : kText);
    }
}

void CreditLineTest::linkColourIsPaintedOnlyOnTheLink()
{
    // Large enough that the strokes have pixels of the pure colour.
    CreditLine line(32, kText, kLink);
    line.resize(line.sizeHint());
    const QImage image = line.grab().toImage();
    const QRectF link = line.pieces().at(1).rect;
    int linkInside = 0, linkOutside = 0, textInside = 0, textOutside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            const bool inside = link.contains(QPointF(x + 0.5, y + 0.5));
            if (colour == kLink)
                ++(inside ? linkInside : linkOutside);
            else if (colour == kText)
                ++(inside ? textInside : textOutside);
        }
    }
    QVERIFY(linkInside > 20);
    QCOMPARE(linkOutside, 0);
    QVERIFY(textOutside > 20);
    QCOMPARE(textInside, 0);
}

void CreditLineTest::shrinksBeforeItIsCut_data()
{
    QTest::addColumn<qreal>("widthFactor"); // of the natural width
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<bool>("cut");

    QTest::newRow("room to spare") << 1.5 << 1.0 << false;
    QTest::newRow("exactly enough") << 1.0 << 1.0 << false;
    QTest::newRow("three quarters") << 0.75 << 0.0 << false; // shrinks, between 0.5 and 1
    QTest::newRow("just over half") << 0.55 << 0.0 << false;
    QTest::newRow("below half") << 0.4 << 0.5 << true;
    QTest::newRow("very narrow") << 0.05 << 0.5 << true;
}

void CreditLineTest::shrinksBeforeItIsCut()
{
    QFETCH(qreal, widthFactor);
    QFETCH(qreal, scale);
    QFETCH(bool, cut);

    // Large enough that rounding glyphs to whole pixels does not blur the
    // half-size limit.
    CreditLine line(40, kText, kLink);
    const int natural = line.sizeHint().width();
    const int height = line.sizeHint().height();
    line.resize(int(natural * widthFactor), height);
    const QList<CreditLine::Piece> pieces = line.pieces();
    QVERIFY(!pieces.isEmpty());

    const qreal shownScale = pixelSize(pieces[0].font, &line) / 40;
    if (scale > 0)
        QVERIFY2(qAbs(shownScale - scale) < 0.001, qPrintable(QString::number(shownScale)));
    else
        QVERIFY2(shownScale > 0.5 && shownScale < 1, qPrintable(QString::number(shownScale)));
    for (const CreditLine::Piece &piece : pieces) {
        QCOMPARE(pixelSize(piece.font, &line), pixelSize(pieces[0].font, &line));
        // Still one line, inside the widget.
        QVERIFY(piece.rect.right() <= line.width() + 0.01);
        QVERIFY(piece.rect.top() >= -0.01 && piece.rect.bottom() <= height + 0.01);
    }

    const QStringList full = { u"Thoughtful software"_s, u"Quillmere"_s, u"Crafted with care"_s };
    if (!cut) {
        QCOMPARE(pieces.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(pieces[i].text, full[i]);
    } else {
        // Cut at the end: the texts before the cut are whole, the last shown
        // one ends in an ellipsis.
        for (int i = 0; i < pieces.size() - 1; ++i)
            QCOMPARE(pieces[i].text, full[i]);
        QVERIFY2(pieces.last().text.endsWith(QChar(0x2026)), qPrintable(pieces.last().text));
    }
    QCOMPARE(line.sizeHint().height(), height);
}

void CreditLineTest::pointingHandOnlyOverTheLink()
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
    const QPoint onLink = pieces[1].rect.center().toPoint();
    const QPoint onText = pieces[0].rect.center().toPoint();
    const QPoint between
        = QPointF(pieces[1].rect.right() + 2, pieces[1].rect.center().y()).toPoint();

    // Entry and exit pair up, however often the pointer crosses.
    for (int round = 0; round < 2; ++round) {
        QTest::mouseMove(line, onText);
        QCOMPARE(line->testAttribute(Qt::WA_SetCursor), false);
        QCOMPARE(line->cursor().shape(), Qt::CrossCursor);
        QTest::mouseMove(line, onLink);
        QCOMPARE(line->testAttribute(Qt::WA_SetCursor), true);
        QCOMPARE(line->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(line, between);
        QCOMPARE(line->testAttribute(Qt::WA_SetCursor), false);
        QTest::mouseMove(line, onLink);
        QCOMPARE(line->cursor().shape(), Qt::PointingHandCursor);
        // Off the line altogether, straight from the link.
        QTest::mouseMove(&window, QPoint(2, 2));
        QCOMPARE(line->testAttribute(Qt::WA_SetCursor), false);
        QCOMPARE(line->cursor().shape(), Qt::CrossCursor);
    }
}

void CreditLineTest::clickOnTheLinkOpensTheMakersSite_data()
{
    QTest::addColumn<int>("pressOn"); // index of the piece, -1 for outside the line
    QTest::addColumn<int>("releaseOn");
    QTest::addColumn<bool>("opens");

    QTest::newRow("click on the link") << 1 << 1 << true;
    QTest::newRow("click on the first text") << 0 << 0 << false;
    QTest::newRow("click on the last text") << 2 << 2 << false;
    QTest::newRow("press on the link, release elsewhere") << 1 << 2 << false;
    QTest::newRow("press elsewhere, release on the link") << 0 << 1 << false;
}

void CreditLineTest::clickOnTheLinkOpensTheMakersSite()
{
    QFETCH(int, pressOn);
    QFETCH(int, releaseOn);
    QFETCH(bool, opens);

    m_line->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_line.get()));
    const QList<CreditLine::Piece> pieces = m_line->pieces();
    QTest::mousePress(m_line.get(), Qt::LeftButton, {}, pieces[pressOn].rect.center().toPoint());
    QTest::mouseRelease(
        m_line.get(), Qt::LeftButton, {}, pieces[releaseOn].rect.center().toPoint());

    if (!opens) {
        QVERIFY(m_catcher.opened.isEmpty());
        return;
    }
    QCOMPARE(m_catcher.opened.size(), 1);
    const QUrl url = m_catcher.opened.first();
    QCOMPARE(url, CreditLine::makerUrl());
    QVERIFY(url.isValid());
    QCOMPARE(url.scheme(), u"http"_s);
    QVERIFY(!url.host().isEmpty());
}

void CreditLineTest::keyboardAndScreenReaderOpenTheLink_data()
{
    QTest::addColumn<int>("key"); // 0: the screen reader's press action
    QTest::addColumn<bool>("opens");

    QTest::newRow("Return") << int(Qt::Key_Return) << true;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("Space") << int(Qt::Key_Space) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("screen reader") << 0 << true;
}

void CreditLineTest::keyboardAndScreenReaderOpenTheLink()
{
    QFETCH(int, key);
    QFETCH(bool, opens);

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(m_line.get());
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Link);
    QCOMPARE(accessible->text(QAccessible::Name), u"Quillmere"_s);
    QCOMPARE(accessible->text(QAccessible::Description),
        u"Thoughtful software Quillmere Crafted with care"_s);

    if (key == 0) {
        QVERIFY(accessible->actionInterface());
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
        QTest::keyClick(m_line.get(), Qt::Key(key));
    }
    QCOMPARE(m_catcher.opened, opens ? QList<QUrl> { CreditLine::makerUrl() } : QList<QUrl> {});
}

QTEST_MAIN(CreditLineTest)
#include "CreditLineTest.moc"
