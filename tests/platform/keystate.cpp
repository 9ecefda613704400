// Prints the modifier keys that the platform layer reads as held, for the end-to-end test
// that holds them down on a virtual desktop.
#include "platform/Platform.h"

#include <cstdio>

int main() {
    const platform::ShiftState state = platform::ShiftStateNow();
    std::printf("shift=%d alt=%d ctrl=%d\n", int(state.shift), int(state.alt), int(state.ctrl));
    return 0;
}
