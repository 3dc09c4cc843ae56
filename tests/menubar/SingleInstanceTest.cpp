#include "platform/SingleInstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondLaunchAsksTheFirstToOpenItsWindow()
    {
        QTemporaryDir dir;
        const QString socket = dir.path() + u"/brisvane.socket"_s;
        auto first = std::make_unique<SingleInstance>(socket);
        QSignalSpy activations(first.get(), &SingleInstance::activationRequested);
        QCOMPARE(first->claim(), SingleInstance::Role::Primary);

        SingleInstance second(socket);
        QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
        QVERIFY(activations.wait(2000));
        QCOMPARE(activations.count(), 1);

        // Once the first has gone, the next launch runs.
        first.reset();
        SingleInstance fourth(socket);
        QCOMPARE(fourth.claim(), SingleInstance::Role::Primary);
    }

    void socketLeftByACrashIsTakenOver()
    {
        QTemporaryDir dir;
        const QString socket = dir.path() + u"/brisvane.socket"_s;
        {
            // A dead copy's socket file with nothing listening, and no lock.
            QLocalServer dead;
            QVERIFY(dead.listen(socket));
        }
        QFile leftover(socket);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();

        SingleInstance instance(socket);
        QSignalSpy activations(&instance, &SingleInstance::activationRequested);
        QCOMPARE(instance.claim(), SingleInstance::Role::Primary);
        SingleInstance second(socket);
        QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
        QVERIFY(activations.wait(2000));
    }

    void folderWithoutRoomForALockStillRuns()
    {
        QTemporaryDir dir;
        const QString blocker = dir.path() + u"/plain-file"_s;
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SingleInstance instance(blocker + u"/brisvane.socket"_s);
        QCOMPARE(instance.claim(), SingleInstance::Role::Primary);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
