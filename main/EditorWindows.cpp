// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main/EditorWindows.h"

#include "dialogs/About.h"
#include "dialogs/SetSizeImageDialog.h"
#include "fragments/ImageBuf01.h"
#include "main/Form1.h"

EditorWindows::EditorWindows() {
    Form1 = std::make_unique<TForm1>();
    NewImageForm = std::make_unique<TNewImageForm>();
    AboutBox = std::make_unique<TAboutBox>();
    FormImgBuf = std::make_unique<TFormImgBuf>();
    Form1->NewImageForm = NewImageForm.get();
    Form1->AboutBox = AboutBox.get();
    Form1->FormImgBuf = FormImgBuf.get();
}

EditorWindows::~EditorWindows() {
    Form1.reset();
}
