// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "system/LargeMemory.h"

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
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
    if (memory)
        madvise(memory, rounded, MADV_HUGEPAGE); // advice only: small pages do, slower
#endif
    return LargeMemory(static_cast<unsigned char*>(memory));
}
