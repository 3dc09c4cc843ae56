#include "platform/AutostartLoginItem.h"
#include "platform/ColorSchemeFollower.h"
#include "platform/DBusMenu.h"
#include "platform/DesktopEntry.h"
#include "platform/DesktopTray.h"
#include "platform/LogindWakeNotifier.h"
#include "platform/SingleInstance.h"
#include "platform/Translations.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using Status = AbstractLoginItem::Status;

// A tray's watcher, with a host to show what registers with it.
class FakeWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered CONSTANT)
public:
    int registrations = 0;
    bool hostRegistered() const { return true; }
public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &) { ++registrations; }
};

// The desktop portal's settings, with its appearance setting.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 1; // dark
public Q_SLOTS:
    Q_SCRIPTABLE QDBusVariant Read(const QString &, const QString &)
    {
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
Q_SIGNALS:
    Q_SCRIPTABLE void SettingChanged(
        const QString &group, const QString &key, const QDBusVariant &value);
};

// In a temporary config home, with a private bus in place of the system bus.
class PlatformTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_program = m_dir.filePath(u"brisvane"_s); // to be started at login
    const QString m_entry = m_dir.filePath(u"config/autostart/brisvane.desktop"_s);
    QProcess m_bus;
    QString m_address;
    AbstractWakeNotifier m_marker; // hears the test's own marker signal

    static void write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // The type and permission bits of what is at `path`, a link not followed.
    static uint modeOf(const QString &path)
    {
        struct stat status = {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(u"config"_s).toUtf8());
        qputenv("XDG_CONFIG_DIRS", m_dir.filePath(u"xdg"_s).toUtf8());
        write(m_program, {});
        // The session finds a bare Exec name in PATH; the working folder holds
        // the program too, where the session would never look.
        QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(m_dir.filePath(u"bin"_s));
        QFile::link(m_program, m_dir.filePath(u"bin/brisvane-on-path"_s));
        QDir::setCurrent(m_dir.path());
        qputenv("PATH", QByteArray(m_dir.filePath(u"bin:"_s).toUtf8() + qgetenv("PATH")));
        m_bus.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
        QVERIFY2(m_bus.waitForReadyRead(), "dbus-daemon did not start");
        m_address = QString::fromUtf8(m_bus.readLine().trimmed());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
        // Only the owner of logind's name is heard: this process's own connection
        // takes the name and plays logind.
        QVERIFY(QDBusConnection::systemBus().registerService(u"org.freedesktop.login1"_s));
        QVERIFY(QDBusConnection::systemBus().connect(
            {}, u"/"_s, u"test.Marker"_s, u"Marker"_s, &m_marker, SIGNAL(woke())));
    }
    void cleanupTestCase() { m_bus.kill(), m_bus.waitForFinished(); }
    void init() { QFile::remove(m_entry); }

    void execOfAnAwkwardPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("exec"); // as written, @ for the folder
        QTest::newRow("space") << u"a b"_s << u"\"@/a b\""_s;
        QTest::newRow("quote") << u"a\"b"_s << u"\"@/a\\\\\"b\""_s;
        QTest::newRow("backslash") << u"a\\b"_s << u"\"@/a\\\\\\\\b\""_s;
        QTest::newRow("dollar") << u"a$b"_s << u"\"@/a\\\\$b\""_s;
        QTest::newRow("backtick") << u"a`b"_s << u"\"@/a\\\\`b\""_s;
        QTest::newRow("percent") << u"50%off"_s << u"@/50%%off"_s;
    }
    void execOfAnAwkwardPath()
    {
        QFETCH(QString, name);
        QFETCH(QString, exec);
        const QString program = m_dir.filePath(name);
        write(program, {});
        QVERIFY(AutostartLoginItem(program).registerItem());
        QFile file(m_entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString written = DesktopEntry::parse(file.readAll()).value().value(u"Exec"_s);
        QCOMPARE(written, exec.replace(u'@', m_dir.path()) + u" --autostart"_s);
        QCOMPARE(AutostartLoginItem(program).status(), Status::Enabled);
    }

    void status_data()
    {
        QTest::addColumn<QByteArray>("entry"); // "fifo": a FIFO in its place
        QTest::addColumn<bool>("enabled");
        const QByteArray ours = "[Desktop Entry]\nType=Application\nName=Brisvane\nExec=@\n";
        QTest::newRow("hidden") << ours + "Hidden=true\n" << false;
        QTest::newRow("switched off") << ours + "X-GNOME-Autostart-enabled=false\n" << false;
        QTest::newRow("another program") << QByteArray(ours).replace("@", "/bin/true") << false;
        QTest::newRow("damaged") << ours + "Name\n" << false;
        QTest::newRow("over 64 KiB") << ours + "Comment=" + QByteArray(64 * 1024, 'x') + '\n'
                                     << false;
        QTest::newRow("a FIFO: never waited on") << QByteArray("fifo") << false;
        QTest::newRow("bare name in PATH")
            << QByteArray(ours).replace("@", "brisvane-on-path") << true;
        QTest::newRow("bare name in the working folder only")
            << QByteArray(ours).replace("@", "brisvane") << false;
    }
    void status()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        if (entry == "fifo")
            QVERIFY(mkfifo(QFile::encodeName(m_entry).constData(), 0600) == 0);
        else
            write(m_entry, entry.replace("@", m_program.toUtf8()));
        QCOMPARE(AutostartLoginItem(m_program).status(),
            enabled ? Status::Enabled : Status::NotRegistered);
    }

    void unregisterAndRefusedRegister()
    {
        AutostartLoginItem item(m_program);
        QVERIFY(QDir(m_dir.filePath(u"config"_s)).removeRecursively() && item.registerItem());
        // No one else may read the entry, nor list the folders made for it.
        for (const QString &made :
            { m_entry, QFileInfo(m_entry).path(), m_dir.filePath(u"config"_s) })
            QCOMPARE(modeOf(made) & 0777, made == m_entry ? 0600u : 0700u);
        QVERIFY(item.unregisterItem());
        QVERIFY2(!QFile::exists(m_entry), "the entry is left behind");
        QCOMPARE(item.status(), Status::NotRegistered);
        // A launcher that the user linked in its place, or another program's
        // entry, is never removed nor written through.
        const QString launcher = m_dir.filePath(u"launcher.desktop"_s);
        const QByteArray theirs = "[Desktop Entry]\nName=Mine\nExec=" + m_program.toUtf8() + '\n';
        write(launcher, theirs);
        QVERIFY(QFile::link(launcher, m_entry) && item.status() == Status::Enabled);
        QVERIFY2(!item.unregisterItem() && QFileInfo(m_entry).isSymLink(), "the link was removed");
        QVERIFY(item.registerItem());
        QCOMPARE(modeOf(m_entry), uint(S_IFREG | 0600));
        QVERIFY2(QFileInfo(launcher).size() == theirs.size(), "written through the link");
        write(m_entry, QByteArray(theirs).replace(m_program.toUtf8(), "/bin/true"));
        QVERIFY2(item.unregisterItem() && QFile::exists(m_entry), "another program's entry went");
        QFile::remove(m_entry);
        // Where the system starts the program too, the user's entry must hide it.
        write(m_dir.filePath(u"xdg/autostart/brisvane.desktop"_s), "[Desktop Entry]\n");
        QVERIFY(item.registerItem() && item.unregisterItem());
        QCOMPARE(item.status(), Status::NotRegistered);
        QVERIFY2(QFile::exists(m_entry), "nothing hides the system's entry");
        // A registration whose write fails is refused. Below a plain file no folder
        // can be made, not even by root.
        qputenv("XDG_CONFIG_HOME", (m_program + u"/config"_s).toUtf8());
        QVERIFY2(!item.registerItem(), "a failed write counted as registered");
        QCOMPARE(item.status(), Status::NotRegistered);
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(u"config"_s).toUtf8());
    }

    void secondLaunch_data()
    {
        QTest::addColumn<bool>("atLogin");
        QTest::newRow("by the user: the window opens") << false;
        QTest::newRow("at login: handed over quietly") << true;
    }
    void secondLaunch()
    {
        QFETCH(bool, atLogin);
        const QString socket = m_dir.filePath(u"brisvane.socket"_s);
        SingleInstance first(socket);
        QSignalSpy activations(&first, &SingleInstance::activationRequested);
        QCOMPARE(first.claim(), SingleInstance::Role::Primary);
        QCOMPARE(SingleInstance(socket).claim(
                     atLogin ? SingleInstance::Launch::AtLogin : SingleInstance::Launch::ByUser),
            SingleInstance::Role::Secondary);
        QCOMPARE(activations.wait(atLogin ? 500 : 5000), !atLogin);
    }

    // The lock and the socket live where no other user can take them first.
    void socketFolder_data()
    {
        QTest::addColumn<QString>("runtime"); // what $XDG_RUNTIME_DIR names
        QTest::addColumn<bool>("homeTaken"); // another user made ~/.cache/brisvane
        QTest::addColumn<QString>("chosen"); // the folder in the home made for the test
        const QString own = u"home/.cache/brisvane"_s;
        QTest::newRow("runtime folder of ours") << u"ours"_s << false << u"run"_s;
        QTest::newRow("runtime folder unset: home") << u"unset"_s << false << own;
        QTest::newRow("another user's: home") << u"others"_s << false << own;
        QTest::newRow("open to others: home") << u"open"_s << false << own;
        QTest::newRow("a link to ours: home") << u"link"_s << false << own;
        QTest::newRow("home's taken too: none, said") << u"others"_s << true << QString();
    }
    void socketFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, homeTaken);
        QFETCH(QString, chosen);
        if ((runtime == u"others"_s || homeTaken) && ::geteuid() != 0)
            QSKIP("only root can make a folder for another user");
        QTemporaryDir dir;
        const QString ours = dir.filePath(u"run"_s), own = dir.filePath(u"home/.cache/brisvane"_s);
        QVERIFY(QDir().mkdir(ours, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!homeTaken
            || (QDir().mkpath(own)
                && ::chown(QFile::encodeName(own).constData(), 65534, 65534) == 0));
        if (runtime == u"others"_s)
            QVERIFY(::chown(QFile::encodeName(ours).constData(), 65534, 65534) == 0);
        if (runtime == u"open"_s)
            QVERIFY(::chmod(QFile::encodeName(ours).constData(), 0755) == 0);
        if (runtime == u"link"_s)
            QVERIFY(QFile::link(ours, dir.filePath(u"link"_s)));
        const QByteArray home = qgetenv("HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            qunsetenv("XDG_RUNTIME_DIR");
        });
        qputenv("HOME", dir.filePath(u"home"_s).toUtf8());
        if (runtime != u"unset"_s)
            qputenv("XDG_RUNTIME_DIR",
                dir.filePath(runtime == u"link"_s ? u"link"_s : u"run"_s).toUtf8());
        if (chosen.isEmpty())
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(u"cannot tell whether it runs"_s));
        const QString folder = chosen.isEmpty() ? QString() : dir.filePath(chosen);
        const QString socket = SingleInstance::userSocketPath();
        QCOMPARE(socket, folder.isEmpty() ? QString() : folder + u"/brisvane.socket"_s);
        QVERIFY(folder.isEmpty()
            || (modeOf(folder) == (S_IFDIR | 0700) && QFileInfo(folder).ownerId() == ::geteuid()));
        QCOMPARE(SingleInstance(socket).claim(), SingleInstance::Role::Primary);
    }

    void wakeFromSleep()
    {
        QDBusConnection logind = QDBusConnection::systemBus(); // which owns logind's name
        LogindWakeNotifier notifier(QDBusConnection::systemBus());
        QSignalSpy woke(&notifier, &LogindWakeNotifier::woke);
        QSignalSpy marked(&m_marker, &AbstractWakeNotifier::woke);
        for (const bool start : { true, false }) {
            QVERIFY(logind.send(QDBusMessage::createSignal(u"/org/freedesktop/login1"_s,
                                    u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s)
                << start));
            // One sender's signals come in order: once the marker is heard, so was the first.
            QVERIFY(logind.send(QDBusMessage::createSignal(u"/"_s, u"test.Marker"_s, u"Marker"_s)));
            QVERIFY(marked.wait());
            QCOMPARE(woke.count(), start ? 0 : 1);
        }
    }

    // The item finds the tray's watcher whenever it comes, again after the
    // panel restarts, and answers as the program.
    void trayItem_data()
    {
        QTest::addColumn<bool>("watcherFirst");
        QTest::newRow("watcher at start") << true;
        QTest::newRow("watcher later") << false;
    }
    void trayItem()
    {
        QFETCH(bool, watcherFirst);
        QDBusConnection panel = QDBusConnection::connectToBus(m_address, u"panel"_s);
        FakeWatcher watcher;
        QVERIFY(panel.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
            QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties));
        const auto startPanel = [&] { panel.registerService(u"org.kde.StatusNotifierWatcher"_s); };
        if (watcherFirst)
            startPanel();
        DesktopTray tray(QDBusConnection::connectToBus(m_address, u"item"_s), QIcon());
        if (!watcherFirst)
            startPanel();
        QTRY_VERIFY(tray.isShown());
        panel.unregisterService(u"org.kde.StatusNotifierWatcher"_s);
        QTRY_VERIFY2(!tray.isShown(), "shown by a tray that is gone");
        startPanel();
        QTRY_COMPARE(watcher.registrations, 2);
        QTRY_VERIFY(tray.isShown());

        const QString item = QDBusConnection(u"item"_s).baseService();
        const auto call = [&](const QString &path, const QString &interface, const QString &method,
                              const QVariantList &arguments) {
            QDBusMessage message = QDBusMessage::createMethodCall(item, path, interface, method);
            message.setArguments(arguments);
            // The item answers from this very thread: wait with the event loop running.
            const QDBusPendingCall pending = panel.asyncCall(message);
            if (!QTest::qWaitFor([&] { return pending.isFinished(); }))
                return QVariantList();
            return pending.reply().arguments();
        };
        const auto property = [&](const QString &name) {
            return call(u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s,
                { u"org.kde.StatusNotifierItem"_s, name })
                .value(0)
                .value<QDBusVariant>()
                .variant();
        };
        QCOMPARE(property(u"Title"_s).toString(), u"Brisvane"_s);
        QCOMPARE(property(u"Id"_s).toString(), u"brisvane"_s);

        QSignalSpy activated(&tray, &AbstractTray::activated);
        call(u"/StatusNotifierItem"_s, u"org.kde.StatusNotifierItem"_s, u"Activate"_s, { 300, 40 });
        QTRY_COMPARE(activated.value(0).value(0).toPoint(), QPoint(300, 40));

        // While an alarm rings the item asks for attention, and its menu
        // answers the alert first; the tooltip tells the next alarm.
        tray.setState(u"Next: <Tea> · 07:30 today"_s, true);
        QCOMPARE(property(u"Status"_s).toString(), u"NeedsAttention"_s);
        StatusNotifierItem::ToolTip tip;
        property(u"ToolTip"_s).value<QDBusArgument>() >> tip;
        QCOMPARE(tip.title + u'|' + tip.text, u"Brisvane|Next: &lt;Tea&gt; · 07:30 today"_s);
        DBusMenu::Layout menu;
        call(u"/MenuBar"_s, u"com.canonical.dbusmenu"_s, u"GetLayout"_s, { 0, -1, QStringList() })
                .value(1)
                .value<QDBusArgument>()
            >> menu;
        QStringList labels;
        for (const DBusMenu::Layout &entry : std::as_const(menu.children))
            labels << entry.properties.value(u"label"_s).toString();
        QCOMPARE(labels,
            QStringList({ u"Snooze 5 min"_s, u"Dismiss"_s, u"Open Brisvane"_s, u"Quit"_s }));
        QList<QSignalSpy *> spies;
        for (const auto request : { &AbstractTray::snoozeRequested, &AbstractTray::dismissRequested,
                 &AbstractTray::openRequested, &AbstractTray::quitRequested })
            spies.append(new QSignalSpy(&tray, request));
        auto free = qScopeGuard([&] { qDeleteAll(spies); });
        for (const DBusMenu::Layout &entry : std::as_const(menu.children))
            call(u"/MenuBar"_s, u"com.canonical.dbusmenu"_s, u"Event"_s,
                { entry.id, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u });
        for (QSignalSpy *spy : spies)
            QTRY_COMPARE(spy->count(), 1);
        tray.setState({}, false);
        QCOMPARE(property(u"Status"_s).toString(), u"Active"_s);
        QDBusConnection::disconnectFromBus(u"panel"_s);
    }

    // Dark where the desktop asks for it, light again when it asks no more.
    void colorScheme()
    {
        QDBusConnection desktop = QDBusConnection::connectToBus(m_address, u"desktop"_s);
        FakePortal portal;
        QVERIFY(desktop.registerObject(u"/org/freedesktop/portal/desktop"_s, &portal,
            QDBusConnection::ExportScriptableContents));
        QVERIFY(desktop.registerService(u"org.freedesktop.portal.Desktop"_s));
        const QColor light = QApplication::palette().color(QPalette::Window);
        ColorSchemeFollower follower(QDBusConnection::connectToBus(m_address, u"scheme"_s));
        QTRY_VERIFY(QApplication::palette().color(QPalette::Window).lightness() < 128);
        Q_EMIT portal.SettingChanged(
            u"org.freedesktop.appearance"_s, u"color-scheme"_s, QDBusVariant(2u));
        QTRY_COMPARE(QApplication::palette().color(QPalette::Window), light);
        QDBusConnection::disconnectFromBus(u"desktop"_s);
    }

    void germanTexts()
    {
        Translations::install(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(QCoreApplication::translate("AlertView", "Dismiss"), u"Ausschalten"_s);
    }
};

QTEST_MAIN(PlatformTest)
#include "PlatformTest.moc"
