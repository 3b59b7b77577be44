// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common/Geometry.h"

bool PointsEqual(const TPoint& A, const TPoint& B) {
    return A.x == B.x && A.y == B.y;
}

TRect NormalizeRect(const TPoint& A, const TPoint& B) {
    return {std::min(A.x, B.x), std::min(A.y, B.y), std::max(A.x, B.x), std::max(A.y, B.y)};
}
