#pragma once

#include <QIcon>

// The program's own icon, for the tray and the dialogs.
QIcon ProgramIcon();

// The images of the menus.
enum class MenuImage { Options, Close, Previous, Next };
QIcon MenuIcon(MenuImage image);
