#include "store/FileDefaults.h"

#include "store/AtomicFile.h"
#include "store/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimeZone>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

FileDefaults::FileDefaults(QString directory)
    : m_directory(std::move(directory))
{
    // Only the names AtomicFile gives its temporary files ("alarms.json." and
    // six letters or digits): never a kept copy, which ends in ".json".
    static const QRegularExpression temporary(u"^.+\\.json\\.[A-Za-z0-9]{6}$"_s);
    const QDir folder(m_directory);
    for (const QString &name : folder.entryList(QDir::Files | QDir::NoSymLinks | QDir::Hidden)) {
        if (temporary.match(name).hasMatch())
            QFile::remove(folder.filePath(name));
    }
}

QString FileDefaults::userDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/brisvane"_s;
}

QString FileDefaults::filePath(const QString &key) const
{
    return m_directory + u'/' + key + u".json"_s;
}

Defaults::Found FileDefaults::data(const QString &key, QByteArray &bytes) const
{
    mode_t mode = 0600;
    switch (RegularFile::read(filePath(key), kMaxBytes, bytes, &mode)) {
    case RegularFile::Read::Absent:
        return Found::Nothing;
    case RegularFile::Read::Unreadable:
        return Found::Unreadable;
    case RegularFile::Read::Whole:
        break;
    }
    m_modes.insert(key, mode);
    return Found::Blob;
}

bool FileDefaults::setData(const QString &key, const QByteArray &bytes, QString *error)
{
    return AtomicFile::write(filePath(key), bytes, error);
}

QString FileDefaults::unreadablePath(const QString &key, Moment when, int n) const
{
    const QString stem = m_directory + u'/' + key + u".unreadable-"_s
        + QDateTime::fromSecsSinceEpoch(
            qint64(std::floor(when + kMomentEpochOffset)), QTimeZone::utc())
              .toString(u"yyyyMMdd'T'HHmmss'Z'"_s);
    return stem + (n == 1 ? QString() : u'-' + QString::number(n)) + u".json"_s;
}

bool FileDefaults::moveUnreadable(const QString &key, Moment when)
{
    const QByteArray from = QFile::encodeName(filePath(key));
    for (int n = 1;; ++n) {
        const QByteArray to = QFile::encodeName(unreadablePath(key, when, n));
        // A rename needs no room for a copy and leaves no half of one.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE)
            == 0)
            return true;
        // A file system that cannot rename without replacing (NFS): a second
        // name, which is never made over another, then the first one goes.
        if ((errno == EINVAL || errno == ENOSYS) && ::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
}

bool FileDefaults::keepUnreadable(const QString &key, const QByteArray &bytes, Moment when)
{
    QString path;
    for (int n = 1; QFileInfo::exists(path = unreadablePath(key, when, n)); ++n) { }
    return AtomicFile::write(path, bytes, nullptr, m_modes.value(key, 0600));
}
