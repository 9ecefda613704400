#include <QCoreApplication>
#include <QTest>

#include <memory>

QObject* NewTestSkinPackage();
QObject* NewTestSkins();

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int failures = 0;
    for (auto make : {NewTestSkinPackage, NewTestSkins}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures;
}
