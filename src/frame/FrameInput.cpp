#include "FrameInput.h"

namespace {

FrameKey FrameKeyOfKeySym(quint32 keysym) {
    switch (keysym) {
        case 0x0030:  // 0
            return FrameKey::Zero;
        case 0x0060:  // grave
            return FrameKey::LeftOfOne;
        case 0xff55:  // Prior
        case 0xff9a:  // KP_Prior
            return FrameKey::PageUp;
        case 0xff56:  // Next
        case 0xff9b:  // KP_Next
            return FrameKey::PageDown;
        case 0xff51:  // Left
        case 0xff96:  // KP_Left
            return FrameKey::Left;
        case 0xff52:  // Up
        case 0xff97:  // KP_Up
            return FrameKey::Up;
        case 0xff53:  // Right
        case 0xff98:  // KP_Right
            return FrameKey::Right;
        case 0xff54:  // Down
        case 0xff99:  // KP_Down
            return FrameKey::Down;
        case 0x003d:  // equal
        case 0x002b:  // plus
        case 0xffab:  // KP_Add
            return FrameKey::Plus;
        case 0x002d:  // minus
        case 0xffad:  // KP_Subtract
            return FrameKey::Minus;
        default:
            return FrameKey::None;
    }
}

FrameKey FrameKeyAtX11Keycode(quint32 keycode) {
    switch (keycode) {
        case 49:  // TLDE
            return FrameKey::LeftOfOne;
        case 19:  // AE10
            return FrameKey::Zero;
        case 20:  // AE11
            return FrameKey::Minus;
        case 21:  // AE12
            return FrameKey::Plus;
        default:
            return FrameKey::None;
    }
}

FrameKey FrameKeyOfVirtualKey(quint32 virtualKey) {
    switch (virtualKey) {
        case 0x30:  // VK_0
            return FrameKey::Zero;
        case 0x21:  // VK_PRIOR
            return FrameKey::PageUp;
        case 0x22:  // VK_NEXT
            return FrameKey::PageDown;
        case 0x25:  // VK_LEFT
            return FrameKey::Left;
        case 0x26:  // VK_UP
            return FrameKey::Up;
        case 0x27:  // VK_RIGHT
            return FrameKey::Right;
        case 0x28:  // VK_DOWN
            return FrameKey::Down;
        case 0x6B:  // VK_ADD
        case 0xBB:  // VK_OEM_PLUS
            return FrameKey::Plus;
        case 0x6D:  // VK_SUBTRACT
        case 0xBD:  // VK_OEM_MINUS
            return FrameKey::Minus;
        default:
            return FrameKey::None;  // VK_OEM_3 is another key on other layouts: by place
    }
}

FrameKey FrameKeyAtScanCode(quint32 scanCode) {
    switch (scanCode) {
        case 0x29:
            return FrameKey::LeftOfOne;
        case 0x0B:
            return FrameKey::Zero;
        case 0x0C:
            return FrameKey::Minus;
        case 0x0D:
            return FrameKey::Plus;
        default:
            return FrameKey::None;
    }
}

}  // namespace

FrameKey FrameKeyOfX11Key(quint32 keycode, quint32 levelZeroKeySym) {
    const FrameKey key = FrameKeyOfKeySym(levelZeroKeySym);
    return key != FrameKey::None ? key : FrameKeyAtX11Keycode(keycode);
}

FrameKey FrameKeyOfWindowsKey(quint32 virtualKey, quint32 scanCode) {
    const FrameKey key = FrameKeyOfVirtualKey(virtualKey);
    return key != FrameKey::None ? key : FrameKeyAtScanCode(scanCode);
}

FrameKey FrameKeyOfQtKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (key) {
        case Qt::Key_0:
            return keypad ? FrameKey::None : FrameKey::Zero;
        case Qt::Key_ParenRight:  // Shift+0
            return FrameKey::Zero;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:  // Shift with the key left of "1"
            return FrameKey::LeftOfOne;
        case Qt::Key_PageUp:
            return FrameKey::PageUp;
        case Qt::Key_PageDown:
            return FrameKey::PageDown;
        case Qt::Key_Left:
            return FrameKey::Left;
        case Qt::Key_Up:
            return FrameKey::Up;
        case Qt::Key_Right:
            return FrameKey::Right;
        case Qt::Key_Down:
            return FrameKey::Down;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return FrameKey::Plus;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return FrameKey::Minus;
        default:
            return FrameKey::None;
    }
}

FrameAction ActionForKey(FrameKey key, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    switch (key) {
        case FrameKey::None:
            return FrameAction::None;
        case FrameKey::Zero:
            return FrameAction::ResetAngle;
        case FrameKey::LeftOfOne:
            return FrameAction::ToggleRotate;
        case FrameKey::PageUp:
            return shift ? FrameAction::None : FrameAction::Previous;
        case FrameKey::PageDown:
            return shift ? FrameAction::None : FrameAction::Next;
        case FrameKey::Left:
            return shift ? FrameAction::RotateAnticlockwise : FrameAction::MoveLeft;
        case FrameKey::Right:
            return shift ? FrameAction::RotateClockwise : FrameAction::MoveRight;
        case FrameKey::Up:
            return shift ? FrameAction::None : FrameAction::MoveUp;
        case FrameKey::Down:
            return shift ? FrameAction::None : FrameAction::MoveDown;
        case FrameKey::Plus:
            return shift ? FrameAction::RotateClockwise : FrameAction::ZoomIn;
        case FrameKey::Minus:
            return shift ? FrameAction::RotateAnticlockwise : FrameAction::ZoomOut;
    }
    return FrameAction::None;
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

void AltTimeline::Record(quint32 serverTime, bool altDown, qint64 localMs) {
    changes.push_back({serverTime, altDown, localMs});
    if (changes.size() > 8) {
        changes.pop_front();
    }
}

bool AltTimeline::AltHeldAt(quint32 serverTime, qint64 localNowMs) const {
    if (changes.empty()) {
        return false;
    }
    if (serverTime == 0) {
        const Change& last = changes.back();
        return last.altDown || localNowMs - last.localMs < recentMs;
    }
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        // Server times wrap after 49 days: compare by difference.
        if (qint32(serverTime - change->serverTime) >= 0) {
            return change->altDown;
        }
    }
    return !changes.front().altDown;  // before the first change, Alt was the other way
}
