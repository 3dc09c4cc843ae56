#pragma once

class QString;

// Tells the user something in passing, in the desktop's usual way (a
// notification bubble), without a window of the program's own.
class AbstractNotifier
{
public:
    virtual ~AbstractNotifier() = default;

    virtual void notify(const QString &summary, const QString &body) = 0;

protected:
    AbstractNotifier() = default;
    AbstractNotifier(const AbstractNotifier &) = default;
    AbstractNotifier &operator=(const AbstractNotifier &) = default;
};
