#pragma once

// Installs the modal message boxes of the toolkit as the program's message handler.
void InstallMessageBoxes();
