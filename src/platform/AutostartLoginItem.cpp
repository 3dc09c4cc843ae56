#include "platform/AutostartLoginItem.h"

#include "platform/DesktopEntry.h"
#include "store/AtomicFile.h"
#include "store/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kEntryName = u"brisvane.desktop"_s;
// An entry of ours takes a few hundred bytes: a larger file is none of ours.
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// A relative path in these variables is to be ignored, as if unset.
QString configHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + u"/.config"_s;
}

QStringList configDirs()
{
    QStringList absolute;
    const QString configured = qEnvironmentVariable("XDG_CONFIG_DIRS");
    for (const QString &dir : configured.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            absolute.append(dir);
    }
    if (absolute.isEmpty())
        absolute.append(u"/etc/xdg"_s);
    return absolute;
}

// The entry at `path` when it is a regular file (or a link to one) that
// parses; anything else there, a FIFO included, is not read.
std::optional<DesktopEntry> readEntry(const QString &path)
{
    QByteArray bytes;
    if (RegularFile::read(path, kMaxEntryBytes, bytes) != RegularFile::Read::Whole)
        return std::nullopt;
    return DesktopEntry::parse(bytes);
}

bool systemEntryExists()
{
    for (const QString &dir : configDirs()) {
        if (QFileInfo(dir + u"/autostart/"_s + kEntryName).isFile())
            return true;
    }
    return false;
}

} // namespace

AutostartLoginItem::AutostartLoginItem(QString executable)
    : m_executable(std::move(executable))
{ }

QString AutostartLoginItem::userEntryPath()
{
    return configHome() + u"/autostart/"_s + kEntryName;
}

AbstractLoginItem::Status AutostartLoginItem::status() const
{
    if (m_executable.isEmpty() || !QFileInfo(m_executable).isFile())
        return Status::NotFound;

    const std::optional<DesktopEntry> entry = readEntry(userEntryPath());
    if (!entry || entry->value(u"Hidden"_s) == u"true"_s
        || entry->value(u"X-GNOME-Autostart-enabled"_s) == u"false"_s)
        return Status::NotRegistered;
    return runsThisProgram(*entry) ? Status::Enabled : Status::NotRegistered;
}

bool AutostartLoginItem::runsThisProgram(const DesktopEntry &entry) const
{
    const std::optional<QStringList> arguments
        = DesktopEntry::execArguments(entry.value(u"Exec"_s));
    return arguments && !arguments->isEmpty() && namesExecutable(arguments->first());
}

bool AutostartLoginItem::namesExecutable(const QString &program) const
{
    if (program == m_executable)
        return true;
    // The session looks a bare name up in PATH; a relative path it would take
    // from a working folder that is none of ours to know.
    const QString path = !program.contains(u'/') ? QStandardPaths::findExecutable(program)
        : QDir::isAbsolutePath(program)          ? program
                                                 : QString();
    // A link to this program, or a path spelt another way, still runs it.
    const QString canonical = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(m_executable).canonicalFilePath();
}

QByteArray AutostartLoginItem::entry(bool hidden) const
{
    QString text = u"[Desktop Entry]\n"
                   "Type=Application\n"
                   "Name=Brisvane\n"
                   "Comment=Alarm clock in the system tray\n"
                   "Exec="_s
        % DesktopEntry::execValue(m_executable) % u' ' % kStartArgument
        % u"\n"
          "Terminal=false\n"
          "X-GNOME-Autostart-enabled=true\n"_s;
    if (hidden)
        text += u"Hidden=true\n"_s;
    return text.toUtf8();
}

bool AutostartLoginItem::registerItem()
{
    if (status() == Status::NotFound)
        return false;
    return AtomicFile::write(userEntryPath(), entry(false));
}

bool AutostartLoginItem::unregisterItem()
{
    const QString path = userEntryPath();
    const QFileInfo info(path);
    const bool present = info.exists() || info.isSymLink();
    // A link the user put there, or another program's entry, is left alone:
    // unregistered is then whatever it makes of this program.
    if (present) {
        const std::optional<DesktopEntry> found = info.isSymLink() ? std::nullopt : readEntry(path);
        if (!found || !runsThisProgram(*found))
            return status() != Status::Enabled;
    }
    if (systemEntryExists())
        return AtomicFile::write(path, entry(true));
    return !present || QFile::remove(path);
}
