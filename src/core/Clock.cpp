#include "Clock.h"

#include <chrono>

namespace {

Clock& CurrentClock() {
    static Clock clock;
    return clock;
}

}  // namespace

qint64 NowMs() {
    if (const Clock& clock = CurrentClock()) {
        return clock();
    }
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Clock SetClock(Clock clock) {
    Clock previous = std::move(CurrentClock());
    CurrentClock() = std::move(clock);
    return previous;
}
