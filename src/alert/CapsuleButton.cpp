#include "alert/CapsuleButton.h"

#include "widgets/TextFit.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr qreal kBorderWidth = 3;
constexpr qreal kHorizontalPadding = 1.1; // times the font size
constexpr qreal kVerticalPadding = 0.5;

QPainterPath capsuleIn(const QRectF &rect)
{
    QPainterPath path;
    const qreal radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}
} // namespace

CapsuleButton::CapsuleButton(
    const QString &title, const QColor &fill, const QColor &border, QWidget *parent)
    : QAbstractButton(parent)
    , m_fill(fill)
    , m_border(border)
{
    setText(title);
    // Pressed with the pointer only: no keyboard focus, no shortcut.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CapsuleButton::setTextFont(const QFont &font)
{
    setFont(font);
    updateGeometry();
    update();
}

QSize CapsuleButton::sizeHint() const
{
    const QFontMetricsF metrics(font(), this);
    const qreal fontSize = TextFit::pixelSize(font(), this);
    return { int(std::ceil(metrics.horizontalAdvance(text()) + 2 * kHorizontalPadding * fontSize)),
        int(std::ceil(metrics.height() + 2 * kVerticalPadding * fontSize)) };
}

QPainterPath CapsuleButton::capsule() const
{
    return capsuleIn(QRectF(rect()));
}

bool CapsuleButton::hitButton(const QPoint &position) const
{
    // A pixel counts when its centre lies inside the capsule.
    return capsule().contains(QPointF(position) + QPointF(0.5, 0.5));
}

void CapsuleButton::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A plain button shows a press by dimming.
    if (isDown())
        painter.setOpacity(0.7);

    const QRectF box(rect());
    painter.fillPath(capsuleIn(box), m_fill);

    // The border lies wholly inside the capsule's edge.
    QPen pen(m_border, kBorderWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.strokePath(capsuleIn(box.adjusted(kBorderWidth / 2, kBorderWidth / 2, -kBorderWidth / 2,
                           -kBorderWidth / 2)),
        pen);

    painter.setFont(font());
    painter.setPen(Qt::white);
    const QFontMetricsF metrics(font(), this);
    const qreal x = (box.width() - metrics.horizontalAdvance(text())) / 2;
    const qreal baseline = (box.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(x, baseline), text());
}
