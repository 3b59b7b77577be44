// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// How much memory the editor may still take before the kernel would rather kill it, and the check
// before each allocation that grows with a picture: one that does not fit is refused with a
// message, and the picture on screen stays safe.
#pragma once

#include "system/EditorError.h"

#include <cstdint>
#include <functional>

// Kept free beyond what an allocation needs: the small allocations that are not checked, Qt's
// own, and the window's repaints come out of it.
constexpr std::int64_t kMemoryMargin = std::int64_t{64} << 20;

// Allocations from this size on are checked; below it the margin covers them.
constexpr std::int64_t kCheckedAllocation = std::int64_t{4} << 20;

// The bytes the process can still get: the smaller of the system's MemAvailable and the room left
// under each memory limit of its control group and the groups above it (cgroup v2 memory.max,
// or v1 memory.limit_in_bytes), file cache that the kernel can drop counted as room. Negative
// when none of it can be read.
std::int64_t AvailableMemory();

// Whether `bytes` more fit with kMemoryMargin to spare: always below kCheckedAllocation, and when
// nothing can be read.
bool MemoryFits(std::int64_t bytes);

// The error of a picture that does not fit: "Недостаточно памяти для изображения W x H".
EditorError OutOfMemory(std::int64_t width, std::int64_t height);

// Throws OutOfMemory(width, height) unless MemoryFits(bytes).
void RequireMemory(std::int64_t bytes, std::int64_t width, std::int64_t height);

// Gives memory that was freed back to the system where the allocator keeps it for later use
// (glibc keeps freed blocks of up to 32 MB in its heap): what a decoder freed is then room for the
// picture's conversion, as the checks before decoding count on.
void ReturnFreedMemory();

// Replaces how AvailableMemory finds its answer (tests); an empty function restores it.
using MemoryProbe = std::function<std::int64_t()>;
void SetMemoryProbe(MemoryProbe probe);
