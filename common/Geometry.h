// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Point and rectangle types of the editor, in picture pixels, origin top-left.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Right and bottom are exclusive: Width() = right - left. A rectangle is normalised when
// left <= right and top <= bottom.
struct TRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    // Saturated at the limits of 32 bits: corners may lie anywhere.
    std::int32_t Width() const { return Saturate(std::int64_t{right} - left); }
    std::int32_t Height() const { return Saturate(std::int64_t{bottom} - top); }
    bool IsEmpty() const { return right <= left || bottom <= top; }

    // The part of this rectangle inside other; empty (all zero) when they do not meet.
    TRect Intersected(const TRect& other) const {
        TRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
        return r.IsEmpty() ? TRect{} : r;
    }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    TRect United(const TRect& other) const {
        if (other.IsEmpty())
            return *this;
        if (IsEmpty())
            return other;
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }
    friend bool operator==(const TRect& a, const TRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const TRect& a, const TRect& b) { return !(a == b); }

    static std::int32_t Saturate(std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    }
};

// True when both coordinates are equal.
bool PointsEqual(const TPoint& A, const TPoint& B);

// The rectangle (min x, min y, max x, max y) of two corner points, with nothing added: the larger
// coordinates become right and bottom themselves.
TRect NormalizeRect(const TPoint& A, const TPoint& B);
