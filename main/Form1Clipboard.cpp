// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole picture through the system clipboard, and fragments through the fragment buffer.
#include "main/Form1.h"

#include "canvas/TImage.h"
#include "clipboard/Clipboard.h"
#include "fragments/ImageBuf01.h"
#include "fragments/ImgScale01.h"
#include "selection/TRegionSelector.h"
#include "undo/TGraphUnDo.h"

#include <QScrollArea>
#include <QToolButton>

void TForm1::Copy1Click(QObject*) {
    // The whole picture as it is, a shown selection outline included.
    PutToClipboard(Image1->Picture());
}

void TForm1::Cut1Click(QObject*) {
    if (!PutToClipboard(Image1->Picture()))
        return;
    ResetHistory();
    // The outline comes off before the fill, or hiding it later would draw it back in.
    if (Selector)
        Selector->SetOutlineVisible(false);
    FillImage(Image1, FromQColor(ScrollBox1->palette().color(ScrollBox1->backgroundRole())));
}

void TForm1::Paste1Click(QObject*) {
    // The outline comes off first, for the same reason as in a cut.
    const bool outlined = Selector && Selector->OutlineVisible();
    if (outlined)
        Selector->SetOutlineVisible(false);
    bool drawn = false;
    try {
        drawn = DrawFromClipboard(0, 0, Image1->Picture());
    } catch (...) {
        // A failure comes before anything is drawn: the outline goes back, and the error on to
        // the general report.
        if (outlined)
            Selector->SetOutlineVisible(true);
        throw;
    }
    if (!drawn) {
        if (outlined)
            Selector->SetOutlineVisible(true); // nothing pasted: everything as it was
        return;
    }
    ResetHistory();
}

bool TForm1::CopySelToFragment(TImage* Image, TRect& Rect) {
    if (Rect.Width() <= 0 || Rect.Height() <= 0)
        return true;
    try {
        if (!CurFragment)
            CurFragment = std::make_unique<TBitmap>();
        Selector->SetOutlineVisible(false); // the outline never goes into a fragment
        CopyImageRect(Image, Rect, CurFragment.get());
        Selector->ClearSelection();
        Rect = Selector->SelRect();
    } catch (const std::exception&) {
        Dialogs().ShowMessage(this, TMsgKind::Plain,
                              QStringLiteral("Не могу скопировать фрагмент в буфер"),
                              TMsgButtons::Ok);
        return false;
    }
    return true;
}

bool TForm1::PasteFragment(TBitmap* Bitmap, TImage* Image, TRect& Rect) {
    if (Rect.Width() <= 0 || Rect.Height() <= 0 || !Bitmap)
        return false;
    try {
        Selector->SetOutlineVisible(false);
        // The rectangle shrinks to the fragment; it never grows.
        if (Bitmap->Width() < Rect.Width())
            Rect.right = Rect.left + Bitmap->Width();
        if (Bitmap->Height() < Rect.Height())
            Rect.bottom = Rect.top + Bitmap->Height();
        if (UnDoManager)
            UnDoManager->SaveRegion(Image, Rect);
        PasteBitmapRect(Image, Rect, Bitmap);
        Selector->ClearSelection();
        Rect = Selector->SelRect();
        return true;
    } catch (const std::exception&) {
        Dialogs().ShowMessage(this, TMsgKind::Plain,
                              QStringLiteral("Не могу вставить фрагмент в изображение"),
                              TMsgButtons::Ok);
        return false;
    }
}

void TForm1::OfferImageMode() {
    if (Selector)
        Selector->ClearSelection();
    if (!AskYesNo(this, QStringLiteral("Вначале включите копирование - вставку фрагментов\r\n"
                                       "Включить этот режим?")))
        return;
    SpButModeImage->setChecked(true);
    SetAppModeClick(SpButModeImage);
}

void TForm1::Copy2BufClick(QObject*) {
    if (!SpButModeImage->isChecked()) {
        OfferImageMode();
        return;
    }
    if (CopySelToFragment(Image1, WorkRect) && FormImgBuf)
        FormImgBuf->AddFragment(CurFragment.get());
}

void TForm1::SelectInBuf1Click(QObject*) {
    if (FormImgBuf)
        Dialogs().ExecModal(*FormImgBuf);
}

void TForm1::Paste2BufClick(QObject*) {
    if (!SpButModeImage->isChecked()) {
        OfferImageMode();
        return;
    }
    WorkRect = NormalizeRect(Selector->StartPoint(), Selector->EndPoint());
    if (!FormImgBuf)
        return;
    // The current fragment comes into being with the first fragment copied or taken, not with a
    // request that finds nothing to take.
    auto first = CurFragment ? nullptr : std::make_unique<TBitmap>();
    if (!FormImgBuf->TakeSelectedFragment(first ? *first : *CurFragment))
        return;
    if (first)
        CurFragment = std::move(first);
    if (PasteFragment(CurFragment.get(), Image1, WorkRect) && UnDoManager)
        RefreshUnDoCaption();
}
