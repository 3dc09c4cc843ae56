#include "store/AlarmStore.h"

#include "model/AlarmCodec.h"
#include "model/Calendar.h"
#include "model/Clock.h"
#include "store/AbstractAlertPresenter.h"
#include "store/AbstractWakeNotifier.h"
#include "store/Defaults.h"
#include "store/TickSchedule.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

// Off unless switched on (QT_LOGGING_RULES="brisvane.store.debug=true"): lets
// end-to-end tests see each ring and each write of the running program, which
// the screen and the file alone show only late or not at all.
Q_LOGGING_CATEGORY(lcStore, "brisvane.store", QtInfoMsg)

// Spaces (general category Zs) and the tab; line breaks stay.
bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

AlarmStore::AlarmStore(Services services, QObject *parent)
    : QObject(parent)
    , m_clock(std::move(services.clock))
    , m_defaults(std::move(services.defaults))
    , m_presenter(std::move(services.presenter))
    , m_wakeNotifier(std::move(services.wakeNotifier))
{
    Q_ASSERT(m_clock && m_defaults && m_presenter);
    load();

    // A precise timer set off anew at each tick, for the moment the tick
    // schedule gives: one wake-up a second, a few milliseconds after it.
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AlarmStore::tick);
    m_day = Calendar::localDay(m_clock->now());
    m_nextTick = m_clock->now() + TickSchedule::kPeriod;
    m_timer.start(int(TickSchedule::kPeriod * 1000));

    if (m_wakeNotifier)
        connect(m_wakeNotifier.get(), &AbstractWakeNotifier::woke, this, &AlarmStore::checkAlarms);
}

AlarmStore::~AlarmStore() = default;

void AlarmStore::tick()
{
    QElapsedTimer checking;
    checking.start();
    const Moment now = m_clock->now();
    m_nextTick = TickSchedule::next(m_nextTick, now);
    checkAlarms();
    // Midnight, a clock set forward or back, a wake-up on another day and a
    // new time zone all show here, at the tick the store makes anyway.
    const Calendar::LocalDay day = Calendar::localDay(now);
    if (day != m_day) {
        m_day = day;
        Q_EMIT dayChanged();
    }
    // Counted on the timer's own clock from the start of this tick: the check
    // may take a while, and the wall clock may jump meanwhile.
    const double milliseconds = std::ceil((m_nextTick - now) * 1000.0) - double(checking.elapsed());
    m_timer.start(int(std::max(milliseconds, 0.0)));
}

void AlarmStore::load()
{
    QByteArray bytes;
    switch (m_defaults->data(kDefaultsKey, bytes)) {
    case Defaults::Found::Nothing:
        return;
    case Defaults::Found::Unreadable:
        m_unreadable = Unreadable {};
        return;
    case Defaults::Found::Blob:
        break;
    }
    std::optional<QList<Alarm>> decoded = decodeAlarms(bytes);
    if (!decoded) {
        m_unreadable = Unreadable { true, std::move(bytes) };
        return;
    }
    // A list that loads is written straight back in our own form.
    setAlarms(*decoded);
}

void AlarmStore::save()
{
    const std::optional<QByteArray> bytes = encodeAlarms(m_alarms);
    if (!bytes) {
        setSaveError(tr("an alarm has no time that can be stored"));
        return;
    }
    keepUnreadable();
    // The user's list is saved even when the unreadable one could not be kept
    // aside: its bytes then wait in memory for a later save.
    QString error;
    const bool saved = m_defaults->setData(kDefaultsKey, *bytes, &error);
    qCDebug(lcStore, "%s %lld bytes", saved ? "saved" : "save failed", qlonglong(bytes->size()));
    if (saved && m_unreadable) {
        m_unreadable->inPlace = false;
        if (!m_unreadable->bytes)
            m_unreadable.reset(); // nothing left of it to keep
    }
    if (!saved && error.isEmpty())
        error = tr("unknown error");
    setSaveError(saved ? QString() : error);
}

void AlarmStore::keepUnreadable()
{
    if (!m_unreadable)
        return;
    // Moving the file aside needs no room on the disk; its bytes are written
    // aside only where it cannot be moved.
    const Moment now = m_clock->now();
    if ((m_unreadable->inPlace && m_defaults->moveUnreadable(kDefaultsKey, now))
        || (m_unreadable->bytes
            && m_defaults->keepUnreadable(kDefaultsKey, *m_unreadable->bytes, now)))
        m_unreadable.reset();
}

void AlarmStore::setSaveError(const QString &error)
{
    if (error == m_saveError)
        return;
    // Once per run of failures: each save while the disk stays full would
    // repeat the same line.
    if (m_saveError.isEmpty())
        qCWarning(lcStore,
            "Alarms could not be saved: %s; until a save succeeds they ring only "
            "while Brisvane runs",
            qUtf8Printable(error));
    m_saveError = error;
    Q_EMIT saveErrorChanged();
}

void AlarmStore::alarmsEdited()
{
    save();
    Q_EMIT alarmsChanged();
}

void AlarmStore::setAlarms(const QList<Alarm> &alarms)
{
    const bool changed = alarms != m_alarms;
    m_alarms = alarms;
    save();
    if (changed)
        Q_EMIT alarmsChanged();
}

QList<Alarm> AlarmStore::sortedAlarms() const
{
    QList<Alarm> sorted = m_alarms;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Alarm &a, const Alarm &b) {
        if (a.isEnabled != b.isEnabled)
            return a.isEnabled;
        return a.fireDate < b.fireDate;
    });
    return sorted;
}

void AlarmStore::add(QTime timeOfDay, const QString &label, Recurrence recurrence)
{
    const Moment now = m_clock->now();
    Alarm alarm;
    alarm.fireDate = nextOccurrenceOfTimeOfDay(timeOfDay, now);
    alarm.label = trimmed(label);
    alarm.repeatsDaily = recurrence == Recurrence::Daily;
    m_alarms.append(alarm);
    alarmsEdited();
}

void AlarmStore::setEnabled(bool enabled, const Alarm &alarm)
{
    const auto it = std::find_if(
        m_alarms.begin(), m_alarms.end(), [&](const Alarm &a) { return a.id == alarm.id; });
    if (it == m_alarms.end())
        return;
    const qsizetype index = it - m_alarms.begin();
    m_alarms[index].isEnabled = enabled;
    alarmsEdited();
    if (!enabled)
        return;
    // A stale date (now included) moves to the next occurrence of its time.
    const Moment fireDate = m_alarms.at(index).fireDate;
    if (fireDate <= m_clock->now()) {
        m_alarms[index].fireDate = nextOccurrenceOfTimeOfDay(fireDate, m_clock->now());
        alarmsEdited();
    }
}

void AlarmStore::deleteAlarm(const Alarm &alarm)
{
    m_alarms.removeIf([&](const Alarm &a) { return a.id == alarm.id; });
    alarmsEdited();
}

void AlarmStore::ring(const RingingAlarm &alarm)
{
    qCDebug(lcStore, "ring %.3f %s", alarm.scheduledFor, qUtf8Printable(alarm.label));
    m_ringing.append(alarm);
    Q_EMIT ringingChanged();
    if (m_ringing.size() == 1)
        showFirst();
}

void AlarmStore::showFirst()
{
    if (m_ringing.isEmpty()) {
        m_presenter->hide();
        return;
    }
    // The actions act on whatever is first in the queue when they run, and do
    // nothing once the store is gone.
    const QPointer<AlarmStore> self(this);
    m_presenter->show(
        m_ringing.first(),
        [self] {
            if (self)
                self->snoozeCurrent();
        },
        [self] {
            if (self)
                self->dismissCurrent();
        });
}

void AlarmStore::snoozeCurrent()
{
    if (m_ringing.isEmpty())
        return;
    const RingingAlarm current = m_ringing.first();
    const Moment now = m_clock->now();
    Moment fireDate = current.scheduledFor + kSnoozeSeconds;
    if (fireDate <= now)
        fireDate = now + kSnoozeSeconds;

    Alarm snooze;
    snooze.fireDate = fireDate;
    snooze.label = current.label;
    snooze.isSnooze = true;
    m_alarms.append(snooze);
    alarmsEdited();
    dismissCurrent();
}

void AlarmStore::dismissCurrent()
{
    if (m_ringing.isEmpty())
        return;
    m_ringing.removeFirst();
    Q_EMIT ringingChanged();
    showFirst();
}

void AlarmStore::checkAlarms()
{
    const Moment now = m_clock->now();
    // Reading through a const reference leaves the shared list undetached, so
    // a quiet tick copies nothing.
    QList<Alarm> working = m_alarms;
    bool touched = false;
    for (qsizetype i = 0; i < working.size(); ++i) {
        const Alarm &alarm = std::as_const(working).at(i);
        if (alarm.isSnooze && !alarm.isEnabled)
            touched = true;
        if (!alarm.isEnabled || alarm.fireDate > now)
            continue;
        touched = true;
        const Moment fireDate = alarm.fireDate;
        const bool daily = alarm.repeatsDaily;
        // Writing to `working` detaches it, which would leave `alarm` dangling.
        ring(RingingAlarm { QUuid::createUuid(), alarm.label, fireDate });
        if (daily)
            working[i].fireDate = nextOccurrenceOfTimeOfDay(fireDate, now);
        else
            working[i].isEnabled = false;
    }
    if (!touched)
        return;
    working.removeIf([](const Alarm &a) { return a.isSnooze && !a.isEnabled; });
    if (working != m_alarms)
        setAlarms(working);
}
