#include "model/RingingAlarm.h"

#include "model/Alarm.h"

#include <QByteArray>
#include <QDebug>

QDebug operator<<(QDebug debug, const RingingAlarm &alarm)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "RingingAlarm(" << uuidText(alarm.id) << ", label " << alarm.label
                    << ", scheduledFor " << QString::number(alarm.scheduledFor, 'g', 17) << ')';
    return debug;
}

char *toString(const RingingAlarm &alarm)
{
    QString text;
    QDebug(&text) << alarm;
    // QTest releases the text with delete[], which matches qstrdup.
    return qstrdup(text.toUtf8().constData());
}
