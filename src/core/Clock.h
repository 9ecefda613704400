#pragma once

#include <QtGlobal>

#include <functional>

// The program's monotonic clock, through one replaceable function so that tests can let
// time pass without waiting.

using Clock = std::function<qint64()>;

// Milliseconds since an arbitrary start, never going back.
qint64 NowMs();

// Replaces the clock and returns the previous one; an empty clock restores the real one.
Clock SetClock(Clock clock);
