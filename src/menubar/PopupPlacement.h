#pragma once

class QPoint;
class QRect;
class QSize;

// Where the window that opens from the tray icon goes.
namespace PopupPlacement {

// The top-left corner for a window of `size` that hangs from `anchor`, the
// icon: below it when the icon sits in the upper half of `screen`, above it
// otherwise; centred on the icon across; and moved as little as needed to lie
// wholly inside `screen`.
QPoint topLeft(const QRect &anchor, const QSize &size, const QRect &screen);

} // namespace PopupPlacement
