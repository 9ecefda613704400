#include "TranslateWidgets.h"

#include "i18n/TranslationsUnit.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace {

int StringId(const QObject* object) {
    return object->property("stringId").toInt();
}

// The translations break lines with CR LF; widgets want plain line feeds.
QString Caption(int id) {
    return GetText(id).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

void TranslateControls(QWidget* container) {
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget) {
            continue;
        }
        if (const int id = StringId(widget)) {
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                button->setText(Caption(id));
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                // A locale file's text is never markup: no links or images of its choosing.
                label->setTextFormat(Qt::PlainText);
                label->setText(Caption(id));
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                group->setTitle(Caption(id));
            } else {
                widget->setProperty("text", Caption(id));
            }
        }
        TranslateControls(widget);
    }
}

QAction* AddTranslatedItem(QMenu* menu, int stringId, const QIcon& icon) {
    QAction* action = menu->addAction(icon, QString::number(stringId));
    action->setProperty("stringId", stringId);
    return action;
}

void TranslateMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (const int id = StringId(action)) {
            action->setText(Caption(id));
        }
    }
}
