// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The users' guide: where its page is, and showing it in the desktop's browser.
#pragma once

#include <QString>

class QWidget;

// The guide's page: under the installation prefix of an installed program, or beside the program
// in the build folder it was built in. Empty when there is none.
QString GuidePagePath();

// Asks the desktop to show the guide's page (xdg-open). Where the page is missing, or no browser
// could be started, an error box over parent says where the page is (or should be).
void OpenGuide(QWidget* parent);
