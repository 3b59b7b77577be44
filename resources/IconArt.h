// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The pictures of the program drawn with QPainter: its own icon, and the pictures of the menu items
// and of the text panel's buttons. None needs an application object but the text panel's letters,
// which are drawn with the screen's serif font; the others are drawn at build time by the same code
// (draw_pictures.cpp) and come with the program (BuiltInPictures.h).
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <array>

// The sizes at which the program's icon is drawn, in pixels.
constexpr std::array<int, 7> kProgramIconSizes{16, 24, 32, 48, 64, 128, 256};
// The program's own icon at one size (square, transparent background).
QImage DrawProgramIcon(int size);

// The menu items with a picture, by object name.
const QStringList& MenuPictureNames();
// The picture of a menu item or a text-panel button by its object name ("New1", "SpButChB", ...),
// antialiased on a transparent background, at ratio device pixels a pixel (its device pixel ratio);
// null for other names.
QImage DrawNamedPicture(const QString& name, int ratio);
