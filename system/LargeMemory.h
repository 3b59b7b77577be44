// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Memory for what grows with a picture: its pixels, and the PNG of a copy while it is made.
#pragma once

#include <cstddef>
#include <memory>

// Allocations of at least this size are aligned to 2 MB and marked for huge pages: touching new
// memory then costs one page fault per 2 MB rather than one per 4 KB. The rounding up wastes at
// most an eighth.
constexpr std::size_t kLargeAllocation = std::size_t{16} << 20;

struct FreeLargeMemory {
    void operator()(unsigned char* memory) const;
};
using LargeMemory = std::unique_ptr<unsigned char[], FreeLargeMemory>;

// At least `bytes` of memory, its contents not set; null when it cannot be had. Release it into
// another owner with release() and free it with FreeLargeMemory.
LargeMemory AllocateLarge(std::size_t bytes);
