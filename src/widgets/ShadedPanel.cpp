#include "widgets/ShadedPanel.h"

#include "widgets/Look.h"

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
    painter.setPen(Qt::NoPen);
    painter.setBrush(Look::shade(palette(), m_opacity));
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}
