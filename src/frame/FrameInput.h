#pragma once

#include <QPoint>
#include <Qt>

#include <deque>

// What the frame window does for a key or a turn of the mouse wheel. Keys are bound to the
// key pressed, not to the character it types, so that every layout behaves like a US one:
// the key left of "1" turns the skin, the "0" key resets the angle on AZERTY too, and
// Shift with "+" rotates on a German keyboard although it types "*".

enum class FrameAction {
    None,
    ResetAngle,
    ToggleRotate,
    Previous,
    Next,
    MoveLeft,
    MoveUp,
    MoveRight,
    MoveDown,
    ZoomIn,
    ZoomOut,
    RotateClockwise,
    RotateAnticlockwise,
};

// The keys the frame answers, by what they are on a US keyboard.
enum class FrameKey {
    None,
    Zero,       // the "0" of the top row
    LeftOfOne,  // "`" on a US keyboard
    PageUp,
    PageDown,
    Left,
    Up,
    Right,
    Down,
    Plus,   // "=" of the top row, "+" of the keypad, or a key whose first symbol is "+"
    Minus,  // "-" of the top row or of the keypad
};

// X11: the key by its symbol without modifiers (level 0 of the key table), else by its
// place (the evdev key codes of every X server and of XWayland). So the "0" key of AZERTY
// (level 0 is "à") and the key left of "1" of a German keyboard (a dead "^") count by place,
// and the "+" key of a German keyboard by its symbol.
FrameKey FrameKeyOfX11Key(quint32 keycode, quint32 levelZeroKeySym);
// Windows: by the virtual-key code, which does not change with Shift, else by the scan code.
FrameKey FrameKeyOfWindowsKey(quint32 virtualKey, quint32 scanCode);
// Without native information (a synthesised event): the toolkit's key, which follows the
// character, read as on a US keyboard.
FrameKey FrameKeyOfQtKey(int key, Qt::KeyboardModifiers modifiers);

FrameAction ActionForKey(FrameKey key, Qt::KeyboardModifiers modifiers);

// One wheel step; `up` is a positive wheel delta.
FrameAction ActionForWheel(bool up, Qt::KeyboardModifiers modifiers);

// Pixels an arrow key moves the frame.
inline int MoveStep(Qt::KeyboardModifiers modifiers) {
    return modifiers.testFlag(Qt::ControlModifier) ? 1 : 5;
}

// Whole wheel steps out of the wheel's deltas: a notch of a mouse wheel is one step, a
// touchpad's small deltas add up to one. Alt turns the wheel horizontal, so either axis counts.
class WheelSteps {
public:
    // The number of steps the event makes: positive up, negative down.
    int add(QPoint angleDelta);

private:
    int pending = 0;
};

// When Alt was held, from the keyboard's state changes as the window system reports them
// (to every client, focused or not). A window manager's Alt+F4 reaches the program only as
// a close request, often after Alt is up again; the request's time stamp, or failing that
// the moment it arrives, tells whether Alt was held for it.
class AltTimeline {
public:
    // Alt went down or up at `serverTime` (the window system's milliseconds, which wrap),
    // noticed at `localMs` (a monotonic clock).
    void Record(quint32 serverTime, bool altDown, qint64 localMs);
    // Whether Alt was held at `serverTime`. A time of 0 is "now": Alt is held, or was let go
    // less than `recentMs` before `localNowMs`.
    bool AltHeldAt(quint32 serverTime, qint64 localNowMs) const;

    static constexpr qint64 recentMs = 400;

private:
    struct Change {
        quint32 serverTime;
        bool altDown;
        qint64 localMs;
    };
    std::deque<Change> changes;  // oldest first; the last few are enough
};
