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
    EditorWindows(const EditorWindows&) = delete;
    EditorWindows& operator=(const EditorWindows&) = delete;

    std::unique_ptr<TForm1> Form1;
    // The other three are the main window's children, so that the desktop keeps each above it
    // (the transient parent: set_parent on Wayland, WM_TRANSIENT_FOR on X11) and leaves no
    // modal window hidden behind a blocked main window. They are destroyed with it, after its
    // destruction handler has run.
    TNewImageForm* NewImageForm = nullptr;
    TAboutBox* AboutBox = nullptr;
    TFormImgBuf* FormImgBuf = nullptr;
};
