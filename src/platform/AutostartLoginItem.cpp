#include "platform/AutostartLoginItem.h"

#include "platform/DesktopEntry.h"
#include "store/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kEntryName = u"brisvane.desktop"_s;

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

    QFile file(userEntryPath());
    if (!file.open(QIODevice::ReadOnly))
        return Status::NotRegistered;
    const std::optional<DesktopEntry> entry = DesktopEntry::parse(file.readAll());
    if (!entry || entry->value(u"Hidden"_s) == u"true"_s
        || entry->value(u"X-GNOME-Autostart-enabled"_s) == u"false"_s)
        return Status::NotRegistered;
    const std::optional<QStringList> arguments
        = DesktopEntry::execArguments(entry->value(u"Exec"_s));
    if (!arguments || arguments->isEmpty() || !namesExecutable(arguments->first()))
        return Status::NotRegistered;
    return Status::Enabled;
}

bool AutostartLoginItem::namesExecutable(const QString &program) const
{
    if (program == m_executable)
        return true;
    // A link to this program, or a path spelt another way, still runs it.
    const QString canonical = QFileInfo(program).canonicalFilePath();
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
    if (systemEntryExists())
        return AtomicFile::write(path, entry(true));
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    return QFile::remove(path);
}
