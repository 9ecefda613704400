#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "core/Shell.h"
#include "core/WebSites.h"
#include "frame/TranslateWidgets.h"
#include "i18n/TranslationsUnit.h"
#include "support/TestSupport.h"
#include "ui/About.h"
#include "ui/LinkLabel.h"

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
#include <QTimer>
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

    // Qt would show a label's text as rich text when it looks like markup: a locale file
    // could then put links and images into the dialogs.
    void localeTextsAreShownAsPlainText() {
        QTemporaryDir dir;
        const QString saved = LocalesFolder;
        LocalesFolder = dir.path() + "/";
        const QString link = uR"(<a href="http://example.invalid/">Click</a><img src="/x.png">)"_s;
        const QString bold = u"<b>Fassung</b>"_s;
        WriteFile(LocalesFolder + "x.TQLocale",
                  ("940=" + link + "\r\n10=" + bold + "\r\n").toUtf8());
        SelectLocale(u"x.TQLocale"_s);
        QWidget form;
        auto* label = Tagged<QLabel>(&form, 940);
        auto* linkLabel = Tagged<TLinkLabel>(&form, 940);
        TranslateControls(&form);
        TAboutBox box;
        LocalesFolder = saved;
        const QList<std::pair<QLabel*, QString>> shown = {
            {label, link},
            {linkLabel, link},
            {box.Version, bold + u" 1.4.0 (Build 51)  15 Jul 2009"_s}};
        for (const auto& [widget, text] : shown) {
            QCOMPARE(widget->text(), text);
            QCOMPARE(widget->textFormat(), Qt::PlainText);
            // Shown as written, markup included: as rich text it would take far less room.
            QVERIFY(widget->sizeHint().width() >=
                    QFontMetrics(widget->font()).horizontalAdvance(text));
        }
    }

    void aboutBox_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("version");
        QTest::newRow("English") << QByteArray() << "Tallowquince - About"
                                 << "OK"
                                 << "Version 1.4.0 (Build 51)  15 Jul 2009";
        QTest::newRow("a locale translating 3, 5 and 10")
            << QByteArray("3=Info\r\n5=Gut\r\n10=Fassung\r\n") << "Tallowquince - Info"
            << "Gut"
            << "Fassung 1.4.0 (Build 51)  15 Jul 2009";
    }
    void aboutBox() {
        QFETCH(QByteArray, locale);
        QFETCH(QString, caption);
        QFETCH(QString, button);
        QFETCH(QString, version);
        QTemporaryDir dir;
        const QString saved = LocalesFolder;
        LocalesFolder = dir.path() + "/";
        if (!locale.isEmpty()) {
            WriteFile(LocalesFolder + "x.TQLocale", locale);
            SelectLocale(u"x.TQLocale"_s);
        }
        TAboutBox box;
        LocalesFolder = saved;
        QCOMPARE(box.windowTitle(), caption);
        QCOMPARE(box.OKButton->text(), button);
        QCOMPARE(box.Version->text(), version);
        QCOMPARE(box.ProductName->text(), u"Tallowquince"_s);
        QCOMPARE(box.Label2->text(), ProductSite() + u"/tallowquince/"_s);
        QVERIFY(box.OKButton->isDefault());
        QVERIFY(!box.Image2->pixmap().isNull());
        QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
        // A top-level window of its own, not a dialog that X11 makes transient for the
        // program's leader window: task bars list it.
        QCOMPARE(box.windowType(), Qt::Window);
    }

    void aboutBoxLinks() {
        QStringList opened;
        UrlOpener previous = SetUrlOpener([&](const QString& url) { opened << url; });
        TAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.Label2, Qt::LeftButton);
        QTest::mouseClick(box.Image2, Qt::LeftButton);
        SetUrlOpener(std::move(previous));
        QCOMPARE(opened, (QStringList{ProductSite() + u"/tallowquince/"_s, MakerSite()}));
    }

    void aboutBoxCloses_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Esc with the focus on the button") << true;
        QTest::newRow("OK") << false;
    }
    void aboutBoxCloses() {
        QFETCH(bool, escape);
        TAboutBox box;
        QTimer::singleShot(0, &box, [&] {
            box.OKButton->setFocus();
            if (escape) {
                QTest::keyClick(box.OKButton, Qt::Key_Escape);
            } else {
                QTest::mouseClick(box.OKButton, Qt::LeftButton);
            }
        });
        QTimer::singleShot(5000, &box, [&] { box.done(42); });  // a box that would not close
        const int result = box.exec();
        QCOMPARE(result, escape ? int(QDialog::Rejected) : int(QDialog::Accepted));
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
