#pragma once

#include <functional>

struct RingingAlarm;

// Puts the alert for one ringing alarm on screen and takes it down.
class AbstractAlertPresenter
{
public:
    using Action = std::function<void()>;

    virtual ~AbstractAlertPresenter() = default;

    // When this returns, exactly one alert is up, showing `alarm`; one that was
    // up before is taken down first. The presenter runs `onSnooze` and
    // `onDismiss` on each press of their buttons, during the press, while the
    // alert is still up; an action may replace or hide that very alert.
    virtual void show(const RingingAlarm &alarm, Action onSnooze, Action onDismiss) = 0;

    // Takes the alert down, if one is up.
    virtual void hide() = 0;

protected:
    AbstractAlertPresenter() = default;
    AbstractAlertPresenter(const AbstractAlertPresenter &) = default;
    AbstractAlertPresenter &operator=(const AbstractAlertPresenter &) = default;
};
