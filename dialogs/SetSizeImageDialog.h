// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The new-image dialog: width, height and background colour of a new picture. It checks nothing
// itself; the New command fills the fields before showing it and reads them after OK.
#pragma once

#include "common/Color.h"
#include "desktop/Dialogs.h"

#include <QDialog>

class ColorSwatch;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TNewImageForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewImageForm(QWidget* parent = nullptr);

    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* WidthEdit = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* HeightEdit = nullptr;
    ColorSwatch* STxtColor = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // Its own colour dialog, separate from the main window's.
    TColorDialog ColorDialog1;

    void STxtColorClick(QObject* Sender);
};
