#include "store/TickSchedule.h"

#include <algorithm>
#include <cmath>

namespace {

// A tick may run this much before its moment by the wall clock, which the
// system may slew against the timer's own clock.
constexpr double kEarliness = 0.05;

} // namespace

Moment TickSchedule::next(Moment scheduled, Moment now)
{
    // A tick that ran when it was due keeps to the schedule, so that its own
    // lateness does not build up from tick to tick. After the wall clock
    // jumped, or the machine slept, the schedule starts again from now.
    const bool onTime = now >= scheduled - kEarliness && now <= scheduled + kTolerance;
    const Moment base = onTime ? scheduled : now;
    const Moment earliest = base + kPeriod;
    const Moment onTheSecond = std::ceil(earliest - kPhase) + kPhase;
    return std::min(onTheSecond, earliest + kTolerance);
}
