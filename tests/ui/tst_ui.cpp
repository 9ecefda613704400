#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "i18n/TranslationsUnit.h"
#include "support/TestSupport.h"
#include "ui/TranslateWidgets.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

template <typename T>
T* Tagged(QWidget* parent, int id, const QString& placeholder = u"placeholder"_s) {
    auto* widget = new T(parent);
    widget->setProperty("stringId", id);
    widget->setProperty("text", placeholder);
    return widget;
}

}  // namespace

class TestUi : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SelectLocale(DefaultLocaleName); }

    void translateControls() {
        QWidget form;
        form.setWindowTitle(u"form caption"_s);
        form.setProperty("stringId", 6);
        auto* check = Tagged<QCheckBox>(&form, 105);
        auto* button = Tagged<QPushButton>(&form, 8);
        auto* untagged = Tagged<QLabel>(&form, 0, u"keep me"_s);
        auto* group = new QGroupBox(u"placeholder"_s, &form);
        group->setProperty("stringId", 110);
        auto* inner = Tagged<QRadioButton>(group, 111);
        auto* deeper = new QWidget(group);  // untagged container: visited all the same
        auto* label = Tagged<QLabel>(deeper, 940);
        auto* edit = Tagged<QLineEdit>(deeper, 113);

        TranslateControls(&form);
        QCOMPARE(form.windowTitle(), u"form caption"_s);
        QCOMPARE(check->text(), u"Load On Windows Startup"_s);
        QCOMPARE(button->text(), u"Cancel"_s);
        QCOMPARE(untagged->text(), u"keep me"_s);
        QCOMPARE(group->title(), u" Photo "_s);
        QCOMPARE(inner->text(), u"Single File:"_s);
        QCOMPARE(
            label->text(),
            u"No Skins available.\nPlease download and install Skins in order to use Tallowquince."_s);
        QCOMPARE(edit->text(), u"File Name"_s);
    }

    void translateControlsFollowsTheLocale() {
        QTemporaryDir dir;
        const QString saved = LocalesFolder;
        LocalesFolder = dir.path() + "/";
        WriteFile(LocalesFolder + "x.TQLocale", "8=Abbrechen\r\n");
        QWidget form;
        auto* button = Tagged<QPushButton>(&form, 8);
        SelectLocale(u"x.TQLocale"_s);
        TranslateControls(&form);
        QCOMPARE(button->text(), u"Abbrechen"_s);
        SelectLocale(DefaultLocaleName);
        TranslateControls(&form);
        QCOMPARE(button->text(), u"Cancel"_s);
        LocalesFolder = saved;
    }

    void translateMenu() {
        QMenu menu;
        QAction* options = menu.addAction(u"1 - options"_s);
        options->setProperty("stringId", 1);
        menu.addSeparator();
        QAction* plain = menu.addAction(u"untagged"_s);
        QMenu* sub = menu.addMenu(u"sub"_s);
        QAction* nested = sub->addAction(u"2 - about"_s);
        nested->setProperty("stringId", 2);
        QAction* close = menu.addAction(u"4"_s);
        close->setProperty("stringId", 4);

        TranslateMenu(&menu);
        QCOMPARE(options->text(), u"Tallowquince Options..."_s);
        QCOMPARE(plain->text(), u"untagged"_s);
        QCOMPARE(nested->text(), u"2 - about"_s);  // sub-menus are not visited
        QCOMPARE(close->text(), u"Close Tallowquince"_s);
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
