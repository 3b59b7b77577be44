// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The application object: an exception that escapes an event handler is shown in an error box
// with its own text, and the program goes on. Handlers called through signals are wrapped with
// Reported() instead, so that nothing unwinds through Qt's signal machinery.
#pragma once

#include <QApplication>
#include <exception>
#include <memory>
#include <stdexcept>

class QTranslator;

class EditorApplication : public QApplication {
    Q_OBJECT
public:
    // Qt's own texts (the buttons of message boxes, the file and colour dialogs) are Russian
    // whatever the user's locale, from Qt's translations folder; without them Qt's English stays.
    EditorApplication(int& argc, char** argv);
    ~EditorApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;
    // True when Qt's Russian translation was found and installed.
    bool Translated() const { return translator_ != nullptr; }

private:
    std::unique_ptr<QTranslator> translator_;
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
