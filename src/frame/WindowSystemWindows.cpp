#include "WindowSystem.h"

// A tool window has no task-bar button on Windows.
void KeepOffTaskbar(QWidget*) {}
