// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "undo/TIQueue.h"

#include "desktop/Dialogs.h"

TQItem::~TQItem() {
    // Unlink iteratively so that a long chain is not freed by deep recursion.
    while (Next)
        Next = std::move(Next->Next);
}

TIQueue::~TIQueue() {
    Clear();
}

void TIQueue::Push(std::unique_ptr<TBitmap> graphic, const TRect& rect) {
    auto entry = std::make_unique<TQItem>();
    entry->Rect = rect;
    entry->Graphic = std::move(graphic);
    TQItem* added = entry.get();
    if (tail_) {
        entry->Prev = tail_;
        tail_->Next = std::move(entry);
        ++count_;
    } else {
        head_ = std::move(entry);
        count_ = 1;
    }
    tail_ = added;
    if (count_ > kCapacity)
        DropOldest();
}

void TIQueue::DropOldest() {
    if (count_ <= 0 || !head_)
        return;
    std::unique_ptr<TQItem> oldest = std::move(head_);
    head_ = std::move(oldest->Next);
    if (head_) {
        head_->Prev = nullptr;
        --count_;
    } else {
        tail_ = nullptr;
        count_ = 0;
    }
}

void TIQueue::DropNewest() {
    if (count_ <= 0 || !tail_)
        return;
    TQItem* newer = tail_;
    tail_ = newer->Prev;
    if (tail_) {
        tail_->Next.reset(); // frees the newest entry and its graphic
        --count_;
    } else {
        head_.reset();
        count_ = 0;
    }
}

void TIQueue::Clear() {
    while (count_ > 0 && head_ && tail_)
        DropOldest();
}

void TIQueue::ShowInfo() {
    Dialogs().ShowMessage(nullptr, TMsgKind::Information,
                          QStringLiteral("Максим. размер очереди : %1\rТекущий размер очереди : %2")
                              .arg(Capacity())
                              .arg(Count()),
                          TMsgButtons::Ok);
}
