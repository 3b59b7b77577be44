// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clipboard/OfferedImage.h"

#include "files/PictureFiles.h"
#include "system/EditorError.h"

#include <QBuffer>
#include <QMimeData>

#include <algorithm>
#include <exception>

namespace {

// A number with its digits in groups of three, as the guide writes them (268 435 456); the
// spaces do not break.
QString Grouped(std::int64_t n) {
    QString digits = QString::number(n);
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QChar(0x00A0));
    return digits;
}

// The picture in the bytes, or its error in words that fit a paste: no file was opened.
QImage Read(QByteArray bytes, std::int64_t maxPixels, bool* withAlpha) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        // Made 24-bit colour in strips where it lands (DrawFromClipboard).
        return ReadPicture(buffer, maxPixels, Conversion::InStrips, withAlpha);
    } catch (const PictureError& error) {
        if (error.GetKind() == PictureError::Kind::Damaged)
            throw EditorError(QStringLiteral("Рисунок не вставлен: другая программа передала его "
                                             "повреждённым (%1).\nСкопируйте его в той программе "
                                             "ещё раз.")
                                  .arg(error.Reason()));
        throw EditorError(
            QStringLiteral("Рисунок %1 из другой программы слишком велик: программа принимает "
                           "рисунки до %2 точек в одну сторону и до %3 точек всего.\nУменьшите "
                           "его в той программе и скопируйте снова.")
                .arg(error.Reason(), Grouped(kMaxBitmapSide),
                     Grouped(std::min(maxPixels, kMaxBitmapPixels))));
    } catch (const std::exception& error) {
        throw EditorError(QStringLiteral("Рисунок из другой программы не вставлен:\n%1")
                              .arg(ExceptionText(error)));
    }
}

} // namespace

std::optional<QImage> ReadOfferedImage(const QMimeData& offer, std::int64_t maxPixels) {
    const QStringList listed = offer.formats();
    const QString png = QStringLiteral("image/png");
    QString unreadable;
    for (const char* name :
         {"image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/png", "image/jpeg", "image/gif"}) {
        const QString format = QLatin1String(name);
        if (!listed.contains(format))
            continue;
        const QByteArray bytes = offer.data(format);
        if (bytes.isEmpty()) // perhaps not in time: no more waiting
            throw EditorError(QStringLiteral("Рисунок не вставлен: другая программа не передала "
                                             "его вовремя.\nПопробуйте вставить ещё раз."));
        bool withAlpha = false;
        QImage image;
        try {
            image = Read(bytes, maxPixels, &withAlpha);
        } catch (const EditorError& error) {
            if (unreadable.isEmpty()) // not usable in this format: the next one may be
                unreadable = error.Text();
            continue;
        }
        // A BMP without alpha may be a transparent picture flattened on black: its PNG keeps the
        // alpha. Only for a small picture, whose PNG comes quickly, and only if it comes: a
        // picture the BMP has brought stays whatever the second request does.
        if (format.contains(QLatin1String("bmp")) && !withAlpha && listed.contains(png) &&
            std::int64_t{image.width()} * image.height() <= kPngAfterBmpPixels) {
            const QByteArray pngBytes = offer.data(png);
            try {
                const QImage better = Read(pngBytes, maxPixels, nullptr);
                if (better.size() == image.size())
                    return better;
            } catch (const EditorError&) {
            }
        }
        return image;
    }
    if (!unreadable.isEmpty())
        throw EditorError(unreadable);
    return std::nullopt;
}
