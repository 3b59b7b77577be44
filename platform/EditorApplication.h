// The application object: an exception that escapes an event handler is shown in an error box
// with its own text, and the program goes on.
#pragma once

#include <QApplication>
#include <exception>

class EditorApplication : public QApplication {
    Q_OBJECT
public:
    EditorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The general error report: an error box with the exception's own text.
void ReportException(const std::exception& error);
