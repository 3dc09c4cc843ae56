#pragma once

#include <QRect>

#include <optional>

// What the X11 desktop tells about itself, asked directly through xcb. On any
// other platform every answer is "unknown".
namespace X11Desktop {

// The frame of the window that has the keyboard focus (the window manager's
// _NET_ACTIVE_WINDOW), in the root window's device pixels; none where no
// window is active or the window manager does not say.
std::optional<QRect> activeWindowGeometry();

// Whether a compositing manager runs (owns the _NET_WM_CM_Sn selection), so
// that a window may have truly clear parts.
bool hasCompositor();

} // namespace X11Desktop
