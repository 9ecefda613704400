#include "SkinTestSupport.h"
#include "core/GlobalsUnit.h"
#include "skins/SkinsUnit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <utility>

namespace {

using Packages = QList<std::pair<QString, QString>>;  // file name, skin name

void WriteSkins(const SkinScratch& scratch, const Packages& packages) {
    for (const auto& [file, name] : packages) {
        scratch.package(file, {{"skin.xml", SkinXml(name)}, {"frame.png", name.toUtf8()}});
    }
}

// The catalogue as "name=file name" texts, in its order.
QStringList Listed(const TSkins& skins) {
    QStringList listed;
    for (const SkinListEntry& entry : skins.SkinList()) {
        listed << entry.name + "=" + entry.path.mid(SkinsFolder.size());
        if (!entry.path.startsWith(SkinsFolder)) {
            listed << "outside SkinsFolder: " + entry.path;
        }
    }
    return listed;
}

}  // namespace

class TestSkins : public QObject {
    Q_OBJECT

private slots:
    void noSkins_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("a missing folder") << "missing/";
        QTest::newRow("an empty folder") << "Skins/";
        QTest::newRow("a folder without packages") << "other/";
    }
    void noSkins() {
        QFETCH(QString, folder);
        SkinScratch scratch;
        WriteFile(scratch.root() + "other/readme.txt", "text");
        WriteFile(scratch.root() + "other/Oak.TQSkin.bak", SkinXml("Oak"));
        QDir().mkpath(scratch.root() + "other/Folder.TQSkin");
        SkinsFolder = scratch.root() + folder;
        MessageRecorder recorder;
        TSkins skins;
        QVERIFY(skins.SkinList().empty());
        QVERIFY(recorder.messages.isEmpty());
        QCOMPARE(ErrorText([&] { skins.FirstSkin(); }),
                 QStringLiteral("List index out of bounds (0)"));
        QCOMPARE(ErrorText([&] { skins.SkinByName("Oak"); }),
                 QStringLiteral("List index out of bounds (0)"));
    }

    void scan_data() {
        QTest::addColumn<Packages>("packages");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("sorted by name, ordinally")
            << Packages{{"1.TQSkin", "apple"},
                        {"2.TQSkin", "Zebra"},
                        {"3.TQSkin", "Äpfel"},
                        {"4.TQSkin", "Birch"}}
            << QStringList{"Birch=4.TQSkin", "Zebra=2.TQSkin", "apple=1.TQSkin", "Äpfel=3.TQSkin"};
        QTest::newRow("names differing in letter case: the later package, as it writes it")
            << Packages{{"1.TQSkin", "Oak"}, {"2.TQSkin", "OAK"}} << QStringList{"OAK=2.TQSkin"};
        QTest::newRow("beta, Alpha, alpha")
            << Packages{{"1.TQSkin", "beta"}, {"2.TQSkin", "Alpha"}, {"3.TQSkin", "alpha"}}
            << QStringList{"alpha=3.TQSkin", "beta=1.TQSkin"};
        QTest::newRow("enumerated in the order of file names, not of creation")
            << Packages{{"b.TQSkin", "Oak"}, {"a.TQSkin", "oak"}} << QStringList{"Oak=b.TQSkin"};
        QTest::newRow("a file name beyond ASCII")
            << Packages{{"Größe.TQSkin", "Groß"}} << QStringList{"Groß=Größe.TQSkin"};
        QTest::newRow("the extension in any letter case")
            << Packages{{"lower.tqskin", "Lower"},
                        {"mixed.TqSkIn", "Mixed"},
                        {".TQSkin", "Bare"},
                        {"other.zip", "Zip"},
                        {"x.TQSkin.old", "Old"}}
            << QStringList{"Bare=.TQSkin", "Lower=lower.tqskin", "Mixed=mixed.TqSkIn"};
        QTest::newRow("line breaks taken out of a name")
            << Packages{{"1.TQSkin", "Oak&#13;&#10;transparency=15"}}
            << QStringList{"Oaktransparency=15=1.TQSkin"};
    }
    void scan() {
        QFETCH(Packages, packages);
        QFETCH(QStringList, listed);
        SkinScratch scratch;
        WriteSkins(scratch, packages);
        MessageRecorder recorder;
        TSkins skins;
        QCOMPARE(Listed(skins), listed);
        QVERIFY(recorder.messages.isEmpty());
    }

    void damagedPackageEndsTheScan_data() {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<QString>("error");
        QTest::newRow("not a package")
            << QByteArray("text") << "Cannot open \"%1\": Not a zip archive";
        QTest::newRow("no description") << QByteArray() << "Index -1 is out of range";
        // Refused from the package's directory, before anything is parsed: such a package
        // would otherwise stall every start.
        QTest::newRow("a description over its limit")
            << QByteArray("big")
            << R"(The skin package "3.TQSkin" has a skin.xml of 65600 bytes; at most 65536 are allowed)";
        QTest::newRow("too many entries")
            << QByteArray("many")
            << R"(The skin package "3.TQSkin" has 300 entries; at most 256 are allowed)";
    }
    void damagedPackageEndsTheScan() {
        QFETCH(QByteArray, damaged);
        QFETCH(QString, error);
        SkinScratch scratch;
        WriteSkins(scratch, {{"1.TQSkin", "Zeta"},
                             {"2.TQSkin", "Alpha"},
                             {"4.TQSkin", "Beta"},
                             {"5.TQSkin", "Gamma"}});
        const QString third = scratch.skins() + "3.TQSkin";
        if (damaged.isNull()) {
            WritePackage(third, {{"frame.png", "frame"}});
        } else if (damaged == "big") {
            QByteArray xml = SkinXml("Big");
            xml.append(QByteArray(65600 - xml.size(), ' '));
            WritePackage(third, {{"skin.xml", xml}});
        } else if (damaged == "many") {
            QList<PackageEntry> entries{{"skin.xml", SkinXml("Many")}};
            for (int i = 1; i < 300; ++i) {
                entries.append({QStringLiteral("%1.png").arg(i), "x"});
            }
            WritePackage(third, entries);
        } else {
            WriteFile(third, damaged);
        }
        MessageRecorder recorder;
        TSkins skins;
        QCOMPARE(Listed(skins), QStringList({"Alpha=2.TQSkin", "Zeta=1.TQSkin"}));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text, "Error in TSkins.refreshSkinList\r\n" +
                                                (error.contains("%1") ? error.arg(third) : error));
    }

    void refreshRebuildsTheList() {
        SkinScratch scratch;
        WriteSkins(scratch, {{"1.TQSkin", "Oak"}, {"2.TQSkin", "Pine"}});
        MessageRecorder recorder;
        TSkins skins;
        QCOMPARE(Listed(skins), QStringList({"Oak=1.TQSkin", "Pine=2.TQSkin"}));
        QVERIFY(QFile::remove(scratch.skins() + "1.TQSkin"));
        WriteSkins(scratch, {{"3.TQSkin", "Elm"}});
        QCOMPARE(Listed(skins), QStringList({"Oak=1.TQSkin", "Pine=2.TQSkin"}));
        skins.refreshSkinList();
        QCOMPARE(Listed(skins), QStringList({"Elm=3.TQSkin", "Pine=2.TQSkin"}));
        QVERIFY(recorder.messages.isEmpty());
    }

    void skinByName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("a listed name") << "Pine"
                                       << "Pine";
        QTest::newRow("the first name") << "Elm"
                                        << "Elm";
        QTest::newRow("a name differing in letter case gives the first skin") << "pine"
                                                                              << "Elm";
        QTest::newRow("an unknown name gives the first skin") << "Walnut"
                                                              << "Elm";
        QTest::newRow("no name gives the first skin") << ""
                                                      << "Elm";
    }
    void skinByName() {
        QFETCH(QString, name);
        QFETCH(QString, loaded);
        SkinScratch scratch;
        WriteSkins(scratch, {{"1.TQSkin", "Oak"}, {"2.TQSkin", "Pine"}, {"3.TQSkin", "Elm"}});
        TSkins skins;
        const std::unique_ptr<TSkin> skin = skins.SkinByName(name);
        QCOMPARE(skin->Name, loaded);
        QCOMPARE(skin->Layers.size(), size_t(1));
        // The skin's own files are the ones extracted.
        QCOMPARE(ReadFile(scratch.temp() + "frame.png"), loaded.toUtf8());
        QCOMPARE(skins.FirstSkin()->Name, QStringLiteral("Elm"));
    }

    void packageDeletedAfterTheScan() {
        SkinScratch scratch;
        WriteSkins(scratch, {{"1.TQSkin", "Oak"}, {"2.TQSkin", "Pine"}});
        TSkins skins;
        const QString path = scratch.skins() + "2.TQSkin";
        QVERIFY(QFile::remove(path));
        const QString error = QStringLiteral("Cannot open \"%1\": No such file").arg(path);
        QCOMPARE(ErrorText([&] { skins.SkinByName("Pine"); }), error);
        QCOMPARE(Listed(skins), QStringList({"Oak=1.TQSkin", "Pine=2.TQSkin"}));
        QCOMPARE(skins.SkinByName("Oak")->Name, QStringLiteral("Oak"));
    }
};

QObject* NewTestSkins() {
    return new TestSkins;
}
#include "tst_skins.moc"
