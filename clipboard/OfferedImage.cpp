// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clipboard/OfferedImage.h"

#include "platform/EditorError.h"
#include "platform/PictureFiles.h"

#include <QBuffer>
#include <QMimeData>

#include <exception>

std::optional<QImage> ReadOfferedImage(const QMimeData& offer, std::int64_t maxPixels) {
    const QStringList listed = offer.formats();
    QString unreadable;
    for (const char* name :
         {"image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/png", "image/jpeg", "image/gif"}) {
        const QString format = QLatin1String(name);
        if (!listed.contains(format))
            continue;
        QByteArray bytes = offer.data(format);
        if (bytes.isEmpty()) // perhaps not in time: no more waiting
            throw EditorError(QStringLiteral("Рисунок не вставлен: другая программа не передала "
                                             "его вовремя.\nПопробуйте вставить ещё раз."));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        try {
            return ReadPicture(buffer, maxPixels, Conversion::InStrips); // DrawFromClipboard
        } catch (const std::exception& error) {
            if (unreadable.isEmpty()) // not usable in this format: the next one may be
                unreadable = ExceptionText(error);
        }
    }
    if (!unreadable.isEmpty())
        throw EditorError(
            QStringLiteral("Рисунок из другой программы не вставлен:\n%1").arg(unreadable));
    return std::nullopt;
}
