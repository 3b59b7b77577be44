// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The commands that replace, load, store or wipe the whole picture.
#include "main/Form1.h"

#include "canvas/TImage.h"
#include "dialogs/SetSizeImageDialog.h"
#include "files/PictureFiles.h"
#include "selection/TRegionSelector.h"
#include "system/EditorError.h"
#include "undo/TGraphUnDo.h"
#include "widgets/ColorSwatch.h"
#include "widgets/PictureLabel.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

const QString kPictureFilter = QStringLiteral("Graphics files (*.bmp)|*.BMP");

// A whole decimal number, or an error.
std::int32_t WholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw EditorError(QStringLiteral("Не число: %1").arg(text));
    return value;
}

} // namespace

void TForm1::EnterSelectionMode() {
    LabelTxt->hide();
    if (Selector)
        Selector->ClearSelection();
    SpButModeSelect->setChecked(true);
    SetAppModeClick(SpButModeSelect);
}

void TForm1::ResetHistory() {
    if (!UnDoManager)
        return;
    UnDoManager->Clear();
    RefreshUnDoCaption();
}

void TForm1::New1Click(QObject*) {
    EnterSelectionMode();
    const TBitmap& picture = Image1->Picture();
    const std::int32_t w = picture.Width(), h = picture.Height();
    ResetHistory(); // also when the dialog is cancelled
    if (!NewImageForm)
        return;
    NewImageForm->WidthEdit->setText(QString::number(w));
    NewImageForm->HeightEdit->setText(QString::number(h));
    NewImageForm->WidthEdit->setFocus();
    NewImageForm->WidthEdit->selectAll();
    if (Dialogs().ExecModal(*NewImageForm) == QDialog::Rejected)
        return;
    try {
        const std::int32_t width = WholeNumber(NewImageForm->WidthEdit->text());
        const std::int32_t height = WholeNumber(NewImageForm->HeightEdit->text());
        if (width <= 0 || height <= 0)
            throw EditorError(QStringLiteral("Размер %1 x %2").arg(width).arg(height));
        NewBlankPicture(Image1->Picture(), width, height);
        TCanvas& canvas = Image1->Canvas();
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = NewImageForm->STxtColor->Color();
        canvas.FillRect({0, 0, width, height});
        DocFileName.clear();
        ApplyCanvasTools(Image1);
    } catch (const std::exception&) {
        ApplyCanvasTools(Image1);
        ShowError(this, QStringLiteral("Не могу создать\r\nновый документ ..."));
    }
}

void TForm1::Open1Click(QObject*) {
    OpenDialog1.Filter = kPictureFilter;
    if (!OpenDialog1.Execute(this))
        return;
    EnterSelectionMode();
    const QString fileName = OpenDialog1.FileName;
    try {
        // Read first: a file that cannot be loaded replaces nothing, and the document keeps
        // its name, so that the next Save does not write over the file that failed.
        Image1->Picture().AssignImage(ReadPicture(fileName));
        DocFileName = fileName;
        ResetHistory();
        ApplyCanvasTools(Image1);
    } catch (const std::exception&) {
        ShowError(this, QStringLiteral("Не могу загрузить файл\r\n") + fileName);
    }
}

void TForm1::Save1Click(QObject* Sender) {
    if (DocFileName.isEmpty()) {
        SaveAs1Click(Sender);
        return;
    }
    // A failure reaches the general error report with its reason; the old file stays intact.
    WritePicture(Image1->Picture(), DocFileName);
}

void TForm1::SaveAs1Click(QObject* Sender) {
    SaveDialog1.Filter = kPictureFilter;
    if (!SaveDialog1.Execute(this))
        return;
    DocFileName = SaveDialog1.FileName;
    Save1Click(Sender);
}

void TForm1::Clear1Click(QObject*) {
    if (!AskYesNo(this, QStringLiteral("Изображение будет очищено текущим цветом Brush!\r\n"
                                       "Выполнять?")))
        return;
    ResetHistory();
    // The outline comes off first: drawn over the fill it would be drawn back in later.
    if (Selector)
        Selector->SetOutlineVisible(false);
    FillImage(Image1, STxtBrushColor->Color());
}
