#pragma once

class QWidget;

// What the frame window needs of the window system beyond the toolkit.

// Asks the task bar and the pager to leave the window out: before the window is mapped
// through its state property, afterwards through the window manager.
void KeepOffTaskbar(QWidget* window);
