#include "menubar/AutostartLoginItem.h"
#include "menubar/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class LoginItemTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_configHome;
    QString m_executable;

    QString entryPath() const { return m_configHome + u"/autostart/brisvane.desktop"_s; }

    static QString makeExecutable(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("#!/bin/sh\n");
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return path;
    }

    void writeEntry(const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(entryPath()).path());
        QFile file(entryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray entry() const
    {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The immutable attribute, which binds root too; output is not wanted.
    static int chattr(const QStringList &arguments)
    {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(u"chattr"_s, arguments);
        if (!process.waitForFinished(10000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    static QString validationErrors(const QString &path)
    {
        QProcess validate;
        validate.start(u"desktop-file-validate"_s, { path });
        if (!validate.waitForFinished(10000))
            return u"desktop-file-validate did not run"_s;
        const QString output
            = QString::fromUtf8(validate.readAllStandardOutput() + validate.readAllStandardError());
        return validate.exitCode() == 0 ? QString() : output;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_configHome = m_dir.path() + u"/config"_s;
        qputenv("XDG_CONFIG_HOME", m_configHome.toUtf8());
        // No system-wide entry unless a test makes one.
        qputenv("XDG_CONFIG_DIRS", (m_dir.path() + u"/etc-xdg"_s).toUtf8());
        m_executable = makeExecutable(m_dir.path() + u"/bin/brisvane"_s);
        QVERIFY(!m_executable.isEmpty());
    }
    void cleanup()
    {
        chattr({ u"-R"_s, u"-i"_s, m_dir.path() });
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << u"/usr/bin/brisvane"_s << u"/usr/bin/brisvane"_s;
        QTest::newRow("percent alone") << u"/opt/100%/brisvane"_s << u"/opt/100%%/brisvane"_s;
        QTest::newRow("spaces") << u"/home/a b/brisvane"_s << u"\"/home/a b/brisvane\""_s;
        // A quote takes a backslash for the Exec quoting, and that backslash
        // is doubled by the string escapes.
        QTest::newRow("spaces, quotes and percent")
            << u"/home/my \"odd\" 100% dir/brisvane"_s
            << u"\"/home/my \\\\\"odd\\\\\" 100%% dir/brisvane\""_s;
        QTest::newRow("dollar, backtick, backslash")
            << u"/tmp/$HOME/`x`/a\\b/brisvane"_s
            << u"\"/tmp/\\\\$HOME/\\\\`x\\\\`/a\\\\\\\\b/brisvane\""_s;
        QTest::newRow("single quote and ampersand")
            << u"/tmp/it's & co/brisvane"_s << u"\"/tmp/it's & co/brisvane\""_s;
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
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("field codes dropped")
            << u"brisvane %U --flag"_s << QStringList { u"brisvane"_s, u"--flag"_s };
        // The string escapes come first: an escaped space still splits.
        QTest::newRow("escaped space") << u"/opt/a\\sb"_s << QStringList { u"/opt/a"_s, u"b"_s };
        QTest::newRow("escaped space in quotes")
            << u"\"/opt/a\\sb\" -x"_s << QStringList { u"/opt/a b"_s, u"-x"_s };
        QTest::newRow("quoted and plain")
            << u"\"/opt/x y/app\" -a"_s << QStringList { u"/opt/x y/app"_s, u"-a"_s };
    }
    void execArgumentsOfOtherEntries()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, arguments);
        QCOMPARE(DesktopEntry::execArguments(value), arguments);
    }

    void openQuoteIsNoCommand()
    {
        QCOMPARE(DesktopEntry::execArguments(u"\"/opt/app"_s), std::nullopt);
    }

    void registerWritesAValidEntryForAnAwkwardPath()
    {
        const QString awkward = makeExecutable(m_dir.path() + u"/my \"odd\" 100% $dir/brisvane"_s);
        QVERIFY(!awkward.isEmpty());
        AutostartLoginItem item(awkward);
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
        QVERIFY(item.registerItem());
        QCOMPARE(AutostartLoginItem::userEntryPath(), entryPath());
        QCOMPARE(validationErrors(entryPath()), QString());
        QCOMPARE(item.status(), AbstractLoginItem::Status::Enabled);

        const std::optional<DesktopEntry> entry = DesktopEntry::parse(this->entry());
        QVERIFY(entry);
        QCOMPARE(entry->value(u"Type"_s), u"Application"_s);
        QCOMPARE(entry->value(u"Name"_s), u"Brisvane"_s);
        QCOMPARE(DesktopEntry::execArguments(entry->value(u"Exec"_s)), QStringList { awkward });
        // Another program at another path does not count as registered.
        AutostartLoginItem other(m_executable);
        QCOMPARE(other.status(), AbstractLoginItem::Status::NotRegistered);
    }

    void statusFollowsTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<AbstractLoginItem::Status>("status");
        using S = AbstractLoginItem::Status;
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Brisvane\n";
        QTest::newRow("ours") << head + "Exec=@EXE@\n" << S::Enabled;
        QTest::newRow("ours, with arguments and spaces around =") << head + "Exec = @EXE@ %U\n"
                                                                  << S::Enabled;
        QTest::newRow("hidden") << head + "Exec=@EXE@\nHidden=true\n" << S::NotRegistered;
        QTest::newRow("switched off") << head + "Exec=@EXE@\nX-GNOME-Autostart-enabled=false\n"
                                      << S::NotRegistered;
        QTest::newRow("another program") << head + "Exec=/usr/bin/other\n" << S::NotRegistered;
        QTest::newRow("no Exec") << head << S::NotRegistered;
        QTest::newRow("not a desktop entry") << QByteArray("Exec=@EXE@\n") << S::NotRegistered;
        QTest::newRow("another group first") << "[Other]\nA=b\n" + head + "Exec=@EXE@\n"
                                             << S::NotRegistered;
        QTest::newRow("a key twice") << head + "Exec=@EXE@\nName=Again\n" << S::NotRegistered;
        QTest::newRow("not UTF-8") << head + "Exec=@EXE@\nComment=\xff\n" << S::NotRegistered;
        QTest::newRow("open quote") << head + "Exec=\"@EXE@\n" << S::NotRegistered;
        QTest::newRow("a link to ours") << head + "Exec=@LINK@\n" << S::Enabled;
    }
    void statusFollowsTheFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(AbstractLoginItem::Status, status);
        const QString link = m_dir.path() + u"/link-to-brisvane"_s;
        QVERIFY(QFile::link(m_executable, link));
        contents.replace("@EXE@", m_executable.toUtf8()).replace("@LINK@", link.toUtf8());
        writeEntry(contents);
        QCOMPARE(AutostartLoginItem(m_executable).status(), status);
    }

    void missingProgramIsNotFound()
    {
        AutostartLoginItem item(m_dir.path() + u"/nowhere/brisvane"_s);
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotFound);
        QVERIFY(!item.registerItem());
        QVERIFY(!QFile::exists(entryPath()));
    }

    void unregisterRemovesTheEntry()
    {
        AutostartLoginItem item(m_executable);
        QVERIFY(item.unregisterItem()); // nothing there: nothing to refuse
        QVERIFY(item.registerItem());
        QVERIFY(QFile::exists(entryPath()));
        QVERIFY(item.unregisterItem());
        QVERIFY(!QFile::exists(entryPath()));
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
    }

    void unregisterHidesASystemWideEntry()
    {
        const QString systemEntry = m_dir.path() + u"/etc-xdg/autostart/brisvane.desktop"_s;
        QDir().mkpath(QFileInfo(systemEntry).path());
        QFile::copy(QFINDTESTDATA("LoginItemTest.cpp"), systemEntry); // contents do not matter
        AutostartLoginItem item(m_executable);
        QVERIFY(item.registerItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::Enabled);

        QVERIFY(item.unregisterItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
        const std::optional<DesktopEntry> entry = DesktopEntry::parse(this->entry());
        QVERIFY(entry);
        QCOMPARE(entry->value(u"Hidden"_s), u"true"_s);
        QCOMPARE(validationErrors(entryPath()), QString());
    }

    // Tests run as root here, and a read-only mode bit does not stop root: the
    // folder is made impossible instead, below a regular file.
    void folderThatCannotBeMadeRefuses()
    {
        const QString blocker = m_dir.path() + u"/plain-file"_s;
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", (blocker + u"/config"_s).toUtf8());
        AutostartLoginItem item(m_executable);
        QVERIFY(!item.registerItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
    }

    // The immutable attribute stops root as well; where the file system has
    // no such attribute, the test cannot be made and is skipped.
    void immutableFolderRefusesBothWays()
    {
        AutostartLoginItem item(m_executable);
        QVERIFY(item.registerItem());
        const QString folder = QFileInfo(entryPath()).path();
        if (chattr({ u"+i"_s, folder }) != 0)
            QSKIP("chattr +i is not available here");
        QVERIFY(!item.unregisterItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::Enabled);

        chattr({ u"-i"_s, folder });
        QVERIFY(item.unregisterItem());
        QVERIFY(chattr({ u"+i"_s, folder }) == 0);
        QVERIFY(!item.registerItem());
        QCOMPARE(item.status(), AbstractLoginItem::Status::NotRegistered);
        QVERIFY(!QFile::exists(entryPath()));
    }
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "LoginItemTest.moc"
