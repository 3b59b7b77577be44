// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The rubber-band region selector. It takes over the press, move and release handlers of an
// image control, draws the rubber band and the dotted outline of the last selection straight
// into the picture in not-xor mode (drawing the same frame twice restores every pixel), and
// reports the start, each movement and the end of a drag to its owner.
#pragma once

#include "canvas/TImage.h"
#include "common/Geometry.h"

#include <cstdint>
#include <functional>

enum TOutlineMode : std::uint8_t { omPersistent = 0, omTransient = 1 };

class TRegionSelector {
public:
    // A report to the owner: the selector itself, the shift state of the mouse event that caused
    // it, and the two points of the drag. The owner binds its own object into the function.
    using TSelectEvent = std::function<void(TRegionSelector& sender, TShiftState shift,
                                            const TPoint& startPoint, const TPoint& endPoint)>;

    // Without an image the selector hooks nothing and does nothing.
    explicit TRegionSelector(TImage* image);
    // Gives the image back the handlers it had before.
    ~TRegionSelector();
    TRegionSelector(const TRegionSelector&) = delete;
    TRegionSelector& operator=(const TRegionSelector&) = delete;

    // Kind of the rubber band: 0 line, 1 rectangle, 2 ellipse, 3 rounded rectangle; other values
    // draw nothing.
    std::uint8_t ShapeKind = 1;
    // A callback that throws is disconnected for good; the drag goes on.
    TSelectEvent OnSelectStart;
    TSelectEvent OnSelectMove;
    TSelectEvent OnSelectEnd;

    const TPoint& StartPoint() const { return startPoint_; }
    const TPoint& EndPoint() const { return endPoint_; }
    // Normalised rectangle of the last finished drag.
    const TRect& SelRect() const { return selRect_; }

    std::uint8_t OutlineMode() const { return outlineMode_; }
    bool Dragging() const { return dragging_; }
    bool Moved() const { return moved_; }
    bool HasSelection() const { return hasSelection_; }
    bool OutlineVisible() const { return outlineVisible_; }
    std::uint8_t SelKind() const { return selKind_; }

    // omPersistent leaves a dotted outline after a drag; omTransient (any other non-zero value
    // too) leaves nothing.
    void SetOutlineMode(std::uint8_t mode);
    // Shows or hides the outline of the last selection; acts only in omPersistent.
    void SetOutlineVisible(bool visible);
    // Hides the outline and forgets the region: points and SelRect become zero.
    void ClearSelection();

private:
    struct TSavedTools {
        TBrushStyle brushStyle = bsSolid;
        TColor brushColor = clWhite;
        TPenMode penMode = pmCopy;
        TPenStyle penStyle = psSolid;
        TColor penColor = clBlack;
        std::int32_t penWidth = 1;
    };

    void ImageMouseDown(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y);
    void ImageMouseMove(TShiftState shift, std::int32_t x, std::int32_t y);
    void ImageMouseUp(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y);

    void SaveCanvasTools();
    void RestoreCanvasTools();
    void SetRubberBandTools();
    void DrawFrame(const TPoint& p1, const TPoint& p2, std::uint8_t kind, TPenMode mode);
    void PaintOutline(bool show);
    void FireEvent(TSelectEvent& event, TShiftState shift);

    TImage* image_;
    TImage::TMouseEvent savedMouseDown_;
    TImage::TMouseMoveEvent savedMouseMove_;
    TImage::TMouseEvent savedMouseUp_;
    TSavedTools savedTools_;
    std::uint8_t outlineMode_ = omPersistent;
    bool dragging_ = false;
    bool moved_ = false;
    bool hasSelection_ = false;
    bool outlineVisible_ = true;
    TPoint startPoint_;
    TPoint endPoint_;
    TRect selRect_;
    std::uint8_t selKind_ = 1;
};
