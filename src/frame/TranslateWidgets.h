#pragma once

#include <QIcon>

class QAction;
class QMenu;
class QWidget;

// Captions of forms and menus from the current translation: every widget or menu item
// whose dynamic property "stringId" holds a non-zero string ID gets that text.
void TranslateControls(QWidget* container);
void TranslateMenu(QMenu* menu);

// Appends a menu item carrying a string ID; its caption is set when the menu is translated.
QAction* AddTranslatedItem(QMenu* menu, int stringId, const QIcon& icon = QIcon());
