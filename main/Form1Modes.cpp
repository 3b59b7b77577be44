// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Modes, the shape, pen and brush buttons, the colour swatches and the selection commands.
#include "main/Form1.h"

#include "canvas/TImage.h"
#include "desktop/EditorApplication.h"
#include "selection/TRegionSelector.h"
#include "widgets/ColorSwatch.h"
#include "widgets/PictureLabel.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>

void TForm1::ConnectHandlers() {
    for (QToolButton* b : {SpButModeSelect, SpButModePaint, SpButModeText, SpButModeImage})
        connect(b, &QToolButton::clicked, this, Reported([this, b] { SetAppModeClick(b); }));
    auto connectTool = [this](QToolButton* b) {
        connect(b, &QToolButton::clicked, this, Reported([this, b] { SetToolAndParm(b); }));
    };
    for (QToolButton* b : SpButDrawT)
        connectTool(b);
    for (QToolButton* b : SpButPenS)
        connectTool(b);
    for (QToolButton* b : SpButBrush)
        connectTool(b);
    for (ColorSwatch* s : {STxtPenColor, STxtBrushColor})
        connect(s, &ColorSwatch::Clicked, this, Reported([this, s] { SetColorParm(s); }));
    connect(ShowSelect1, &QAction::triggered, this,
            Reported([this] { ShowSelect1Click(ShowSelect1); }));
    connect(HidenSelect1, &QAction::triggered, this,
            Reported([this] { HidenSelect1Click(HidenSelect1); }));
    connect(New1, &QAction::triggered, this, Reported([this] { New1Click(New1); }));
    connect(Open1, &QAction::triggered, this, Reported([this] { Open1Click(Open1); }));
    connect(Save1, &QAction::triggered, this, Reported([this] { Save1Click(Save1); }));
    connect(SaveAs1, &QAction::triggered, this, Reported([this] { SaveAs1Click(SaveAs1); }));
    connect(Clear1, &QAction::triggered, this, Reported([this] { Clear1Click(Clear1); }));
    connect(Copy1, &QAction::triggered, this, Reported([this] { Copy1Click(Copy1); }));
    connect(Paste1, &QAction::triggered, this, Reported([this] { Paste1Click(Paste1); }));
    connect(Cut1, &QAction::triggered, this, Reported([this] { Cut1Click(Cut1); }));
    connect(Copy2Buf, &QAction::triggered, this, Reported([this] { Copy2BufClick(Copy2Buf); }));
    connect(SelectInBuf1, &QAction::triggered, this,
            Reported([this] { SelectInBuf1Click(SelectInBuf1); }));
    connect(Paste2Buf, &QAction::triggered, this, Reported([this] { Paste2BufClick(Paste2Buf); }));
    connect(UnDo, &QAction::triggered, this, Reported([this] { UnDoClick(UnDo); }));
    connect(ClearUnDo1, &QAction::triggered, this,
            Reported([this] { ClearUnDo1Click(ClearUnDo1); }));
}

void TForm1::SetAppModeClick(QObject* Sender) {
    std::uint8_t mode = 0;
    switch (TagOf(Sender)) {
    case 1001:
        ShowToolPanels(true, false, false, false);
        mode = amSelect;
        break;
    case 1002:
        ShowToolPanels(true, true, true, false);
        mode = amPaint;
        break;
    case 1003:
        ShowToolPanels(false, false, false, true);
        mode = amText;
        break;
    case 1004:
        SpButDrawT[1]->setChecked(true);
        ShapeTool = 1;
        ShowToolPanels(false, false, false, false);
        mode = amImage;
        break;
    default:
        return;
    }
    ApplySelectorMode(Selector.get(), mode);
    AppMode = mode;
    LabelTxt->hide(); // an unfinished text placement is dropped
    if (Selector)
        Selector->ClearSelection();
}

void TForm1::ApplySelectorMode(TRegionSelector* Selector, int Mode) {
    if (!Selector)
        return;
    Selector->SetOutlineVisible(false);
    switch (Mode) {
    case amSelect:
    case amText:
        Selector->SetOutlineMode(omPersistent);
        break;
    case amPaint:
        Selector->SetOutlineMode(omTransient);
        break;
    case amImage:
        Selector->SetOutlineMode(omPersistent);
        Selector->ShapeKind = 1;
        break;
    default:
        break;
    }
}

void TForm1::SetToolAndParm(QObject* Sender) {
    const int tag = TagOf(Sender);
    if (tag >= 1 && tag <= 4)
        ShapeTool = static_cast<std::uint8_t>(tag - 1);
    else if (tag >= 11 && tag <= 16)
        PenStyle = static_cast<TPenStyle>(tag - 11);
    else if (tag >= 21 && tag <= 28)
        BrushStyle = static_cast<TBrushStyle>(tag - 21);
    if (Selector)
        Selector->ShapeKind = ShapeTool;
    Image1->Canvas().Pen.Style = PenStyle;
    Image1->Canvas().Brush.Style = BrushStyle;
}

void TForm1::SetColorParm(QObject* Sender) {
    if (!ColorDialog1.Execute(this))
        return;
    switch (TagOf(Sender)) {
    case 101:
        PenColor = ColorDialog1.Color;
        break;
    case 102:
        BrushColor = ColorDialog1.Color;
        break;
    default:
        break;
    }
    STxtPenColor->SetColor(PenColor);
    STxtBrushColor->SetColor(BrushColor);
}

void TForm1::ShowSelect1Click(QObject*) {
    if (AppMode == amSelect && Selector)
        Selector->SetOutlineVisible(true);
}

void TForm1::HidenSelect1Click(QObject*) {
    if ((AppMode == amSelect || AppMode == amImage) && Selector)
        Selector->SetOutlineVisible(false);
}
