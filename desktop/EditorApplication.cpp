// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/EditorApplication.h"

#include "desktop/Dialogs.h"
#include "system/EditorError.h"

#include "system/QtCompat.h"

#include <QLocale>
#include <QTranslator>

EditorApplication::EditorApplication(int& argc, char** argv)
    : QApplication((qtcompat::UseHighDpiDefaults(), argc), argv) {
    // No display name: Qt would add it to every window's title, and the desktop then cuts the
    // title of a narrow box ("Оши… — Limnora"). The main window's title names the program.
    setApplicationName(QStringLiteral("limnora"));
    setApplicationVersion(QStringLiteral(LIMNORA_VERSION));
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                         QStringLiteral("_"), qtcompat::TranslationsPath()) &&
        installTranslator(translator.get()))
        translator_ = std::move(translator);
}

EditorApplication::~EditorApplication() {
    if (translator_)
        removeTranslator(translator_.get());
}

bool EditorApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportException(error);
    } catch (...) {
        ReportException(EditorError(QStringLiteral("Неизвестная ошибка")));
    }
    return false;
}

void ReportException(const std::exception& error) {
    ShowError(QApplication::activeWindow(), ExceptionText(error));
}
