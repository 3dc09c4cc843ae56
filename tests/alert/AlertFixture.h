#pragma once

#include "widgets/FittedLabel.h"
#include "model/RingingAlarm.h"

#include <QFont>
#include <QWidget>

// 2026-01-05 07:30 UTC.
inline constexpr Moment kScheduled = 789291000;

inline RingingAlarm ringing(const QString &label)
{
    RingingAlarm alarm;
    alarm.label = label;
    alarm.scheduledFor = kScheduled;
    return alarm;
}

// The subtitle an alert view or panel shows in full.
inline QString subtitleOf(const QWidget *alert)
{
    return alert->findChild<FittedLabel *>(QStringLiteral("subtitle"))->text();
}

inline qreal pixelSize(const QFont &font, const QWidget *widget)
{
    return font.pointSizeF() * widget->logicalDpiY() / 72.0;
}
