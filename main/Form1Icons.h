// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Icons of the main window, drawn in code: tool icons with the editor's own canvas (a pen-style
// button shows its line, a brush button its hatch), menu and text-panel icons with QPainter
// (resources/IconArt.h; the menu items' pictures drawn at build time).
#pragma once

#include "canvas/TCanvas.h"

#include <QIcon>

QIcon ModeIcon(int mode);  // 1 .. 4
QIcon ShapeIcon(int kind); // 0 .. 3
QIcon PenStyleIcon(TPenStyle style);
QIcon BrushStyleIcon(TBrushStyle style);
// The icon of a menu item or a text-panel button, by its name ("New1", "SpButChB", ...); empty
// for other names.
QIcon NamedIcon(const QString& name);
