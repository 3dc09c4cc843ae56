#include "store/FileDefaults.h"

#include "store/AtomicFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimeZone>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

FileDefaults::FileDefaults(QString directory)
    : m_directory(std::move(directory))
{ }

QString FileDefaults::userDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/brisvane"_s;
}

QString FileDefaults::filePath(const QString &key) const
{
    return m_directory + u'/' + key + u".json"_s;
}

std::optional<QByteArray> FileDefaults::data(const QString &key) const
{
    QFile file(filePath(key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool FileDefaults::setData(const QString &key, const QByteArray &bytes)
{
    return AtomicFile::write(filePath(key), bytes);
}

bool FileDefaults::keepUnreadable(const QString &key, const QByteArray &bytes, Moment when)
{
    const QString stem = m_directory + u'/' + key + u".unreadable-"_s
        + QDateTime::fromSecsSinceEpoch(
            qint64(std::floor(when + kMomentEpochOffset)), QTimeZone::utc())
              .toString(u"yyyyMMdd'T'HHmmss'Z'"_s);
    QString path = stem + u".json"_s;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + u'-' + QString::number(n) + u".json"_s;
    return AtomicFile::write(path, bytes);
}
