// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "system/EditorError.h"

QString ExceptionText(const std::exception& error) {
    if (const auto* own = dynamic_cast<const EditorError*>(&error))
        return own->Text();
    return QString::fromLocal8Bit(error.what());
}
