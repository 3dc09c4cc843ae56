#include "platform/DisplaySession.h"

#include <QTest>

class DisplaySessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void prefersXcb_data()
    {
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("platform");
        QTest::addColumn<bool>("xcb");
        QTest::newRow("Wayland with XWayland")
            << QByteArray("wayland-0") << QByteArray(":0") << QByteArray() << true;
        QTest::newRow("Wayland, the user chose")
            << QByteArray("wayland-0") << QByteArray(":0") << QByteArray("wayland") << false;
        QTest::newRow("Wayland without XWayland")
            << QByteArray("wayland-0") << QByteArray() << QByteArray() << false;
        QTest::newRow("X11") << QByteArray() << QByteArray(":0") << QByteArray() << false;
        QTest::newRow("no display") << QByteArray() << QByteArray() << QByteArray() << false;
    }
    void prefersXcb()
    {
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, platform);
        QFETCH(bool, xcb);
        QCOMPARE(DisplaySession::prefersXcb(wayland, display, platform), xcb);
    }
};

QTEST_GUILESS_MAIN(DisplaySessionTest)
#include "DisplaySessionTest.moc"
