#pragma once

#include "store/AbstractAlertPresenter.h"

#include <QPointer>
#include <QRect>

class AbstractDesktop;
class AlertPanel;
class QScreen;

// Shows each ringing alarm in a new alert panel, 11/30 of the main screen in
// each direction and centred on it, without sound and without a time-out.
// It owns at most one panel.
class AlertPresenter final : public AbstractAlertPresenter
{
public:
    explicit AlertPresenter(const AbstractDesktop &desktop);
    ~AlertPresenter() override;
    Q_DISABLE_COPY_MOVE(AlertPresenter)

    // Nothing is shown when the system has no screen at all.
    void show(const RingingAlarm &alarm, Action onSnooze, Action onDismiss) override;
    void hide() override;

    // The panel now up, if any.
    AlertPanel *panel() const;

    // The panel's frame on a screen of frame `screen`.
    static QRect panelRect(const QRect &screen);

    // The screen that holds the window with the keyboard focus; where that
    // cannot be told, the screen under the pointer, then the primary screen.
    QScreen *mainScreen() const;

    // The screen that holds most of a window whose frame is `nativeFrame`,
    // in device pixels; none when the window lies on no screen.
    static QScreen *screenHolding(const QRect &nativeFrame);

private:
    const AbstractDesktop &m_desktop;
    QPointer<AlertPanel> m_panel;
};
