// brisvane_save_loop RUN SEED NOW
//
// Adds, switches and deletes alarms through a real store over the real
// defaults layer in $XDG_CONFIG_HOME, forever, each step saving the whole list
// once; a test kills it at random moments. Before each step it prints "step"
// and the list the step should make (a new alarm's identifier is not known
// yet), after it "done" and the list it made, each encoded and in base64 on
// one line straight to the pipe. The clock stands still at NOW, and new alarms
// fall on whole minutes of the next day, so no date ever moves by itself.

#include "model/AlarmCodec.h"
#include "store/AlarmStore.h"
#include "store/Defaults.h"
#include "support/FakeClock.h"
#include "support/RecordingPresenter.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cerrno>
#include <cmath>
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

    const auto encoded = [](const QList<Alarm> &alarms) {
        return encodeAlarms(alarms).value_or(QByteArray()).toBase64();
    };
    const Moment firstMinute = std::ceil(now / 60) * 60;
    for (int step = 0;; ++step) {
        QList<Alarm> expected = store.alarms();
        const int choice = expected.size() < 2 ? 0 : expected.size() >= 8 ? 2 : random.bounded(3);
        const qsizetype index = choice == 0 ? 0 : random.bounded(int(expected.size()));
        const Alarm chosen = choice == 0 ? Alarm() : expected.at(index);
        Alarm added;
        if (choice == 0) {
            added.fireDate = firstMinute + 60.0 * random.bounded(24 * 60 - 1);
            added.label = u"run %1 step %2 \u23f0"_s.arg(run).arg(step);
            added.repeatsDaily = random.bounded(2) == 1;
            expected.append(added);
        } else if (choice == 1) {
            expected[index].isEnabled = !chosen.isEnabled;
        } else {
            expected.removeAt(index);
        }
        say("step " + encoded(expected));
        if (choice == 0)
            store.add(added.fireDate, added.label,
                added.repeatsDaily ? AlarmStore::Recurrence::Daily : AlarmStore::Recurrence::Once);
        else if (choice == 1)
            store.setEnabled(!chosen.isEnabled, chosen);
        else
            store.deleteAlarm(chosen);
        say("done " + encoded(store.alarms()));
    }
}
