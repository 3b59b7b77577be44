// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Another program that takes the clipboard and answers the editor slowly or not at all:
//   clipboard_owner mute      answers nothing at all, not even the list of formats;
//   clipboard_owner serve <picture file> <format>=<delay in ms> ...
//                             lists the formats given (image/png, image/bmp) and sends the picture
//                             in each once its delay has passed, as a slow program makes it;
//                             image/bmp+black is a 24-bit BMP of it flattened on black, as
//                             Firefox and GIMP hand over a transparent picture, image/bmp+alpha a
//                             32-bit one with the alpha in each pixel's fourth byte, as mtPaint.
// Prints "owner" once it holds the clipboard, then runs until it is killed.
#include "system/QtCompat.h"
#include "tests/fuzz/PictureSamples.h"

#include <QBuffer>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QMimeData>
#include <QPainter>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

[[noreturn]] void Hang() {
    for (;;)
        QThread::sleep(3600);
}

struct Answer {
    QByteArray bytes;
    unsigned long delayMs = 0;
};

class SlowOffer : public QMimeData {
public:
    explicit SlowOffer(QMap<QString, Answer> answers) : answers_(std::move(answers)) {}

    QStringList formats() const override { return answers_.keys(); }

protected:
    QVariant retrieveData(const QString& format, qtcompat::MimeDataType) const override {
        const Answer answer = answers_.value(format);
        QThread::msleep(answer.delayMs);
        return answer.bytes;
    }

private:
    QMap<QString, Answer> answers_;
};

// A bottom-up 32-bit BMP with a 40-byte header: blue, green, red and alpha in each pixel.
QByteArray BmpWithAlpha(const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QVector<quint32> pixels;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            pixels << argb.pixel(x, y);
    samples::BmpLayout layout;
    layout.bits = 32;
    return samples::MakeBmp(layout, argb.width(), argb.height(),
                            samples::PackRows(pixels, argb.width(), argb.height(), 32, false));
}

// The picture with its alpha blended with black.
QImage OnBlack(const QImage& picture) {
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::black);
    QPainter(&flat).drawImage(0, 0, picture);
    return flat;
}

// The picture in each format asked for, with its delay; false after a message when an argument
// is wrong.
bool Answers(int argc, char* argv[], QMap<QString, Answer>* answers) {
    const QImage picture(QString::fromLocal8Bit(argv[2]));
    if (picture.isNull()) {
        std::fprintf(stderr, "clipboard_owner: cannot read %s\n", argv[2]);
        return false;
    }
    for (int i = 3; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString target = argument.section(QLatin1Char('='), 0, 0);
        const QString format = target.section(QLatin1Char('+'), 0, 0);
        const QString variant = target.section(QLatin1Char('+'), 1);
        Answer answer;
        answer.delayMs = argument.section(QLatin1Char('='), 1).toULong();
        QBuffer buffer(&answer.bytes);
        buffer.open(QIODevice::WriteOnly);
        if (variant == QLatin1String("alpha"))
            answer.bytes = BmpWithAlpha(picture);
        else if (!(variant == QLatin1String("black") ? OnBlack(picture) : picture)
                      .save(&buffer, format.section(QLatin1Char('/'), 1).toLatin1().constData())) {
            std::fprintf(stderr, "clipboard_owner: cannot write %s\n", argv[i]);
            return false;
        }
        answers->insert(format, answer);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    const bool mute = argc > 1 && std::strcmp(argv[1], "mute") == 0;
    QMap<QString, Answer> answers;
    if (!mute && (argc < 4 || !Answers(argc, argv, &answers)))
        return 2;
    QClipboard* clipboard = QGuiApplication::clipboard();
    QMimeData* data = mute ? new QMimeData : new SlowOffer(answers);
    if (mute)
        data->setText(QStringLiteral("never sent"));
    clipboard->setMimeData(data);
    const QDeadlineTimer deadline(10000);
    while (!clipboard->ownsClipboard()) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "clipboard_owner: could not take the clipboard\n");
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
