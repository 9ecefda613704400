#include "FrameInput.h"

FrameAction ActionForKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (key) {
        case Qt::Key_0:
            return keypad ? FrameAction::None : FrameAction::ResetAngle;
        case Qt::Key_ParenRight:  // Shift+0
            return FrameAction::ResetAngle;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:  // Shift with the key left of "1"
            return FrameAction::ToggleRotate;
        case Qt::Key_PageUp:
            return shift ? FrameAction::None : FrameAction::Previous;
        case Qt::Key_PageDown:
            return shift ? FrameAction::None : FrameAction::Next;
        case Qt::Key_Left:
            return shift ? FrameAction::RotateAnticlockwise : FrameAction::MoveLeft;
        case Qt::Key_Right:
            return shift ? FrameAction::RotateClockwise : FrameAction::MoveRight;
        case Qt::Key_Up:
            return shift ? FrameAction::None : FrameAction::MoveUp;
        case Qt::Key_Down:
            return shift ? FrameAction::None : FrameAction::MoveDown;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return shift ? FrameAction::RotateClockwise : FrameAction::ZoomIn;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return shift ? FrameAction::RotateAnticlockwise : FrameAction::ZoomOut;
        default:
            return FrameAction::None;
    }
}

FrameAction ActionForWheel(bool up, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    if (shift && alt) {
        return FrameAction::None;
    }
    if (alt) {
        return FrameAction::ToggleRotate;
    }
    if (shift) {
        return up ? FrameAction::RotateClockwise : FrameAction::RotateAnticlockwise;
    }
    return up ? FrameAction::ZoomIn : FrameAction::ZoomOut;
}

int WheelSteps::add(QPoint angleDelta) {
    constexpr int kNotch = 120;
    const int delta = angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    if ((delta > 0 && pending < 0) || (delta < 0 && pending > 0)) {
        pending = 0;  // a change of direction starts afresh
    }
    pending += delta;
    const int steps = pending / kNotch;
    pending -= steps * kNotch;
    return steps;
}
