// brisvane_save_loop RUN SEED NOW
//
// Adds, switches and deletes alarms through a real store over the real
// defaults layer in $XDG_CONFIG_HOME, forever, so that each step saves the
// whole list once; a test kills it at random moments. Before each step it
// prints the step, and after it "done" (with the new alarm's identifier after
// an add), one line each, straight to the pipe: whoever reads the output
// knows the list before the step it was killed in, and what that step makes
// of it. The clock stands still at NOW, so every alarm stays in the future
// and switching one on never moves its date (which would be a second save).

#include "store/AlarmStore.h"
#include "store/Defaults.h"
#include "support/FakeClock.h"
#include "support/RecordingPresenter.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// One write() per line and no buffer in between: what was printed before the
// kill is in the pipe, and nothing printed is lost.
void say(const QByteArray &text)
{
    const QByteArray line = text + '\n';
    const char *at = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, at, std::size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            std::_Exit(3);
        at += written;
        left -= written;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        qCritical("usage: brisvane_save_loop RUN SEED NOW");
        return 2;
    }
    const QString run = arguments.at(1);
    QRandomGenerator random(arguments.at(2).toUInt());
    const Moment now = arguments.at(3).toDouble();

    // The store is never given to the event loop, so no tick runs between steps.
    AlarmStore store({ std::make_unique<FakeClock>(std::make_shared<Moment>(now)),
        std::make_unique<Defaults>(Defaults::userDirectory()),
        std::make_unique<RecordingPresenter>(std::make_shared<RecordingPresenter::Log>()),
        nullptr });
    say("ready");

    for (int step = 0;; ++step) {
        const QList<Alarm> &alarms = store.alarms();
        const int choice = alarms.size() < 2 ? 0 : alarms.size() >= 8 ? 2 : random.bounded(3);
        if (choice == 0) {
            const Moment time = now + 60.0 * random.bounded(24 * 60);
            const bool daily = random.bounded(2) == 1;
            const QString label = u"run %1 step %2 \u23f0"_s.arg(run).arg(step);
            say("add " + QByteArray::number(time, 'f', 0) + (daily ? " daily " : " once ")
                + label.toUtf8());
            store.add(
                time, label, daily ? AlarmStore::Recurrence::Daily : AlarmStore::Recurrence::Once);
            say("done " + uuidText(store.alarms().constLast().id).toLatin1());
        } else {
            const Alarm alarm = alarms.at(random.bounded(int(alarms.size())));
            const QByteArray id = uuidText(alarm.id).toLatin1();
            if (choice == 1) {
                say("enable " + id + (alarm.isEnabled ? " 0" : " 1"));
                store.setEnabled(!alarm.isEnabled, alarm);
            } else {
                say("delete " + id);
                store.deleteAlarm(alarm);
            }
            say("done");
        }
    }
}
