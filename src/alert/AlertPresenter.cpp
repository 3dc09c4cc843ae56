#include "alert/AlertPresenter.h"

#include "alert/AbstractDesktop.h"
#include "alert/AlertPanel.h"
#include "model/RingingAlarm.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

AlertPresenter::AlertPresenter(const AbstractDesktop &desktop)
    : m_desktop(desktop)
{ }

AlertPresenter::~AlertPresenter()
{
    // Not from inside a press: the store, and with it the presenter, goes
    // away only at the end of the run.
    delete m_panel;
}

AlertPanel *AlertPresenter::panel() const
{
    return m_panel;
}

void AlertPresenter::show(const RingingAlarm &alarm, Action onSnooze, Action onDismiss)
{
    hide();

    QScreen *screen = mainScreen();
    if (!screen)
        return;

    const auto backdrop = m_desktop.hasCompositor() ? AlertPanel::Backdrop::Translucent
                                                    : AlertPanel::Backdrop::Masked;
    auto *panel = new AlertPanel(alarm, std::move(onSnooze), std::move(onDismiss), backdrop);
    panel->setScreen(screen);
    panel->setGeometry(panelRect(screen->geometry()));
    panel->show();
    m_panel = panel;
}

void AlertPresenter::hide()
{
    if (!m_panel)
        return;
    // Mostly called from inside a press of the panel's own button, so the
    // panel must outlive the event being handled.
    m_panel->hide();
    m_panel->deleteLater();
    m_panel = nullptr;
}

QRect AlertPresenter::panelRect(const QRect &screen)
{
    const qreal width = screen.width() / 3.0 * 1.1;
    const qreal height = screen.height() / 3.0 * 1.1;
    const qreal centreX = screen.x() + screen.width() / 2.0;
    const qreal centreY = screen.y() + screen.height() / 2.0;
    // Each rounded on its own, so that the size does not depend on where the
    // screen lies.
    return QRect(qRound(centreX - width * 0.5), qRound(centreY - height * 0.5), qRound(width),
        qRound(height));
}

QScreen *AlertPresenter::mainScreen() const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return nullptr;

    if (const std::optional<QRect> active = m_desktop.activeWindowFrame()) {
        if (QScreen *screen = screenHolding(*active))
            return screen;
    }

    if (QScreen *underPointer = QGuiApplication::screenAt(QCursor::pos()))
        return underPointer;
    return QGuiApplication::primaryScreen();
}

QScreen *AlertPresenter::screenHolding(const QRect &nativeFrame)
{
    // A screen keeps its origin in device pixels; only its size scales.
    QScreen *best = nullptr;
    qint64 bestArea = 0;
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect native(
            screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
        const QRect overlap = native.intersected(nativeFrame);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}
