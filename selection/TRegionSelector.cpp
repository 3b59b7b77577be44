// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "selection/TRegionSelector.h"

#include <cstdlib>

TRegionSelector::TRegionSelector(TImage* image) : image_(image) {
    if (!image_)
        return;
    savedMouseDown_ = image_->OnMouseDown;
    savedMouseMove_ = image_->OnMouseMove;
    savedMouseUp_ = image_->OnMouseUp;
    image_->OnMouseDown = [this](TMouseButton b, TShiftState s, std::int32_t x, std::int32_t y) {
        ImageMouseDown(b, s, x, y);
    };
    image_->OnMouseMove = [this](TShiftState s, std::int32_t x, std::int32_t y) {
        ImageMouseMove(s, x, y);
    };
    image_->OnMouseUp = [this](TMouseButton b, TShiftState s, std::int32_t x, std::int32_t y) {
        ImageMouseUp(b, s, x, y);
    };
}

TRegionSelector::~TRegionSelector() {
    if (!image_)
        return;
    image_->OnMouseDown = savedMouseDown_;
    image_->OnMouseMove = savedMouseMove_;
    image_->OnMouseUp = savedMouseUp_;
}

void TRegionSelector::SaveCanvasTools() {
    const TCanvas& c = image_->Canvas();
    savedTools_ = {c.Brush.Style, c.Brush.Color, c.Pen.Mode, c.Pen.Style, c.Pen.Color, c.Pen.Width};
}

void TRegionSelector::RestoreCanvasTools() {
    TCanvas& c = image_->Canvas();
    c.Brush.Style = savedTools_.brushStyle;
    c.Brush.Color = savedTools_.brushColor;
    c.Pen.Mode = savedTools_.penMode;
    c.Pen.Style = savedTools_.penStyle;
    c.Pen.Color = savedTools_.penColor;
    c.Pen.Width = savedTools_.penWidth;
}

void TRegionSelector::SetRubberBandTools() {
    TCanvas& c = image_->Canvas();
    c.Brush.Style = bsClear;
    c.Brush.Color = clWhite;
    c.Pen.Style = psSolid;
    c.Pen.Mode = pmNotXor;
    c.Pen.Color = clBlack;
    c.Pen.Width = 1;
}

void TRegionSelector::DrawFrame(const TPoint& p1, const TPoint& p2, std::uint8_t kind,
                                TPenMode mode) {
    image_->Canvas().Pen.Mode = mode;
    DrawShapeOfKind(image_->Canvas(), kind, p1, p2);
}

void TRegionSelector::FireEvent(TSelectEvent& event, TShiftState shift) {
    if (!event)
        return;
    RestoreCanvasTools();
    // Called through a copy: the callback may replace or clear the slot it is called from.
    TSelectEvent call = event;
    try {
        call(*this, shift, startPoint_, endPoint_);
    } catch (...) {
        event = nullptr;
    }
    SetRubberBandTools();
}

void TRegionSelector::ImageMouseDown(TMouseButton, TShiftState shift, std::int32_t x,
                                     std::int32_t y) {
    if (shift != ssLeft)
        return;
    SaveCanvasTools();
    SetRubberBandTools();
    if (hasSelection_ && outlineVisible_) {
        image_->Canvas().Pen.Style = psDot;
        DrawFrame(startPoint_, endPoint_, selKind_, pmNotXor);
        outlineVisible_ = false;
        image_->Canvas().Pen.Style = psSolid;
    }
    dragging_ = true;
    hasSelection_ = false;
    moved_ = false;
    image_->Canvas().MoveTo(x, y);
    startPoint_ = endPoint_ = {x, y};
    FireEvent(OnSelectStart, shift);
}

void TRegionSelector::ImageMouseMove(TShiftState shift, std::int32_t x, std::int32_t y) {
    if (!dragging_)
        return;
    if (moved_)
        DrawFrame(startPoint_, endPoint_, ShapeKind, pmNotXor);
    endPoint_ = {x, y};
    moved_ = moved_ || !PointsEqual(startPoint_, endPoint_);
    if (moved_) {
        DrawFrame(startPoint_, endPoint_, ShapeKind, pmNotXor);
        FireEvent(OnSelectMove, shift);
    }
}

void TRegionSelector::ImageMouseUp(TMouseButton, TShiftState shift, std::int32_t, std::int32_t) {
    if (!dragging_)
        return;
    dragging_ = false;
    if (moved_) {
        DrawFrame(startPoint_, endPoint_, ShapeKind, pmNotXor);
        moved_ = false;
        if (outlineMode_ == omPersistent) {
            image_->Canvas().Pen.Style = psDot;
            DrawFrame(startPoint_, endPoint_, ShapeKind, pmNotXor);
            outlineVisible_ = true;
        }
    }
    // The selection ends at the last move position, not where the button was released.
    selRect_ = NormalizeRect(startPoint_, endPoint_);
    selKind_ = ShapeKind;
    hasSelection_ = true;
    FireEvent(OnSelectEnd, shift);
    RestoreCanvasTools();
}

void TRegionSelector::PaintOutline(bool show) {
    image_->Canvas().Pen.Style = psDot;
    const bool drawn = !PointsEqual(startPoint_, endPoint_);
    if (show) {
        if (drawn && !outlineVisible_)
            DrawFrame(startPoint_, endPoint_, selKind_, pmNotXor);
        outlineVisible_ = true;
    } else {
        if (drawn && outlineVisible_)
            DrawFrame(startPoint_, endPoint_, selKind_, pmNotXor);
        outlineVisible_ = false;
    }
}

void TRegionSelector::SetOutlineVisible(bool visible) {
    if (!image_ || outlineMode_ != omPersistent)
        return;
    SaveCanvasTools();
    SetRubberBandTools();
    PaintOutline(visible);
    RestoreCanvasTools();
}

void TRegionSelector::SetOutlineMode(std::uint8_t mode) {
    if (mode == outlineMode_)
        return;
    if (image_) {
        SaveCanvasTools();
        SetRubberBandTools();
        if (mode == omPersistent)
            PaintOutline(true);
        else if (mode == omTransient)
            PaintOutline(false);
    }
    outlineMode_ = mode;
    if (image_)
        RestoreCanvasTools();
}

void TRegionSelector::ClearSelection() {
    SetOutlineVisible(false);
    selRect_ = {};
    startPoint_ = {};
    endPoint_ = {};
}
