#pragma once

#include <QRect>

#include <optional>

// What the desktop can tell the alert about itself.
class AbstractDesktop
{
public:
    virtual ~AbstractDesktop() = default;

    // The frame of the window that has the keyboard focus, in the root
    // window's device pixels; none where that cannot be told.
    virtual std::optional<QRect> activeWindowFrame() const = 0;

    // Whether the pointer's position tells where the user is: not where the
    // pointer is seen only while it is over the program's own kind of window.
    virtual bool knowsPointer() const = 0;

    // Whether a compositing manager runs, so that a window may have truly
    // clear parts.
    virtual bool hasCompositor() const = 0;

protected:
    AbstractDesktop() = default;
    AbstractDesktop(const AbstractDesktop &) = default;
    AbstractDesktop &operator=(const AbstractDesktop &) = default;
};
