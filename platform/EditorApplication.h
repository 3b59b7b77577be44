// The application object: an exception that escapes an event handler is shown in an error box
// with its own text, and the program goes on. Handlers called through signals are wrapped with
// Reported() instead, so that nothing unwinds through Qt's signal machinery.
#pragma once

#include <QApplication>
#include <exception>
#include <stdexcept>

class EditorApplication : public QApplication {
    Q_OBJECT
public:
    EditorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The general error report: an error box with the exception's own text.
void ReportException(const std::exception& error);

// A handler for a signal (a menu item, a button) that reports an exception it throws through the
// general error report right away: an exception must not unwind through Qt's own code between
// the signal and the handler, which would skip its clean-up.
template <class Handler> auto Reported(Handler handler) {
    return [handler = std::move(handler)]() {
        try {
            handler();
        } catch (const std::exception& error) {
            ReportException(error);
        } catch (...) {
            ReportException(std::runtime_error("unknown error"));
        }
    };
}
