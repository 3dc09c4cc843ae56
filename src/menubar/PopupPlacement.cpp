#include "menubar/PopupPlacement.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>

namespace {

// Between the window and the panel, or the item, it opens from: more than a
// floating panel lifts its body off the room it reserves.
constexpr int kGap = 12;
// An item further than this from every screen edge is in no panel.
constexpr int kPanelReach = 96;

int clampInto(int start, int length, int areaStart, int areaEnd)
{
    // A window longer than the area keeps its start (its top or left) visible.
    return std::max(areaStart, std::min(start, areaEnd - length + 1));
}

enum class Edge
{
    Top,
    Bottom,
    Left,
    Right,
    None
};

Edge panelEdge(const QPoint &item, const QRect &screen)
{
    const int top = item.y() - screen.top();
    const int bottom = screen.bottom() - item.y();
    const int left = item.x() - screen.left();
    const int right = screen.right() - item.x();
    const int nearest = std::min({ top, bottom, left, right });
    if (nearest > kPanelReach)
        return Edge::None;
    if (nearest == top)
        return Edge::Top;
    if (nearest == bottom)
        return Edge::Bottom;
    return nearest == left ? Edge::Left : Edge::Right;
}

} // namespace

QPoint PopupPlacement::topLeft(
    const QRect &anchor, const QSize &size, const QRect &screen, const QRect &available)
{
    const QRect area
        = available.intersected(screen).isEmpty() ? screen : available.intersected(screen);
    const QPoint item = anchor.center();
    // The room left beside the panel, or around the item when it is in none.
    int top = area.top();
    int bottom = area.bottom();
    int left = area.left();
    int right = area.right();
    bool below = item.y() < screen.center().y();
    switch (panelEdge(item, screen)) {
    case Edge::Top:
        top = std::max({ top, 2 * item.y() - screen.top(), anchor.bottom() }) + kGap;
        below = true;
        break;
    case Edge::Bottom:
        bottom = std::min({ bottom, 2 * item.y() - screen.bottom(), anchor.top() }) - kGap;
        below = false;
        break;
    case Edge::Left:
        left = std::max({ left, 2 * item.x() - screen.left(), anchor.right() }) + kGap;
        return { left, clampInto(item.y() - size.height() / 2, size.height(), top, bottom) };
    case Edge::Right:
        right = std::min({ right, 2 * item.x() - screen.right(), anchor.left() }) - kGap;
        return { clampInto(right - size.width() + 1, size.width(), left, right),
            clampInto(item.y() - size.height() / 2, size.height(), top, bottom) };
    case Edge::None:
        if (below)
            top = std::max(top, anchor.bottom() + kGap);
        else
            bottom = std::min(bottom, anchor.top() - kGap);
        break;
    }
    const int x = clampInto(item.x() - size.width() / 2, size.width(), left, right);
    const int y = below ? top : bottom - size.height() + 1;
    return { x, clampInto(y, size.height(), top, bottom) };
}
