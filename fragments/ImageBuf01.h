// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The fragment buffer window: a private store of captioned fragments for the run of the program,
// each with a scale; the selected one is shown, can be scaled by 10 % to 200 %, replaced by its
// scaled version, renamed, deleted, and taken for the next paste.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QScrollArea;
class QSlider;
class QToolButton;
class TBitmap;
class TImage;
class TImageScale;

// One fragment.
class TObImgItm {
public:
    TObImgItm();
    ~TObImgItm();
    std::unique_ptr<TBitmap> Bitmap; // 24-bit colour
    double Scale = 1.0;              // relative to the block first copied from the picture
    double NewScale = 1.0;           // the scale of the scaled preview, if it were kept
};

class TFormImgBuf : public QDialog {
    Q_OBJECT
public:
    explicit TFormImgBuf(QWidget* parent = nullptr);
    ~TFormImgBuf() override;

    QLabel* Label6 = nullptr;
    QListWidget* LstBoxFragment = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* StTxtH = nullptr;
    QLabel* StTxtW = nullptr;
    QLabel* StTxtFragScale = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* EdItem = nullptr;
    QToolButton* SpButDelete = nullptr;
    QToolButton* SpButEdTxt = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QLabel* Label7 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TImage* Image1 = nullptr; // the preview
    QLabel* Label1 = nullptr;
    QLabel* STxtScale = nullptr;
    QToolButton* SpButScale = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* Lb10 = nullptr;
    QLabel* Lb100 = nullptr;
    QLabel* Lb200 = nullptr;

    // The window's scaler; absent if it could not be made.
    std::unique_ptr<TImageScale> BufImageScale;

    // Appends a copy of the fragment as a new entry "Item", selects and shows it.
    void AddFragment(const TBitmap* Fragment);
    // Copies the selected entry's bitmap into the fragment; without a selected entry asks the
    // user to choose one first and returns false.
    bool TakeSelectedFragment(TBitmap& Fragment);
    // The item of the selected entry, or null.
    TObImgItm* SelectedItem() const;

    void FormCreate();
    void FormDestroy();
    void ShowSelectedItem();
    void LstBoxFragmentClick(QObject* Sender);
    void TrackBar1Change(QObject* Sender);
    void SpButScaleClick(QObject* Sender);
    void SpeedButton2Click(QObject* Sender);
    void SpButEdTxtClick(QObject* Sender);
    void SpButDeleteClick(QObject* Sender);
};
