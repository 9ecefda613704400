#pragma once

// Installs the modal message boxes of the toolkit as the program's message handler.
void InstallMessageBoxes();

// Installs the desktop's web browser as the program's opener of web pages.
void InstallUrlOpener();
