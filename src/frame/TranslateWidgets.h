#pragma once

class QMenu;
class QWidget;

// Captions of forms and menus from the current translation: every widget or menu item
// whose dynamic property "stringId" holds a non-zero string ID gets that text.
void TranslateControls(QWidget* container);
void TranslateMenu(QMenu* menu);
