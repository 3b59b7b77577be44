// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialogs/SetSizeImageDialog.h"

#include "desktop/EditorApplication.h"
#include "widgets/ColorSwatch.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TNewImageForm::TNewImageForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewImageForm"));
    setWindowTitle(QStringLiteral("Установка размеров нового рисунка"));
    setWindowFlags(kFixedDialogFlags);
    setFixedSize(307, 135);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 201, 113);

    Label1 = new QLabel(QStringLiteral("Ширина ( pix )"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(20, 22, 100, 21);
    WidthEdit = new QLineEdit(this);
    WidthEdit->setObjectName(QStringLiteral("WidthEdit"));
    WidthEdit->setGeometry(124, 20, 73, 23);
    Label1->setBuddy(WidthEdit);

    Label2 = new QLabel(QStringLiteral("Высота ( pix )"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(20, 54, 100, 21);
    HeightEdit = new QLineEdit(this);
    HeightEdit->setObjectName(QStringLiteral("HeightEdit"));
    HeightEdit->setGeometry(124, 52, 73, 23);
    Label2->setBuddy(HeightEdit);

    STxtColor = new ColorSwatch(this);
    STxtColor->setObjectName(QStringLiteral("STxtColor"));
    STxtColor->setProperty("Tag", 101);
    STxtColor->setAccessibleName(QStringLiteral("Цвет фона нового рисунка"));
    STxtColor->move(20, 92);
    STxtColor->setFocusPolicy(Qt::StrongFocus);
    // Until a colour is picked the swatch shows the dialog's own face colour.
    STxtColor->SetColor(FromQColor(palette().color(QPalette::Button)));
    connect(STxtColor, &ColorSwatch::Clicked, this,
            Reported([this] { STxtColorClick(STxtColor); }));
    // Two lines when the dialog font is too wide for one, centred on the swatch either way.
    Label3 = new QLabel(QStringLiteral("Цвет фона нового рисунка"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label3->setGeometry(44, 82, 160, 36);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(224, 8, 75, 25);
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(224, 96, 75, 25);
    CancelBtn->setAutoDefault(false);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject); // Esc rejects as well

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, WidthEdit);
    setTabOrder(WidthEdit, HeightEdit);
    setTabOrder(HeightEdit, STxtColor);

    // The client area goes to the centre of the screen: move() would place the frame's corner
    // there and leave the window off centre by the frame's width.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
}

void TNewImageForm::STxtColorClick(QObject*) {
    if (ColorDialog1.Execute(this))
        STxtColor->SetColor(ColorDialog1.Color);
}
