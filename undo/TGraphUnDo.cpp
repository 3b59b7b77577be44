// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "undo/TGraphUnDo.h"

#include "canvas/TImage.h"
#include "desktop/Dialogs.h"

TGraphUnDo::TGraphUnDo()
    : MakeBitmap([](std::int32_t w, std::int32_t h) { return TBitmap::Unfilled(w, h); }) {}

void TGraphUnDo::SaveRegion(TImage* image, const TRect& rect) {
    if (!enabled_ || !image)
        return;
    const TRect stored = NormalizeRect({rect.left, rect.top}, {rect.right, rect.bottom})
                             .Intersected(image->Picture().BoundsRect());
    try {
        std::unique_ptr<TBitmap> snapshot = TakeOldestGraphic(stored.Width(), stored.Height());
        if (!snapshot)
            snapshot = MakeBitmap(stored.Width(), stored.Height());
        snapshot->Canvas().CopyRect({0, 0, stored.Width(), stored.Height()}, image->Canvas(),
                                    stored);
        Push(std::move(snapshot), stored);
    } catch (...) {
        SetEnabled(false);
        ShowError(image, QStringLiteral("Ошибка при создании образа для UnDo.\r"
                                        "Инструмент операций UnDo отключен !"));
    }
}

std::unique_ptr<TBitmap> TGraphUnDo::TakeOldestGraphic(std::int32_t width, std::int32_t height) {
    TQItem* oldest = Head();
    if (Count() < Capacity() || !oldest || !oldest->Graphic || oldest->Graphic->Width() != width ||
        oldest->Graphic->Height() != height)
        return nullptr;
    return std::move(oldest->Graphic);
}

void TGraphUnDo::StepBack(TImage* image) {
    if (!enabled_ || !image || Count() <= 0 || !Tail())
        return;
    const TQItem* newest = Tail();
    if (newest->Graphic)
        image->Canvas().Draw(newest->Rect.left, newest->Rect.top, *newest->Graphic);
    DropNewest();
}

void TGraphUnDo::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    Clear();
    enabled_ = value;
}
