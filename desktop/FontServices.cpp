// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/FontServices.h"

#include "system/QtCompat.h"

#include <algorithm>

namespace {

// Qt names a family that several foundries make once for each of them, "Nimbus Sans [urw]",
// "Nimbus Sans [URW ]"; the family's own name picks one of them.
QString WithoutFoundry(const QString& family) {
    const int tag = family.lastIndexOf(QLatin1String(" ["));
    return tag > 0 && family.endsWith(QLatin1Char(']')) ? family.left(tag) : family;
}

// Qt's fonts mapped onto the three kinds: a smoothly scalable family is TrueType; a bitmap family
// is raster, one face for each of its own sizes. Qt has no device fonts.
class QtFontServices final : public IFontServices {
public:
    QStringList Families() override { return qtcompat::FontFamilies(); }

    void EnumFontFamily(const QString& family,
                        const std::function<bool(const TFontFace&)>& proc) override {
        const QStringList families = qtcompat::FontFamilies();
        if (std::none_of(families.begin(), families.end(), [&family](const QString& installed) {
                return WithoutFoundry(installed) == family;
            }))
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
    QStringList names;
    for (const QString& family : FontServices().Families())
        names << WithoutFoundry(family);
    names << QStringLiteral("Default");
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}
