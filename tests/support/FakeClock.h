#pragma once

#include "model/Clock.h"

#include <memory>

// A clock that shows whatever the test sets. The store owns its clock, so the
// test keeps a shared handle to the time it reads.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(std::shared_ptr<Moment> time)
        : m_time(std::move(time))
    { }
    Moment now() const override { return *m_time; }

private:
    std::shared_ptr<Moment> m_time;
};
