#include "version/VersionInfoUnit.h"

#include <QTest>

#include <stdexcept>

Q_DECLARE_METATYPE(VersionNumber)

class TestVersion : public QObject {
    Q_OBJECT

private slots:
    void buildResource() {
        const TVersionInfo& info = VersionInfo();
        QVERIFY(info.DataValid);
        QCOMPARE(info.FileVersion(), (VersionNumber{1, 4, 0, 51}));
        QCOMPARE(info.TranslationCode(), QStringLiteral("041904E3"));
        QCOMPARE(info.StringValue(QStringLiteral("FileDate")), QStringLiteral("15 Jul 2009"));
        QCOMPARE(info.StringValue(QStringLiteral("ProductVersion")), QStringLiteral("1.4"));
        QCOMPARE(info.BuildText(), QStringLiteral("1.4.0 (Build 51)"));
        QCOMPARE(FormatVersion(info.FileVersion()), QStringLiteral("1.4.0.51"));
        QVERIFY(info.FilePath.endsWith(QStringLiteral("tst_version")));
    }

    void resourceWords() {
        const VersionNumber v = VersionInfo().FileVersion();
        QCOMPARE(v.MostSignificant(), (1u << 16) | 4u);
        QCOMPARE(v.LeastSignificant(), 51u);
        QCOMPARE(VersionNumber::FromWords(v.MostSignificant(), v.LeastSignificant()), v);
    }

    void missingValues() {
        QCOMPARE(VersionInfo().StringValue(QStringLiteral("NoSuchKey")), QString());
        // Keys longer than the lookup buffer never answer.
        QCOMPARE(VersionInfo().StringValue(QString(231, u'F')), QString());

        const TVersionInfo none(QStringLiteral("/nonexistent"), std::nullopt);
        QVERIFY(!none.DataValid);
        QVERIFY(none.FixedInfo() == nullptr);
        QCOMPARE(none.TranslationCode(), QString());
        QCOMPARE(none.StringValue(QStringLiteral("FileDate")), QString());
        QCOMPARE(none.FileVersion(), VersionNumber{});
    }

    void translationCodeIsUpperCaseHex() {
        VersionResource r;
        r.language = 0x0407;
        r.codePage = 0x04b0;
        QCOMPARE(TVersionInfo(QStringLiteral("x"), r).TranslationCode(),
                 QStringLiteral("040704B0"));
    }

    void parseVersion_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<VersionNumber>("expected");
        QTest::newRow("the build's version") << "1.4.0.51" << VersionNumber{1, 4, 0, 51};
        QTest::newRow("commas instead of dots") << "1,4,0,51" << VersionNumber{1, 4, 0, 51};
        QTest::newRow("two separators in a row") << "1..0.51" << VersionNumber{1, 0, 0, 51};
        QTest::newRow("trailing separator") << "1.4.0." << VersionNumber{1, 4, 0, 0};
        QTest::newRow("part over 65535 keeps low 16 bits")
            << "1.65537.0.0" << VersionNumber{1, 1, 0, 0};
        QTest::newRow("two parts read the rest as 0") << "1.5" << VersionNumber{1, 5, 0, 0};
        QTest::newRow("one part") << "2" << VersionNumber{2, 0, 0, 0};
        QTest::newRow("empty text") << "" << VersionNumber{};
        QTest::newRow("extra parts are ignored") << "1.2.3.4.5" << VersionNumber{1, 2, 3, 4};
        QTest::newRow("commas after the last dot") << "1.2,3" << VersionNumber{1, 2, 3, 0};
    }
    void parseVersion() {
        QFETCH(QString, text);
        QFETCH(VersionNumber, expected);
        QCOMPARE(ParseVersion(text), expected);
    }

    void parseVersionRejectsNonNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("letter in a part") << "1.4a.0.51";
        QTest::newRow("a comma before a dot") << "1,4.0.51";
        QTest::newRow("blank inside") << "1. 4.0.51";
        QTest::newRow("hexadecimal") << "1.$A.0.0";
        QTest::newRow("beyond 32 bits") << "1.99999999999.0.0";
    }
    void parseVersionRejectsNonNumbers() {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ParseVersion(text));
    }

    void compareVersions_data() {
        QTest::addColumn<VersionNumber>("a");
        QTest::addColumn<VersionNumber>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("minor beats build")
            << VersionNumber{1, 5, 0, 0} << VersionNumber{1, 4, 9, 9999} << 1;
        QTest::newRow("equal") << VersionNumber{1, 4, 0, 51} << VersionNumber{1, 4, 0, 51} << 0;
        QTest::newRow("lower build")
            << VersionNumber{1, 4, 0, 50} << VersionNumber{1, 4, 0, 51} << -1;
        QTest::newRow("build of 10000 spills into release")
            << VersionNumber{1, 4, 0, 10000} << VersionNumber{1, 4, 1, 0} << 0;
        QTest::newRow("minor of 65535 spills past the major")
            << VersionNumber{2, 0, 0, 0} << VersionNumber{1, 65535, 0, 0} << -1;
        QTest::newRow("major dominates within range")
            << VersionNumber{2, 0, 0, 0} << VersionNumber{1, 9999, 9999, 9999} << 1;
    }
    void compareVersions() {
        QFETCH(VersionNumber, a);
        QFETCH(VersionNumber, b);
        QFETCH(int, expected);
        QCOMPARE(CompareVersions(a, b), expected);
        QCOMPARE(CompareVersions(b, a), -expected);
    }

    void parsedBuildVersionComparesEqual() {
        QCOMPARE(
            CompareVersions(ParseVersion(QStringLiteral("1,4,0,51")), VersionInfo().FileVersion()),
            0);
    }
};

QTEST_GUILESS_MAIN(TestVersion)
#include "tst_version.moc"
