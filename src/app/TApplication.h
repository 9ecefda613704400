#pragma once

#include <QApplication>

// The application object: an exception that reaches the event loop goes to
// IgnoreException instead of ending the program.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
