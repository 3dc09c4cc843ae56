#include "menubar/PopupPlacement.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>

namespace {
constexpr int kGap = 4;

int clampInto(int start, int length, int areaStart, int areaLength)
{
    // A window longer than the area keeps its start (its top or left) visible.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}
} // namespace

QPoint PopupPlacement::topLeft(const QRect &anchor, const QSize &size, const QRect &screen)
{
    const bool below = anchor.center().y() < screen.center().y();
    const int y = below ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - size.height();
    const int x = anchor.center().x() - size.width() / 2;
    return { clampInto(x, size.width(), screen.left(), screen.width()),
        clampInto(y, size.height(), screen.top(), screen.height()) };
}
