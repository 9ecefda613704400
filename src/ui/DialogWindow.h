#pragma once

#include <Qt>

// The window flags of the program's dialogs: a normal top-level window with a title bar and
// a close button only, so that each dialog has a task-bar button of its own while it is
// open. A plain parentless dialog is transient on X11, and panels may leave it out.
inline constexpr Qt::WindowFlags OwnWindowDialogFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
