#pragma once

#include <cstdint>
#include <vector>

struct xcb_connection_t;

// Watches the X11 desktop ($DISPLAY) for the windows its window manager manages, to tell when a
// program's window has reached the screen.
class WindowWatch {
public:
    WindowWatch();
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // A display with a window manager that lists its clients (_NET_CLIENT_LIST).
    bool usable();
    // Forgets the windows created so far: call it before starting a program.
    void expectNewWindows();
    // Waits up to `timeoutMs` for a viewable managed window created since expectNewWindows,
    // at least `minSide` pixels wide and high.
    bool waitForNewWindow(int minSide, int timeoutMs);

private:
    std::vector<std::uint32_t> clients();
    void readEvents();
    bool newWindowShown(int minSide);

    xcb_connection_t* connection = nullptr;
    std::uint32_t root = 0;
    std::uint32_t clientList = 0;  // the atom _NET_CLIENT_LIST
    // Top-level windows created since expectNewWindows. A closed program's window can stay in
    // the client list for a moment while its id is given to the next program, so the list
    // alone cannot tell a new window.
    std::vector<std::uint32_t> created;
};
