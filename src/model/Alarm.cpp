#include "model/Alarm.h"

#include "model/DebugText.h"

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

bool operator==(const Alarm &a, const Alarm &b)
{
    if (a.id != b.id || a.fireDate != b.fireDate)
        return false;
    // Equal code units are the common case and cost no normalisation.
    if (a.label != b.label
        && a.label.normalized(QString::NormalizationForm_C)
            != b.label.normalized(QString::NormalizationForm_C))
        return false;
    return a.repeatsDaily == b.repeatsDaily && a.isEnabled == b.isEnabled
        && a.isSnooze == b.isSnooze;
}

QDebug operator<<(QDebug debug, const Alarm &alarm)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "Alarm(" << uuidText(alarm.id) << ", fireDate "
                    << QString::number(alarm.fireDate, 'g', 17) << ", label " << alarm.label
                    << (alarm.repeatsDaily ? ", daily" : ", once")
                    << (alarm.isEnabled ? ", on" : ", off") << (alarm.isSnooze ? ", snooze" : "")
                    << ')';
    return debug;
}

char *toString(const Alarm &alarm)
{
    return debugText(alarm);
}
