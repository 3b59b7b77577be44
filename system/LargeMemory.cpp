// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "system/LargeMemory.h"

#include <algorithm>
#include <cstdlib>
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

} // namespace

void FreeLargeMemory::operator()(unsigned char* memory) const {
    std::free(memory);
}

LargeMemory AllocateLarge(std::size_t bytes) {
    if (bytes < kLargeAllocation)
        return LargeMemory(static_cast<unsigned char*>(std::malloc(bytes > 0 ? bytes : 1)));
    // A huge page is resident whole once touched: past the first, the last, partly used one is
    // left to small pages.
    const std::size_t huge = bytes < kHugePage ? kHugePage : bytes / kHugePage * kHugePage;
    void* memory = nullptr;
    if (posix_memalign(&memory, kHugePage, std::max(bytes, kHugePage)) != 0)
        return LargeMemory();
#ifdef MADV_HUGEPAGE
    madvise(memory, huge, MADV_HUGEPAGE); // advice only: small pages do, slower
#endif
    return LargeMemory(static_cast<unsigned char*>(memory));
}
