// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/EditorApplication.h"
#include "main/EditorWindows.h"
#include "main/Form1.h"

int main(int argc, char* argv[]) {
    EditorApplication application(argc, argv);
    EditorWindows windows;
    windows.Form1->show();
    return application.exec();
}
