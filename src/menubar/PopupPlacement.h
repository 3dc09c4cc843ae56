#pragma once

class QPoint;
class QRect;
class QSize;

// Where the window that opens from the tray item goes.
namespace PopupPlacement {

// The top-left corner for a window of `size` opened from the tray item at
// `anchor` (the item itself, or the point of the click), on a screen whose
// whole frame is `screen` and whose `available` area leaves out the panels
// that the desktop reserves room for.
//
// A tray sits in a panel along the screen edge nearest to it. The window goes
// beside that panel, centred on the item across, wholly inside the available
// area and clear of the panel: of the room it reserves, and of the band from
// the edge to as far again beyond the item, for desktops that reserve too
// little (a floating panel) or nothing at all. An anchor far from every edge
// is in no panel: the window opens below it in the upper half of the screen,
// above it in the lower half.
QPoint topLeft(const QRect &anchor, const QSize &size, const QRect &screen, const QRect &available);

} // namespace PopupPlacement
