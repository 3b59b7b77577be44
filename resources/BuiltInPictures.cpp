// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/BuiltInPictures.h"

QImage BuiltInPicture(const QString& name, int side) {
    for (int i = 0; i < kBuiltInPictureCount; ++i) {
        const BuiltInPictureData& p = kBuiltInPictures[i];
        if (p.side == side && name == QLatin1String(p.name))
            return QImage(reinterpret_cast<const uchar*>(p.argb), side, side, side * 4,
                          QImage::Format_ARGB32_Premultiplied);
    }
    return QImage();
}
