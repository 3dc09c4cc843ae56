#include "model/SystemClock.h"
#include "store/AbstractAlertPresenter.h"
#include "store/AlarmStore.h"
#include "store/Defaults.h"
#include "store/WakeNotifier.h"
#include "model/Calendar.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTextStream>

namespace {

// Until the alert panel exists, a due alarm is announced on standard output
// and dismissed at once.
class ConsolePresenter final : public AbstractAlertPresenter
{
public:
    void show(const RingingAlarm &alarm, Action /*onSnooze*/, Action onDismiss) override
    {
        QTextStream(stdout) << "Alarm: " << alarm.label << ' ' << Calendar::shortTime(alarm.scheduledFor)
                            << Qt::endl;
        onDismiss();
    }
    void hide() override { }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AlarmStore store({ std::make_unique<SystemClock>(),
                       std::make_unique<Defaults>(Defaults::userDirectory()),
                       std::make_unique<ConsolePresenter>(),
                       std::make_unique<WakeNotifier>(QDBusConnection::systemBus()) });
    QTextStream(stdout) << "Watching " << store.alarms().size() << " alarms from "
                        << Defaults::userDirectory() << Qt::endl;
    return app.exec();
}
