#include "store/Defaults.h"

#include "store/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

Defaults::Defaults(QString directory)
    : m_directory(std::move(directory))
{ }

QString Defaults::userDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/brisvane"_s;
}

QString Defaults::filePath(const QString &key) const
{
    return m_directory + u'/' + key + u".json"_s;
}

std::optional<QByteArray> Defaults::data(const QString &key) const
{
    QFile file(filePath(key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool Defaults::setData(const QString &key, const QByteArray &bytes)
{
    return AtomicFile::write(filePath(key), bytes);
}

bool Defaults::keepUnreadable(const QString &key, const QByteArray &bytes)
{
    const QString stem = m_directory + u'/' + key + u".unreadable-"_s
        + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd'T'HHmmss'Z'"_s);
    QString path = stem + u".json"_s;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + u'-' + QString::number(n) + u".json"_s;
    return AtomicFile::write(path, bytes);
}
