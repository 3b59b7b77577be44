// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's windows, created at start-up in a fixed order: the main window first (its
// creation builds the editor state), then the new-image dialog, the about box and the fragment
// buffer window, all but the main window hidden.
#pragma once

#include <memory>

class TAboutBox;
class TForm1;
class TFormImgBuf;
class TNewImageForm;

class EditorWindows {
public:
    EditorWindows();
    // The main window goes first, so its destruction handler runs while the others still exist.
    ~EditorWindows();
    EditorWindows(const EditorWindows&) = delete;
    EditorWindows& operator=(const EditorWindows&) = delete;

    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TNewImageForm> NewImageForm;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TFormImgBuf> FormImgBuf;
};
