#pragma once

// A moment in time: seconds since 2001-01-01 00:00:00 UTC, as a double. This is
// the form moments take in memory and in the stored alarm list.
using Moment = double;

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double kMomentEpochOffset = 978307200.0;
