#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A persistent map from text keys to byte blobs: one file per key, named
// "<key>.json", in one folder. Each write replaces the whole file atomically.
class Defaults
{
public:
    explicit Defaults(QString directory);
    virtual ~Defaults() = default;
    Defaults(const Defaults &) = delete;
    Defaults &operator=(const Defaults &) = delete;

    // The user's folder: $XDG_CONFIG_HOME/brisvane (~/.config/brisvane).
    static QString userDirectory();

    QString directory() const { return m_directory; }
    QString filePath(const QString &key) const;

    // The blob under `key`, or nothing when there is none or it cannot be read.
    std::optional<QByteArray> data(const QString &key) const;

    // Replaces the blob under `key`. On failure the previous blob stays whole.
    // Virtual so that tests can count and refuse writes.
    virtual bool setData(const QString &key, const QByteArray &bytes);

    // Keeps `bytes` beside the key's file as "<key>.unreadable-<UTC time>.json",
    // never replacing an earlier copy. Returns false when it could not be written.
    bool keepUnreadable(const QString &key, const QByteArray &bytes);

private:
    QString m_directory;
};
