// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The undo commands of the edit menu.
#include "main/Form1.h"

#include "selection/TRegionSelector.h"
#include "undo/TGraphUnDo.h"

#include <QAction>

void TForm1::RefreshUnDoCaption() {
    UnDo->setText(QStringLiteral("Шаг назад (%1)").arg(UnDoManager ? UnDoManager->Count() : 0));
}

void TForm1::UnDoClick(QObject*) {
    if (!UnDoManager)
        return;
    // The outline comes off first: the step back may cover pixels the outline has inverted, and
    // taking the outline off later would invert them again.
    if (Selector && UnDoManager->Count() > 0)
        Selector->SetOutlineVisible(false);
    UnDoManager->StepBack(Image1);
    RefreshUnDoCaption();
}

void TForm1::ClearUnDo1Click(QObject*) {
    if (!UnDoManager || UnDoManager->Count() == 0)
        return;
    if (!AskYesNo(this, QStringLiteral("Все шаги назад будут отменены!\r\nВыполнять?")))
        return;
    UnDoManager->Clear();
    RefreshUnDoCaption();
}
