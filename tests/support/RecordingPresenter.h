#pragma once

#include "model/RingingAlarm.h"
#include "store/AbstractAlertPresenter.h"

#include <QList>

#include <memory>

// Records what the store asks of the alert, and lets the test press the
// buttons of the alert that is up.
class RecordingPresenter final : public AbstractAlertPresenter
{
public:
    struct Log
    {
        QList<RingingAlarm> shown; // every show(), in order
        int hides = 0;
        std::optional<RingingAlarm> current; // what is on screen now
        Action onSnooze;
        Action onDismiss;

        // The action usually replaces itself (the next alert goes up), so run
        // a copy, as a real button does with its own handler.
        void pressSnooze() const
        {
            const Action action = onSnooze;
            action();
        }
        void pressDismiss() const
        {
            const Action action = onDismiss;
            action();
        }
    };

    explicit RecordingPresenter(std::shared_ptr<Log> log)
        : m_log(std::move(log))
    { }

    void show(const RingingAlarm &alarm, Action onSnooze, Action onDismiss) override
    {
        m_log->shown.append(alarm);
        m_log->current = alarm;
        m_log->onSnooze = std::move(onSnooze);
        m_log->onDismiss = std::move(onDismiss);
    }
    void hide() override
    {
        ++m_log->hides;
        m_log->current.reset();
        m_log->onSnooze = {};
        m_log->onDismiss = {};
    }

private:
    std::shared_ptr<Log> m_log;
};
