#pragma once

#include "model/Moment.h"

#include <QByteArray>
#include <QString>

// A persistent map from text keys to byte blobs, where the store keeps the
// user's alarms.
class Defaults
{
public:
    virtual ~Defaults() = default;

    enum class Found
    {
        Nothing, // no blob under the key
        Blob, // read whole
        Unreadable, // something is there, but it could not be read: it stays
    };
    // Reads the blob under `key` into `bytes`, which are set only when it is
    // Found::Blob.
    virtual Found data(const QString &key, QByteArray &bytes) const = 0;

    // Replaces the blob under `key`. On failure the previous blob stays whole,
    // and `error`, when given, says why.
    virtual bool setData(const QString &key, const QByteArray &bytes, QString *error) = 0;

    // Moves what is under `key`, found unreadable, aside under a name of its
    // own stamped with `when`, never replacing an earlier one. Returns false
    // when it could not be moved (or is no longer there).
    virtual bool moveUnreadable(const QString &key, Moment when) = 0;
    // Keeps `bytes`, which were under `key` but could not be read, aside in the
    // same way. Returns false when they could not be kept.
    virtual bool keepUnreadable(const QString &key, const QByteArray &bytes, Moment when) = 0;

protected:
    Defaults() = default;
    Defaults(const Defaults &) = default;
    Defaults &operator=(const Defaults &) = default;
};
