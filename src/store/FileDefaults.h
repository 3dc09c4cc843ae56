#pragma once

#include "store/Defaults.h"

// The defaults as files: one per key, named "<key>.json", in one folder. Each
// write replaces the whole file atomically.
class FileDefaults : public Defaults
{
public:
    explicit FileDefaults(QString directory);

    // The user's folder: $XDG_CONFIG_HOME/brisvane (~/.config/brisvane).
    static QString userDirectory();

    QString filePath(const QString &key) const;

    std::optional<QByteArray> data(const QString &key) const override;
    bool setData(const QString &key, const QByteArray &bytes) override;
    // Beside the key's file, as "<key>.unreadable-<UTC time>.json".
    bool keepUnreadable(const QString &key, const QByteArray &bytes, Moment when) override;

private:
    QString m_directory;
};
