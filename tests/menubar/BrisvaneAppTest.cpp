#include "menubar/BrisvaneApp.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// Offscreen there is no system tray, as on a desktop without one.
class BrisvaneAppTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    }

    void withoutATrayTheWindowOpensAndClosingItQuits()
    {
        WindowFixture f;
        BrisvaneApp app(*f.store, f.login);
        app.start();
        AlarmListView *window = app.window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowType(), Qt::Window);

        QTimer::singleShot(0, window, [window] { window->close(); });
        // Should closing not quit, this ends the loop with a failure code.
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    // On a screen at twice the scale an icon must come from its own drawing
    // at twice the size, not from the small one blown up.
    void iconsAreSharpAtEveryScale_data()
    {
        QTest::addColumn<QString>("icon");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QString>("drawing");
        QTest::newRow("tray bell") << u"bell"_s << 22 << 1.0 << u"bell-badge-22"_s;
        QTest::newRow("tray bell, scale 2") << u"bell"_s << 22 << 2.0 << u"bell-badge-44"_s;
        QTest::newRow("large bell, scale 2") << u"bell"_s << 32 << 2.0 << u"bell-badge-64"_s;
        QTest::newRow("bin, scale 2") << u"bin"_s << 16 << 2.0 << u"trash-32"_s;
    }
    void iconsAreSharpAtEveryScale()
    {
        QFETCH(QString, icon);
        QFETCH(int, size);
        QFETCH(qreal, scale);
        QFETCH(QString, drawing);
        WindowFixture f;
        AlarmRow row(*f.store, Alarm {});
        const QIcon shown = icon == u"bell"_s
            ? BrisvaneApp::bellIcon()
            : row.findChild<QToolButton *>(u"deleteButton"_s)->icon();

        const QPixmap pixmap = shown.pixmap(QSize(size, size), scale);
        QCOMPARE(pixmap.size(), QSize(size, size) * scale);
        const QImage expected = QImage(u":/brisvane/icons/%1.png"_s.arg(drawing))
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(image.size(), expected.size());
        // The drawing is stored with 16 bits a channel: allow for rounding.
        int worst = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb a = image.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                for (int shift : { 0, 8, 16, 24 })
                    worst = std::max(
                        worst, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
            }
        }
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }
};

QTEST_MAIN(BrisvaneAppTest)
#include "BrisvaneAppTest.moc"
