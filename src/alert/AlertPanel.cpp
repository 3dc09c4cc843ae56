#include "alert/AlertPanel.h"

#include "alert/AlertView.h"
#include "widgets/AccessibleRole.h"

#include <QPainterPath>
#include <QRegion>

using namespace Qt::Literals::StringLiterals;

AlertPanel::AlertPanel(const RingingAlarm &alarm, Action onSnooze, Action onDismiss,
    Backdrop backdrop, QWidget *parent)
    : QWidget(parent,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::X11BypassWindowManagerHint)
    , m_view(new AlertView(alarm, std::move(onSnooze), std::move(onDismiss), this))
    , m_backdrop(backdrop)
{
    // To a screen reader the panel is a notification, the kind of window that
    // Orca speaks when it comes up without the keyboard focus (one of role alert
    // it passes over): it says the window's name, then the labels in it that do
    // not repeat that name, which leaves the subtitle with the alarm's label and
    // time.
    AccessibleRole::install("AlertPanel", QAccessible::Notification);
    setObjectName(u"alertPanel"_s);
    setWindowTitle(tr("Brisvane"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (m_backdrop == Backdrop::Translucent)
        setAttribute(Qt::WA_TranslucentBackground);
}

void AlertPanel::resizeEvent(QResizeEvent *event)
{
    // The view fills the panel and sizes everything from that.
    m_view->setGeometry(rect());
    if (m_backdrop == Backdrop::Masked)
        setMask(QRegion(m_view->cardShape().toFillPolygon().toPolygon()));
    QWidget::resizeEvent(event);
}
