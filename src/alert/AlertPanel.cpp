#include "alert/AlertPanel.h"

#include "alert/AlertView.h"

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
