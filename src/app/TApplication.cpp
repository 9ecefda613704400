#include "TApplication.h"

#include "core/GlobalsUnit.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle);
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        IgnoreException(receiver, &e);
    } catch (...) {
        IgnoreException(receiver, nullptr);
    }
    return false;
}
