#include "model/RingingAlarm.h"

#include "model/Alarm.h"
#include "model/DebugText.h"

QDebug operator<<(QDebug debug, const RingingAlarm &alarm)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "RingingAlarm(" << uuidText(alarm.id) << ", label " << alarm.label
                    << ", scheduledFor " << QString::number(alarm.scheduledFor, 'g', 17) << ')';
    return debug;
}

char *toString(const RingingAlarm &alarm)
{
    return debugText(alarm);
}
