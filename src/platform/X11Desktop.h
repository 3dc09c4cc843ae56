#pragma once

#include "alert/AbstractDesktop.h"

// The X11 desktop, asked directly through Qt's xcb connection. On any other
// platform every answer is "unknown". Under XWayland X11 sees the focus only
// while an X11 window has it.
class X11Desktop final : public AbstractDesktop
{
public:
    // The window manager's _NET_ACTIVE_WINDOW.
    std::optional<QRect> activeWindowFrame() const override;
    // Not under XWayland, where X11 sees the pointer only over X11 windows.
    bool knowsPointer() const override;
    // An owner of the _NET_WM_CM_Sn selection.
    bool hasCompositor() const override;
};
