#pragma once

#include "model/Moment.h"

// When the watching timer ticks next. It ticks about once a second: each
// interval is at least kPeriod and at most kPeriod + kTolerance. Alarms fall
// due at second 0 of a minute, so the schedule uses that freedom to bring the
// ticks to kPhase after each whole second of the wall clock within a few
// ticks, and to keep them there: the alert then comes up a few milliseconds
// after its minute, not anywhere in the second after it.
class TickSchedule
{
public:
    static constexpr double kPeriod = 1.0;
    static constexpr double kTolerance = 0.2;
    static constexpr double kPhase = 0.005;

    // The moment of the tick after the one that was due at `scheduled` and
    // runs at `now`.
    static Moment next(Moment scheduled, Moment now);
};
