// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main/EditorWindows.h"

#include "dialogs/About.h"
#include "dialogs/SetSizeImageDialog.h"
#include "fragments/ImageBuf01.h"
#include "main/Form1.h"

EditorWindows::EditorWindows() {
    Form1 = std::make_unique<TForm1>();
    NewImageForm = new TNewImageForm(Form1.get());
    AboutBox = new TAboutBox(Form1.get());
    FormImgBuf = new TFormImgBuf(Form1.get());
    Form1->NewImageForm = NewImageForm;
    Form1->AboutBox = AboutBox;
    Form1->FormImgBuf = FormImgBuf;
}
