#pragma once

#include <QWidget>

#include <functional>

class AlertView;
struct RingingAlarm;

// The borderless window that holds the alert: in front of every window,
// full-screen ones included, on every workspace, never taking the keyboard
// focus, and the first click goes to the button under the pointer. On X11
// only a window that bypasses the window manager does all of that.
class AlertPanel : public QWidget
{
    Q_OBJECT

public:
    using Action = std::function<void()>;

    // Where no compositor runs, a clear pixel shows black: the panel then
    // cuts its window to the card's shape instead.
    enum class Backdrop
    {
        Translucent,
        Masked
    };

    AlertPanel(const RingingAlarm &alarm, Action onSnooze, Action onDismiss, Backdrop backdrop,
        QWidget *parent = nullptr);

    AlertView *view() const { return m_view; }
    Backdrop backdrop() const { return m_backdrop; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    AlertView *m_view;
    Backdrop m_backdrop;
};
