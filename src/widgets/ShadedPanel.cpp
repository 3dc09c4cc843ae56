#include "widgets/ShadedPanel.h"

#include <QPainter>

ShadedPanel::ShadedPanel(qreal cornerRadius, qreal opacity, QWidget *parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
    , m_opacity(opacity)
{ }

QColor ShadedPanel::textShade(const QPalette &palette, qreal opacity)
{
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(float(opacity));
    return colour;
}

void ShadedPanel::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(textShade(palette(), m_opacity));
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}
