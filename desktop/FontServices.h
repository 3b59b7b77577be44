// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The font services the editor asks: the screen's font families and, per family, its faces with
// their kind. Replaceable, so that every kind can be tested whatever fonts a machine has.
#pragma once

#include <QStringList>
#include <cstdint>
#include <functional>

enum TFontType : int { ftOther = 0, ftRaster = 1, ftDevice = 2, ftTrueType = 4 };

struct TFontFace {
    std::int32_t Height = 0; // the face's height; for a bitmap font one of its own sizes
    int FontType = ftOther;  // one of TFontType, or any other value from the platform
};

class IFontServices {
public:
    virtual ~IFontServices() = default;
    // The families installed for the screen, in any order, repeats allowed; a family made by
    // several foundries may come once for each, its foundry in brackets after its name.
    virtual QStringList Families() = 0;
    // Reports every face of the family (named without a foundry) to proc until proc returns
    // false; nothing for an unknown family.
    virtual void EnumFontFamily(const QString& family,
                                const std::function<bool(const TFontFace&)>& proc) = 0;
};

IFontServices& FontServices();
// Installs an implementation (nullptr restores the production one); returns the previous one.
IFontServices* SetFontServices(IFontServices* services);

// "Default" (the platform's user-interface font) and every family once, by its own name without
// the foundry that may follow it in brackets, sorted alphabetically without regard to case.
QStringList ScreenFontNames();
