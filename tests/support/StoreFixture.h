#pragma once

#include "model/AlarmCodec.h"
#include "model/Clock.h"
#include "store/AbstractAlertPresenter.h"
#include "store/AlarmStore.h"
#include "store/FileDefaults.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

// A store over a temporary settings folder, with a clock the test sets, a
// presenter that records what is shown and can press its buttons, and a count
// of the writes that reach the disk.
class StoreFixture
{
public:
    struct Alert
    {
        QList<RingingAlarm> shown; // every show(), in order
        int hides = 0;
        bool up = false;
        AbstractAlertPresenter::Action onSnooze;
        AbstractAlertPresenter::Action onDismiss;
    };

    StoreFixture() { QDir().mkpath(folder()); }

    QString folder() const { return home.path() + QStringLiteral("/brisvane"); }
    QString file() const { return folder() + QStringLiteral("/alarms.json"); }
    QByteArray stored() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool store(const QByteArray &bytes) const
    {
        QFile f(file());
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QList<Alarm> storedAlarms() const { return decodeAlarms(stored()).value_or(QList<Alarm> {}); }

    // A press runs a copy of the action, as a real button's handler does: the
    // action usually replaces the very alert it came from.
    void pressSnooze() const { AbstractAlertPresenter::Action(alert->onSnooze)(); }
    void pressDismiss() const { AbstractAlertPresenter::Action(alert->onDismiss)(); }

    AlarmStore &start(std::unique_ptr<AbstractWakeNotifier> wake = nullptr)
    {
        alarms = std::make_unique<AlarmStore>(AlarmStore::Services { std::make_unique<Fake>(*this),
            std::make_unique<Disk>(folder(), writes), std::make_unique<Fake>(*this),
            std::move(wake) });
        alarmsChanged = std::make_unique<QSignalSpy>(alarms.get(), &AlarmStore::alarmsChanged);
        return *alarms;
    }

    QTemporaryDir home;
    std::shared_ptr<Moment> now = std::make_shared<Moment>(0);
    std::shared_ptr<int> writes = std::make_shared<int>(0);
    std::shared_ptr<Alert> alert = std::make_shared<Alert>();
    std::unique_ptr<AlarmStore> alarms;
    std::unique_ptr<QSignalSpy> alarmsChanged;

private:
    // The clock and the presenter in one: both only hand the fixture's state on.
    class Fake final : public Clock, public AbstractAlertPresenter
    {
    public:
        explicit Fake(const StoreFixture &f)
            : m_now(f.now)
            , m_alert(f.alert)
        { }
        Moment now() const override { return *m_now; }
        void show(const RingingAlarm &alarm, Action onSnooze, Action onDismiss) override
        {
            m_alert->shown.append(alarm);
            m_alert->up = true;
            m_alert->onSnooze = std::move(onSnooze);
            m_alert->onDismiss = std::move(onDismiss);
        }
        void hide() override
        {
            ++m_alert->hides;
            m_alert->up = false;
            m_alert->onSnooze = m_alert->onDismiss = {};
        }

    private:
        std::shared_ptr<Moment> m_now;
        std::shared_ptr<Alert> m_alert;
    };

    class Disk final : public FileDefaults
    {
    public:
        Disk(const QString &folder, std::shared_ptr<int> writes)
            : FileDefaults(folder)
            , m_writes(std::move(writes))
        { }
        bool setData(const QString &key, const QByteArray &bytes, QString *error) override
        {
            ++*m_writes;
            return FileDefaults::setData(key, bytes, error);
        }

    private:
        std::shared_ptr<int> m_writes;
    };
};
