#include "menubar/ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kTrackWidth = 34;
constexpr int kTrackHeight = 20;
constexpr int kKnobInset = 2;
} // namespace

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    return { kTrackWidth, kTrackHeight };
}

bool ToggleSwitch::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void ToggleSwitch::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF track
        = QRectF(0, 0, kTrackWidth, kTrackHeight)
              .translated((width() - kTrackWidth) / 2.0, (height() - kTrackHeight) / 2.0);
    const qreal radius = track.height() / 2;

    QColor trackColour;
    if (isChecked()) {
        trackColour = palette().color(QPalette::Highlight);
    } else {
        trackColour = palette().color(QPalette::WindowText);
        trackColour.setAlphaF(0.22f);
    }
    if (!isEnabled())
        trackColour.setAlphaF(trackColour.alphaF() * 0.5f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(track, radius, radius);

    const qreal knobDiameter = track.height() - 2 * kKnobInset;
    const qreal knobX
        = isChecked() ? track.right() - kKnobInset - knobDiameter : track.left() + kKnobInset;
    const QRectF knob(knobX, track.top() + kKnobInset, knobDiameter, knobDiameter);
    QColor shadow(0, 0, 0, 50);
    painter.setBrush(shadow);
    painter.drawEllipse(knob.translated(0, 0.75));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob);

    if (hasFocus()) {
        QPen focusPen(palette().color(QPalette::Highlight));
        focusPen.setWidthF(1.5);
        painter.setPen(focusPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }
}
