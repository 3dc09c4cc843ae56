#pragma once

#include "model/Moment.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A persistent map from text keys to byte blobs, where the store keeps the
// user's alarms.
class Defaults
{
public:
    virtual ~Defaults() = default;

    // The blob under `key`, or nothing when there is none or it cannot be read.
    virtual std::optional<QByteArray> data(const QString &key) const = 0;

    // Replaces the blob under `key`. On failure the previous blob stays whole.
    virtual bool setData(const QString &key, const QByteArray &bytes) = 0;

    // Keeps `bytes`, which were under `key` but could not be read, aside under
    // a name of their own stamped with `when`, never replacing an earlier
    // copy. Returns false when they could not be kept.
    virtual bool keepUnreadable(const QString &key, const QByteArray &bytes, Moment when) = 0;

protected:
    Defaults() = default;
    Defaults(const Defaults &) = default;
    Defaults &operator=(const Defaults &) = default;
};
