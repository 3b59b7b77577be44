// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/FontServices.h"

#include "platform/QtCompat.h"

#include <algorithm>

namespace {

// Qt's fonts mapped onto the three kinds: a smoothly scalable family is TrueType; a bitmap family
// is raster, one face for each of its own sizes. Qt has no device fonts.
class QtFontServices final : public IFontServices {
public:
    QStringList Families() override { return qtcompat::FontFamilies(); }

    void EnumFontFamily(const QString& family,
                        const std::function<bool(const TFontFace&)>& proc) override {
        if (!qtcompat::FontFamilies().contains(family))
            return;
        if (qtcompat::IsSmoothlyScalable(family)) {
            proc({0, ftTrueType});
            return;
        }
        for (int size : qtcompat::PointSizes(family))
            if (!proc({size, ftRaster}))
                return;
    }
};

IFontServices* installed = nullptr;

} // namespace

IFontServices& FontServices() {
    static QtFontServices production;
    return installed ? *installed : production;
}

IFontServices* SetFontServices(IFontServices* services) {
    IFontServices* previous = installed;
    installed = services;
    return previous;
}

QStringList ScreenFontNames() {
    QStringList names = FontServices().Families();
    names << QStringLiteral("Default");
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}
