// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// A bounded queue of picture snapshots: each entry holds a bitmap and the rectangle of the
// picture it was taken from. New entries go to the newest end; past the capacity the oldest
// entry is dropped. Entries can be removed from either end.
#pragma once

#include "canvas/TBitmap.h"
#include "common/Geometry.h"

#include <memory>

// One entry. The queue owns its entries through the Next links, from the oldest to the newest,
// and each entry owns its graphic.
class TQItem {
public:
    virtual ~TQItem();

    std::unique_ptr<TQItem> Next; // the next newer entry; none for the newest
    TQItem* Prev = nullptr;       // the next older entry; none for the oldest
    TRect Rect;                   // where in the picture the snapshot was taken
    std::unique_ptr<TBitmap> Graphic;
};

// The queue carries the node fields of an entry too; it does not use them.
class TIQueue : public TQItem {
public:
    static constexpr int kCapacity = 8;

    TIQueue() = default;
    ~TIQueue() override;
    TIQueue(const TIQueue&) = delete;
    TIQueue& operator=(const TIQueue&) = delete;

    int Capacity() const { return kCapacity; }
    int Count() const { return count_; }
    TQItem* Head() const { return head_.get(); } // the oldest entry
    TQItem* Tail() const { return tail_; }       // the newest entry

    // Appends a newest entry that takes the graphic; a push past the capacity drops the oldest.
    void Push(std::unique_ptr<TBitmap> graphic, const TRect& rect);
    // Remove and free one entry; nothing happens on an empty queue.
    void DropOldest();
    void DropNewest();
    void Clear();

    // An information box with the capacity and the current size.
    virtual void ShowInfo();

private:
    std::unique_ptr<TQItem> head_;
    TQItem* tail_ = nullptr;
    int count_ = 0;
};
