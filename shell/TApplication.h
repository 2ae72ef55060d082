#pragma once

#include <QApplication>

// The application object. An error that escapes an event handler goes to the
// standard error display instead of ending the program.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
