#include "platform/AutostartLoginItem.h"
#include "platform/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
// Runs a tool to its end, its output dropped; -1 if it did not run.
int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitCode();
}

QString validationErrors(const QString &path)
{
    QByteArray output;
    return run(u"desktop-file-validate"_s, { path }, &output) == 0 ? QString()
                                                                   : QString::fromUtf8(output);
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}
} // namespace

// The XDG autostart entry behind "Open at login", in a temporary config home.
class LoginItemTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_executable;

    QString entryPath() const { return m_dir->path() + u"/config/autostart/brisvane.desktop"_s; }
    std::optional<DesktopEntry> entry() const
    {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? DesktopEntry::parse(file.readAll()) : std::nullopt;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + u"/config"_s).toUtf8());
        // No system-wide entry unless a test makes one.
        qputenv("XDG_CONFIG_DIRS", (m_dir->path() + u"/etc-xdg"_s).toUtf8());
        m_executable = m_dir->path() + u"/bin/brisvane"_s;
        write(m_executable, "#!/bin/sh\n");
    }
    void cleanup()
    {
        run(u"chattr"_s, { u"-R"_s, u"-i"_s, m_dir->path() });
        m_dir.reset();
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("written");
        QTest::newRow("percent alone") << u"/opt/100%/brisvane"_s << u"/opt/100%%/brisvane"_s;
        // A quote takes a backslash for the Exec quoting, and that backslash
        // is doubled by the string escapes.
        QTest::newRow("spaces, quotes and percent")
            << u"/home/my \"odd\" 100% dir/brisvane"_s
            << u"\"/home/my \\\\\"odd\\\\\" 100%% dir/brisvane\""_s;
        QTest::newRow("dollar, backtick, backslash")
            << u"/tmp/$HOME/`x`/a\\b/brisvane"_s
            << u"\"/tmp/\\\\$HOME/\\\\`x\\\\`/a\\\\\\\\b/brisvane\""_s;
    }
    void execQuoting()
    {
        QFETCH(QString, program);
        QFETCH(QString, written);
        QCOMPARE(DesktopEntry::execValue(program), written);
        QCOMPARE(DesktopEntry::execArguments(written), QStringList { program });
    }

    void execArgumentsOfOtherEntries_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<std::optional<QStringList>>("arguments");
        // The string escapes come first: an escaped space still splits.
        QTest::newRow("escaped space")
            << u"/opt/a\\sb"_s << std::optional(QStringList { u"/opt/a"_s, u"b"_s });
        QTest::newRow("escaped space in quotes")
            << u"\"/opt/a\\sb\" -x"_s << std::optional(QStringList { u"/opt/a b"_s, u"-x"_s });
        QTest::newRow("open quote") << u"\"/opt/app"_s << std::optional<QStringList>();
    }
    void execArgumentsOfOtherEntries()
    {
        QFETCH(QString, value);
        QFETCH(std::optional<QStringList>, arguments);
        QCOMPARE(DesktopEntry::execArguments(value), arguments);
    }

    void registerWritesAValidEntryForAnAwkwardPath()
    {
        const QString awkward = m_dir->path() + u"/my \"odd\" 100% $dir/brisvane"_s;
        write(awkward, "#!/bin/sh\n");
        AutostartLoginItem item(awkward);
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
        QVERIFY(item.registerItem());
        QCOMPARE(AutostartLoginItem::userEntryPath(), entryPath());
        QCOMPARE(validationErrors(entryPath()), QString());
        QCOMPARE(item.status(), AbstractLoginItem::Status::Enabled);
        QCOMPARE(DesktopEntry::execArguments(entry()->value(u"Exec"_s)), QStringList { awkward });
        // Another program at another path does not count as registered.
        QCOMPARE(
            AutostartLoginItem(m_executable).status(), AbstractLoginItem::Status::NotRegistered);
    }

    void statusFollowsTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<AbstractLoginItem::Status>("status");
        using S = AbstractLoginItem::Status;
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Brisvane\n";
        QTest::newRow("ours, with arguments and spaces around =") << head + "Exec = @EXE@ %U\n"
                                                                  << S::Enabled;
        QTest::newRow("a link to ours") << head + "Exec=@LINK@\n" << S::Enabled;
        QTest::newRow("hidden") << head + "Exec=@EXE@\nHidden=true\n" << S::NotRegistered;
        QTest::newRow("switched off") << head + "Exec=@EXE@\nX-GNOME-Autostart-enabled=false\n"
                                      << S::NotRegistered;
        QTest::newRow("another program") << head + "Exec=/usr/bin/other\n" << S::NotRegistered;
        QTest::newRow("another group first") << "[Other]\nA=b\n" + head + "Exec=@EXE@\n"
                                             << S::NotRegistered;
        QTest::newRow("a key twice") << head + "Exec=@EXE@\nName=Again\n" << S::NotRegistered;
        QTest::newRow("not UTF-8") << head + "Exec=@EXE@\nComment=\xff\n" << S::NotRegistered;
    }
    void statusFollowsTheFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(AbstractLoginItem::Status, status);
        const QString link = m_dir->path() + u"/link-to-brisvane"_s;
        QVERIFY(QFile::link(m_executable, link));
        write(entryPath(),
            contents.replace("@EXE@", m_executable.toUtf8()).replace("@LINK@", link.toUtf8()));
        QCOMPARE(AutostartLoginItem(m_executable).status(), status);
    }

    void unregister_data()
    {
        QTest::addColumn<bool>("systemWide");
        QTest::newRow("removes the user's entry") << false;
        QTest::newRow("hides a system-wide entry") << true;
    }
    void unregister()
    {
        QFETCH(bool, systemWide);
        if (systemWide)
            write(m_dir->path() + u"/etc-xdg/autostart/brisvane.desktop"_s, "anything");
        AutostartLoginItem item(m_executable);
        QVERIFY(item.unregisterItem()); // nothing there: nothing to refuse
        QVERIFY(item.registerItem());
        QVERIFY(item.unregisterItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
        QCOMPARE(QFile::exists(entryPath()), systemWide);
        if (systemWide) {
            QCOMPARE(entry()->value(u"Hidden"_s), u"true"_s);
            QCOMPARE(validationErrors(entryPath()), QString());
        }
    }

    // Tests run as root here, and a read-only mode bit does not stop root: the
    // folder is made impossible (below a regular file) or immutable instead.
    void refusedWrite()
    {
        AutostartLoginItem missing(m_dir->path() + u"/nowhere/brisvane"_s);
        QCOMPARE(missing.status(), AbstractLoginItem::Status::NotFound);
        QVERIFY(!missing.registerItem());
        write(m_dir->path() + u"/plain-file"_s, {});
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + u"/plain-file/config"_s).toUtf8());
        QVERIFY(!AutostartLoginItem(m_executable).registerItem());
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + u"/config"_s).toUtf8());

        AutostartLoginItem item(m_executable);
        QVERIFY(item.registerItem());
        const QString folder = QFileInfo(entryPath()).path();
        if (run(u"chattr"_s, { u"+i"_s, folder }) != 0)
            QSKIP("chattr +i is not available here");
        QVERIFY(!item.unregisterItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::Enabled);
        run(u"chattr"_s, { u"-i"_s, folder });
        QVERIFY(item.unregisterItem());
        QCOMPARE(run(u"chattr"_s, { u"+i"_s, folder }), 0);
        QVERIFY(!item.registerItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
    }
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "LoginItemTest.moc"
