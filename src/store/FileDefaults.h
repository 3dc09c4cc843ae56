#pragma once

#include "store/Defaults.h"

#include <QHash>

#include <sys/types.h>

// The defaults as files: one per key, named "<key>.json", in one folder that
// only this user may enter. Each write replaces the whole file atomically.
class FileDefaults : public Defaults
{
public:
    // Removes what an earlier run may have left in `directory`: the temporary
    // file of a write it did not live to finish.
    explicit FileDefaults(QString directory);

    // The user's folder: $XDG_CONFIG_HOME/brisvane (~/.config/brisvane).
    static QString userDirectory();

    QString filePath(const QString &key) const;

    // A larger file is unreadable: 10,000 alarms with long labels take under 3 MB.
    static constexpr qint64 kMaxBytes = qint64(16) << 20;

    // Only a regular file is read; anything else there is nothing.
    Found data(const QString &key, QByteArray &bytes) const override;
    bool setData(const QString &key, const QByteArray &bytes, QString *error) override;
    // Beside the key's file, as "<key>.unreadable-<UTC time>.json".
    bool moveUnreadable(const QString &key, Moment when) override;
    bool keepUnreadable(const QString &key, const QByteArray &bytes, Moment when) override;

private:
    // The name for a copy stamped `when`: "-<n>" is added from the second try on.
    QString unreadablePath(const QString &key, Moment when, int n) const;

    QString m_directory;
    // The modes of the files read: a copy of their bytes is no more open.
    mutable QHash<QString, mode_t> m_modes;
};
