// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/GuidePage.h"

#include "desktop/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QWidget>

namespace {

// Where the page may be, the installed place first: LIMNORA_GUIDE_FROM_BINDIR leads from the
// program's folder to the guide's under the same prefix; a build folder has it in docs/guide/.
QStringList GuidePlaces() {
    const QString program = QCoreApplication::applicationDirPath();
    const QString page = QStringLiteral(LIMNORA_GUIDE_PAGE);
    return {QDir::cleanPath(program + QStringLiteral("/" LIMNORA_GUIDE_FROM_BINDIR "/") + page),
            QDir::cleanPath(program + QStringLiteral("/docs/guide/") + page)};
}

// The first of GuidePlaces that holds the page; empty when none does.
QString GuidePagePath() {
    for (const QString& place : GuidePlaces())
        if (QFileInfo(place).isFile())
            return place;
    return {};
}

} // namespace

void OpenGuide(QWidget* parent) {
    const QString page = GuidePagePath();
    if (page.isEmpty()) {
        ShowError(parent,
                  QStringLiteral("Руководство не найдено.\r\nОно должно лежать в файле\r\n") +
                      GuidePlaces().constFirst());
        return;
    }
    OpenGuidePage(parent, page);
}

void OpenGuidePage(QWidget* parent, const QString& page) {
    // xdg-open may wait for the browser it starts: it runs on while the editor goes on. Its
    // output goes nowhere, so a browser it leaves behind never writes into a closed pipe.
    auto* browser = new QProcess(parent);
    browser->setStandardOutputFile(QProcess::nullDevice());
    browser->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<QWidget> owner(parent);
    auto failed = [owner, page] {
        ShowError(owner, QStringLiteral("Не могу открыть руководство в браузере.\r\n"
                                        "Откройте в браузере файл\r\n") +
                             page);
    };
    QObject::connect(browser, &QProcess::errorOccurred, browser,
                     [browser, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         browser->deleteLater();
                         failed();
                     });
    QObject::connect(browser, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), browser,
                     [browser, failed](int code, QProcess::ExitStatus status) {
                         browser->deleteLater();
                         if (status != QProcess::NormalExit || code != 0)
                             failed();
                     });
    browser->start(QStringLiteral("xdg-open"), {page});
}
