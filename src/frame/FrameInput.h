#pragma once

#include <QPoint>
#include <Qt>

// What the frame window does for a key or a turn of the mouse wheel. Keys are read as on a
// US layout: the key left of "1" turns the skin, "=" and "+" zoom in, "-" zooms out.

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

FrameAction ActionForKey(int key, Qt::KeyboardModifiers modifiers);

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
