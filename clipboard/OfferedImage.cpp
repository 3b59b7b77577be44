// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clipboard/OfferedImage.h"

#include "platform/PictureFiles.h"

#include <QBuffer>
#include <QMimeData>

#include <exception>

std::optional<QImage> ReadOfferedImage(const QMimeData& offer, std::int64_t maxPixels) {
    const QStringList listed = offer.formats();
    for (const char* name :
         {"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/jpeg", "image/gif"}) {
        const QString format = QLatin1String(name);
        if (!listed.contains(format))
            continue;
        QByteArray bytes = offer.data(format);
        if (bytes.isEmpty())
            return std::nullopt; // nothing came, perhaps not in time: no more waiting
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        try {
            return ReadPicture(buffer, maxPixels);
        } catch (const std::exception&) {
            // not usable in this format: try the next one
        }
    }
    return std::nullopt;
}
