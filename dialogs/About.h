// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The about box: the program's picture, title, version and credits, where the users' guide is,
// a button that opens the guide, and an OK button.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

// The program's own icon at one size (square, transparent background); needs no application
// object, so the build can draw the icon theme's files with it.
QImage DrawProgramIcon(int size);
// The program's own icon at the usual sizes.
QIcon ProgramIcon();
