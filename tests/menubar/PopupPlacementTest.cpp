#include "menubar/PopupPlacement.h"

#include <QRect>
#include <QTest>

class PopupPlacementTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void topLeft_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1440, 900);
        const QSize window(380, 400);
        QTest::newRow("panel at the top, icon mid-screen")
            << QRect(700, 0, 22, 22) << window << screen << QPoint(520, 26);
        QTest::newRow("panel at the top, icon at the right edge")
            << QRect(1410, 1, 22, 22) << window << screen << QPoint(1060, 27);
        QTest::newRow("panel at the bottom")
            << QRect(700, 876, 22, 22) << window << screen << QPoint(520, 472);
        QTest::newRow("panel at the bottom left")
            << QRect(2, 876, 22, 22) << window << screen << QPoint(0, 472);
        QTest::newRow("second screen to the right")
            << QRect(3330, 0, 22, 22) << window << QRect(1440, 0, 1920, 1080) << QPoint(2980, 26);
        QTest::newRow("window taller than the screen keeps its top visible")
            << QRect(700, 0, 22, 22) << QSize(380, 1000) << screen << QPoint(520, 0);
    }
    void topLeft()
    {
        QFETCH(QRect, icon);
        QFETCH(QSize, size);
        QFETCH(QRect, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(PopupPlacement::topLeft(icon, size, screen), expected);
    }
};

QTEST_GUILESS_MAIN(PopupPlacementTest)
#include "PopupPlacementTest.moc"
