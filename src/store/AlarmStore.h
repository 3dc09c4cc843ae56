#pragma once

#include "model/Alarm.h"
#include "model/Calendar.h"
#include "model/RingingAlarm.h"
// Services may leave it out: its whole type must be known wherever one is made.
#include "store/AbstractWakeNotifier.h"

#include <QList>
#include <QObject>
#include <QTime>
#include <QTimer>

#include <memory>
#include <optional>

class AbstractAlertPresenter;
class Clock;
class Defaults;

// The one owner of the user's alarms and of the queue of ringing alarms. It
// saves the whole list at every change, watches the clock once a second and at
// wake from sleep, rings what falls due, and snoozes and dismisses alerts.
class AlarmStore : public QObject
{
    Q_OBJECT
public:
    enum class Recurrence
    {
        Once,
        Daily
    };

    // The platform services the store runs on; production wiring makes the
    // real ones, tests hand in a fake clock and a recording presenter.
    struct Services
    {
        std::unique_ptr<Clock> clock;
        std::unique_ptr<Defaults> defaults;
        std::unique_ptr<AbstractAlertPresenter> presenter;
        std::unique_ptr<AbstractWakeNotifier> wakeNotifier; // may be null
    };

    // Loads the stored list, then starts watching: the first check runs one
    // second from now, never during construction.
    explicit AlarmStore(Services services, QObject *parent = nullptr);
    ~AlarmStore() override;

    // The alarms in stored order: the order in which they were added.
    const QList<Alarm> &alarms() const { return m_alarms; }
    // Replaces the whole list and saves it; observers hear of it only when it
    // differs from the list before.
    void setAlarms(const QList<Alarm> &alarms);
    // Enabled alarms first, then by fire date; ties keep their stored order.
    QList<Alarm> sortedAlarms() const;

    // Rings first at the next moment whose wall clock shows `timeOfDay`; the
    // label loses surrounding spaces and tabs.
    void add(QTime timeOfDay, const QString &label, Recurrence recurrence);
    void setEnabled(bool enabled, const Alarm &alarm);
    void deleteAlarm(const Alarm &alarm);

    // The queue of ringing alarms; the first one is on screen.
    const QList<RingingAlarm> &ringing() const { return m_ringing; }
    void ring(const RingingAlarm &alarm);
    void snoozeCurrent();
    void dismissCurrent();

    // Rings every enabled alarm whose fire date has come, moves daily ones to
    // their next occurrence, switches one-time ones off and drops spent
    // snoozes. The timer and the wake notifier run it; so may tests.
    void checkAlarms();

    const Clock &clock() const { return *m_clock; }

    // Why the last save failed, in the system's words ("No space left on
    // device"); empty when it succeeded. Until a save succeeds the alarms live
    // in memory only: they ring while the program runs, and are gone after it.
    const QString &saveError() const { return m_saveError; }

    static constexpr double kSnoozeSeconds = 300;
    static inline const QString kDefaultsKey = QStringLiteral("alarms");

Q_SIGNALS:
    // Sent after the new list is saved.
    void alarmsChanged();
    void ringingChanged();
    // At a tick on a new local day, or after the time zone changed: what
    // reads "today" or "tomorrow" is to be told again.
    void dayChanged();
    // saveError() changed: saving began to fail, failed for another reason,
    // or succeeded again.
    void saveErrorChanged();

private:
    void tick();
    void load();
    void save();
    void keepUnreadable();
    void setSaveError(const QString &error);
    void showFirst();
    // An in-place change of the list: save, then tell observers.
    void alarmsEdited();

    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<AbstractAlertPresenter> m_presenter;
    std::unique_ptr<AbstractWakeNotifier> m_wakeNotifier;
    QList<Alarm> m_alarms;
    QList<RingingAlarm> m_ringing;
    QTimer m_timer;
    // The moment by the wall clock at which the timer is next due.
    Moment m_nextTick = 0;
    // The local day at the last tick.
    Calendar::LocalDay m_day;
    // A stored list that could not be read, to be kept aside before a save
    // replaces it: in its place on disk until a save has replaced it, and in
    // memory too when its bytes could be read.
    struct Unreadable
    {
        bool inPlace = true;
        std::optional<QByteArray> bytes;
    };
    std::optional<Unreadable> m_unreadable;
    QString m_saveError;
};
