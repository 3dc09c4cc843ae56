#pragma once

#include "alert/AbstractDesktop.h"

// The X11 desktop, asked directly through Qt's xcb connection. On any other
// platform every answer is "unknown".
class X11Desktop final : public AbstractDesktop
{
public:
    // The window manager's _NET_ACTIVE_WINDOW.
    std::optional<QRect> activeWindowFrame() const override;
    // An owner of the _NET_WM_CM_Sn selection.
    bool hasCompositor() const override;
};
