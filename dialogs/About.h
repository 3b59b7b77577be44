// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The about box: the program's picture, title, version and credits, where the users' guide is,
// a button that opens the guide, and an OK button.
#pragma once

#include <QDialog>
#include <QIcon>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

// The program's own icon at the sizes of kProgramIconSizes (resources/IconArt.h) up to the largest
// given.
QIcon ProgramIcon(int largest = 256);
