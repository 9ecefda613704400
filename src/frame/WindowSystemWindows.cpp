#include "WindowSystem.h"

#include "core/GlobalsUnit.h"

#include <QKeyEvent>

// A tool window has no task-bar button on Windows.
void KeepOffTaskbar(QWidget*) {}

std::optional<QPoint> PositionOnScreen(QWidget*) {
    return std::nullopt;
}

FrameKey FrameKeyOf(const QKeyEvent& event) {
    if (event.nativeVirtualKey() == 0) {
        return FrameKeyOfQtKey(event.key(), event.modifiers());
    }
    return FrameKeyOfWindowsKey(event.nativeVirtualKey(), event.nativeScanCode());
}

// Alt+F4 arrives as a close request while Alt is still held, so its state now tells.
struct CloseRequestWatch::Follower {};

CloseRequestWatch::CloseRequestWatch() = default;
CloseRequestWatch::~CloseRequestWatch() = default;

bool CloseRequestWatch::RequestWithAlt() const {
    return (ShiftStateNow() & ssAlt) != 0;
}
