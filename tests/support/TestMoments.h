#pragma once

#include "model/Moment.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// Moments written as ISO 8601 with an offset ("2026-03-29T03:00:00+02:00"),
// so every table row says exactly which instant it means.
inline Moment momentFromIso(const QString &text)
{
    const QDateTime dateTime = QDateTime::fromString(text, Qt::ISODateWithMs);
    Q_ASSERT_X(dateTime.isValid(), "momentFromIso", qPrintable(text));
    return double(dateTime.toMSecsSinceEpoch()) / 1000.0 - kMomentEpochOffset;
}

inline QString isoFromMoment(Moment moment, int offsetSeconds)
{
    const auto msecs = qint64((moment + kMomentEpochOffset) * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone(offsetSeconds))
        .toString(Qt::ISODateWithMs);
}
