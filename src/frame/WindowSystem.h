#pragma once

#include "frame/FrameInput.h"

#include <QPoint>

#include <memory>
#include <optional>

class QKeyEvent;
class QWidget;

// What the frame window needs of the window system beyond the toolkit.

// Asks the task bar and the pager to leave the window out: before the window is mapped
// through its state property, afterwards through the window manager.
void KeepOffTaskbar(QWidget* window);

// Where the window system has the window, in logical pixels; none where the toolkit's own
// record can be trusted. On X11 the toolkit sometimes takes a position relative to the
// window manager's frame, not yet placed, for the window's own (0,0 instead of the place).
std::optional<QPoint> PositionOnScreen(QWidget* window);

// The key of a key event as the frame reads it: by the key pressed, not by the character.
FrameKey FrameKeyOf(const QKeyEvent& event);

// Tells a close request that came from Alt+F4 from one that came from a pager or a tool.
// The window manager keeps Alt+F4 to itself and sends a close request instead, which may
// arrive after Alt is up; so the keyboard's Alt state is followed from the start.
class CloseRequestWatch {
public:
    CloseRequestWatch();
    ~CloseRequestWatch();
    CloseRequestWatch(const CloseRequestWatch&) = delete;
    CloseRequestWatch& operator=(const CloseRequestWatch&) = delete;

    // Whether the close request being handled came with Alt held.
    bool RequestWithAlt() const;

private:
    struct Follower;
    std::unique_ptr<Follower> follower;
};
