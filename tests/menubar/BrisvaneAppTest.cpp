#include "menubar/BrisvaneApp.h"
#include "FakeLoginItem.h"
#include "menubar/AlarmListView.h"
#include "support/StoreFixture.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

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
        StoreFixture fixture;
        FakeLoginItem login;
        BrisvaneApp app(fixture.start(), login);
        app.start();
        AlarmListView *window = app.window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowType(), Qt::Window);
        QCOMPARE(window->windowTitle(), u"Brisvane"_s);

        // A second launch's request raises the same window: still one.
        app.showWindow();
        const auto views = [] {
            int count = 0;
            for (QWidget *widget : QApplication::topLevelWidgets())
                count += qobject_cast<AlarmListView *>(widget) && widget->isVisible();
            return count;
        };
        QCOMPARE(views(), 1);

        QTimer::singleShot(0, window, [window] { window->close(); });
        // Should closing not quit, this ends the loop with a failure code.
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(BrisvaneAppTest)
#include "BrisvaneAppTest.moc"
