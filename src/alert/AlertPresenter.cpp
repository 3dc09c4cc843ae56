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
    qDeleteAll(m_panels);
}

QList<AlertPanel *> AlertPresenter::panels() const
{
    QList<AlertPanel *> panels;
    for (AlertPanel *panel : m_panels) {
        if (panel)
            panels.append(panel);
    }
    return panels;
}

void AlertPresenter::show(const RingingAlarm &alarm, Action onSnooze, Action onDismiss)
{
    hide();
    const auto backdrop = m_desktop.hasCompositor() ? AlertPanel::Backdrop::Translucent
                                                    : AlertPanel::Backdrop::Masked;
    for (QScreen *screen : screensInUse()) {
        auto *panel = new AlertPanel(alarm, onSnooze, onDismiss, backdrop);
        panel->setScreen(screen);
        panel->setGeometry(panelRect(screen->geometry()));
        panel->show();
        m_panels.append(panel);
    }
}

void AlertPresenter::hide()
{
    // Mostly called from inside a press of a panel's own button, so the
    // panel must outlive the event being handled.
    for (AlertPanel *panel : std::as_const(m_panels)) {
        if (panel) {
            panel->hide();
            panel->deleteLater();
        }
    }
    m_panels.clear();
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

QList<QScreen *> AlertPresenter::screensInUse() const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return {};
    if (const std::optional<QRect> active = m_desktop.activeWindowFrame()) {
        if (QScreen *screen = screenHolding(*active))
            return { screen };
    }
    if (m_desktop.knowsPointer()) {
        if (QScreen *underPointer = QGuiApplication::screenAt(QCursor::pos()))
            return { underPointer };
    } else if (screens.size() > 1) {
        // Nothing tells which screen is in use: an alert that goes unseen on
        // another screen is the one failure an alarm clock may not have.
        return screens;
    }
    return { QGuiApplication::primaryScreen() };
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
