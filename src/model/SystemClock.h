#pragma once

#include "model/Clock.h"

// The real wall clock.
class SystemClock final : public Clock
{
public:
    Moment now() const override;
};
