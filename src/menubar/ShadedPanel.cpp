#include "menubar/ShadedPanel.h"

#include <QPainter>

ShadedPanel::ShadedPanel(qreal cornerRadius, qreal opacity, QWidget *parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
    , m_opacity(opacity)
{ }

void ShadedPanel::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(float(m_opacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}
