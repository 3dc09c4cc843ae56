#pragma once

#include "store/AbstractAlertPresenter.h"

#include <QList>
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

    // The panels now up: one, or one on each screen (see screensInUse).
    QList<AlertPanel *> panels() const;

    // The panel's frame on a screen of frame `screen`.
    static QRect panelRect(const QRect &screen);

    // The screen in use: the one that holds the window with the keyboard
    // focus; where that cannot be told, the one under the pointer, then the
    // primary screen. Where neither the focus nor the pointer can be seen
    // (under XWayland, while a Wayland window has the focus), every screen.
    QList<QScreen *> screensInUse() const;

    // The screen that holds most of a window whose frame is `nativeFrame`,
    // in device pixels; none when the window lies on no screen.
    static QScreen *screenHolding(const QRect &nativeFrame);

private:
    const AbstractDesktop &m_desktop;
    QList<QPointer<AlertPanel>> m_panels;
};
