// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Step-by-step undo of changes to the picture: before an edit of a rectangle the caller saves
// that rectangle; a step back puts the newest saved rectangle back. At most 8 steps are kept.
#pragma once

#include "undo/TIQueue.h"

#include <functional>

class TImage;

class TGraphUnDo : public TIQueue {
public:
    // Makes the bitmap of a snapshot, its pixels not set (the snapshot overwrites them all);
    // replaceable so that a failing allocation can be tested.
    using TBitmapFactory = std::function<std::unique_ptr<TBitmap>(std::int32_t, std::int32_t)>;

    TGraphUnDo();

    bool Enabled() const { return enabled_; }
    // Saves the pixels of rect (normalised) before they change. Only the part inside the picture
    // is stored; the rest cannot change. A snapshot that cannot be made switches undo off for
    // good after one error box; the caller goes on with its edit.
    virtual void SaveRegion(TImage* image, const TRect& rect);
    // Puts the newest step back and drops it.
    virtual void StepBack(TImage* image);
    // A change of the value empties the history.
    void SetEnabled(bool value);

    TBitmapFactory MakeBitmap;

private:
    // In a full history the push of the next step drops the oldest one; a snapshot of the same
    // size takes the oldest step's bitmap beforehand, so that it is copied into memory already
    // in use. Nothing when the history is not full or the sizes differ.
    std::unique_ptr<TBitmap> TakeOldestGraphic(std::int32_t width, std::int32_t height);

    bool enabled_ = true;
};
