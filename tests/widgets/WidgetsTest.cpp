#include "widgets/CreditLine.h"
#include "widgets/TextFit.h"

#include <QApplication>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The painted pieces that the alert and the window share.
class WidgetsTest : public QObject
{
    Q_OBJECT
    const QColor m_text { Qt::darkGray };
    const QColor m_link { Qt::blue };
    // One line for all rows: laid out anew at each size.
    CreditLine m_line { TextFit::withPixelSize(QFont(), 13, nullptr), m_text, m_link };

private Q_SLOTS:
    // In the order "Thoughtful software", the link, "Crafted with care", on
    // one line, 0.4 of the size apart; only the link semibold and in its
    // colour; shrunk down to half size before it is cut, never wrapped.
    void creditLine_data()
    {
        QTest::addColumn<qreal>("width"); // of the line's natural width
        QTest::addColumn<qreal>("scale"); // at least: 1 whole, 0.5 cut
        QTest::addColumn<bool>("whole");
        QTest::newRow("room enough") << 1.2 << 1.0 << true;
        QTest::newRow("shrunk") << 0.7 << 0.6 << true;
        QTest::newRow("cut at half size") << 0.3 << 0.5 << false;
    }
    void creditLine()
    {
        QFETCH(qreal, width);
        QFETCH(qreal, scale);
        QFETCH(bool, whole);
        CreditLine &line = m_line;
        const QColor &text = m_text, &link = m_link;
        line.resize(int(line.sizeHint().width() * width), line.sizeHint().height());
        const QList<CreditLine::Piece> pieces = line.pieces();
        QVERIFY(!pieces.isEmpty());
        const QStringList texts { u"Thoughtful software"_s, u"Quillmere"_s,
            u"Crafted with care"_s };
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            const CreditLine::Piece &piece = pieces.at(i);
            const qreal size = piece.font.pointSizeF() * line.logicalDpiY() / 72.0;
            QVERIFY2(size >= 13 * 0.5 - 0.01 && size >= 13 * scale - 0.7, qPrintable(piece.text));
            QCOMPARE(piece.isLink, i == 1);
            QCOMPARE(piece.color, i == 1 ? link : text);
            QCOMPARE(piece.font.weight(), i == 1 ? QFont::DemiBold : QFont::Normal);
            QCOMPARE(piece.rect.center().y(), pieces.first().rect.center().y());
            QVERIFY(piece.rect.right() <= line.width() + 0.01);
            if (i > 0)
                QCOMPARE(piece.rect.left() - pieces.at(i - 1).rect.right(), 13 * 0.4);
            if (whole)
                QCOMPARE(piece.text, texts.at(i));
        }
        QCOMPARE(pieces.size() == 3 && pieces.last().text == texts.last(), whole);
    }
};

QTEST_MAIN(WidgetsTest)
#include "WidgetsTest.moc"
