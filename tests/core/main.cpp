#include <QCoreApplication>
#include <QTest>

#include <memory>

QObject* NewTestGlobals();
QObject* NewTestSettings();
QObject* NewTestSettingsAutosave();

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int failures = 0;
    for (auto make : {NewTestGlobals, NewTestSettings, NewTestSettingsAutosave}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures;
}
