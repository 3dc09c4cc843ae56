#include "model/SystemClock.h"

#include <chrono>

Moment SystemClock::now() const
{
    using namespace std::chrono;
    const duration<double> sinceUnixEpoch = system_clock::now().time_since_epoch();
    return sinceUnixEpoch.count() - kMomentEpochOffset;
}
