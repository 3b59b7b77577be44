// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The users' guide: where its page is, and showing it in the desktop's browser.
#pragma once

#include <QString>

class QWidget;

// Asks the desktop to show the guide's page (OpenGuidePage): under the installation prefix of an
// installed program, or beside the program in the build folder it was built in. Where there is
// none, an error box over parent says where it should be.
void OpenGuide(QWidget* parent);
// Asks the desktop to show a page (xdg-open); where no browser could be started, an error box over
// parent names the page.
void OpenGuidePage(QWidget* parent, const QString& page);
