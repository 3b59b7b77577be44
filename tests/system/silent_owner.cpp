// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Another program that takes the clipboard and then does not answer the editor:
//   silent_owner listing   lists image formats (PNG, BMP, JPEG, GIF) but never sends them;
//   silent_owner mute      answers nothing at all, not even the list of formats.
// Prints "owner" once it holds the clipboard, then runs until it is killed.
#include "platform/QtCompat.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>
#include <cstdio>
#include <cstring>

namespace {

[[noreturn]] void Hang() {
    for (;;)
        QThread::sleep(3600);
}

class ListedButNeverSent : public QMimeData {
public:
    QStringList formats() const override {
        return {QStringLiteral("image/png"), QStringLiteral("image/bmp"),
                QStringLiteral("image/jpeg"), QStringLiteral("image/gif")};
    }

protected:
    QVariant retrieveData(const QString&, qtcompat::MimeDataType) const override { Hang(); }
};

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    const bool mute = argc > 1 && std::strcmp(argv[1], "mute") == 0;
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* data = mute ? new QMimeData : new ListedButNeverSent;
    if (mute)
        data->setText(QStringLiteral("never sent"));
    clipboard->setMimeData(data);
    const QDeadlineTimer deadline(10000);
    while (!clipboard->ownsClipboard()) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "silent_owner: could not take the clipboard\n");
            return 1;
        }
        QGuiApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    std::printf("owner\n");
    std::fflush(stdout);
    if (mute)
        Hang(); // no event is handled any more: no request is answered
    return QGuiApplication::exec();
}
