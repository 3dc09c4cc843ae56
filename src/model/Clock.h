#pragma once

#include "model/Moment.h"

// The source of the current moment. Logic asks a Clock and never reads the
// wall clock itself, so tests can set the time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual Moment now() const = 0;

protected:
    Clock() = default;
    Clock(const Clock &) = default;
    Clock &operator=(const Clock &) = default;
};
