// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The fragment commands of the main window as a user gives them: copying the selected block into
// the fragment buffer, choosing an entry in the buffer window, pasting it into the selected
// rectangle and stepping back; the offers to switch to the fragment mode; the copy and paste
// helpers with their undo snapshot, the selection and the working rectangle.
#include "canvas/TImage.h"
#include "fragments/ImageBuf01.h"
#include "main/EditorFixture.h"
#include "selection/TRegionSelector.h"
#include "support/TestPictures.h"
#include "system/EditorError.h"
#include "undo/TGraphUnDo.h"
#include "widgets/PictureLabel.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <climits>
#include <memory>

Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(TPoint)

namespace {

const QString kOfferMode =
    QStringLiteral("Вначале включите копирование - вставку фрагментов\r\nВключить этот режим?");
const QString kTakeFirst = QStringLiteral("Вначале выберите в буфере вставляемый фрагмент");
const QString kCopyFailed = QStringLiteral("Не могу скопировать фрагмент в буфер");
const QString kPasteFailed = QStringLiteral("Не могу вставить фрагмент в изображение");

std::unique_ptr<TBitmap> CopyOf(const TBitmap& from) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(from);
    return copy;
}

// The block of a bitmap, white where it lies outside (read without the code under test).
std::unique_ptr<TBitmap> Block(const TBitmap& from, const TRect& r) {
    auto block = std::make_unique<TBitmap>(r.Width(), r.Height());
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const TColor c = from.Pixel(x, y);
            block->Canvas().SetPixel(x - r.left, y - r.top, c == TBitmap::kNoPixel ? clWhite : c);
        }
    return block;
}

// An undo manager whose snapshots fail with an exception, as a paste may meet one.
class FailingUnDo : public TGraphUnDo {
public:
    void SaveRegion(TImage*, const TRect&) override {
        throw EditorError(QStringLiteral("no snapshot"));
    }
};

} // namespace

class TestFragmentCommands : public EditorFixture {
    Q_OBJECT

    TBitmap& Picture() { return form_->Image1->Picture(); }
    TFormImgBuf& Buffer() { return *windows_->FormImgBuf; }
    int Entries() { return Buffer().LstBoxFragment->count(); }
    const TBitmap& Entry(int row) {
        static TBitmap none;
        auto* item = Buffer().LstBoxFragment->item(row);
        if (!item)
            return none;
        Buffer().LstBoxFragment->setCurrentRow(row);
        return *Buffer().SelectedItem()->Bitmap;
    }
    QToolButton* ModeButton(int mode) const {
        return std::array{form_->SpButModeSelect, form_->SpButModePaint, form_->SpButModeText,
                          form_->SpButModeImage}[static_cast<std::size_t>(mode - 1)];
    }
    int UndoSteps() const { return form_->UnDoManager ? form_->UnDoManager->Count() : -1; }
    // The fragment mode, a drag, and the copy into the buffer.
    void CopyBlock(TPoint from, TPoint to) {
        Drag(form_->Image1, from, to);
        form_->Copy2Buf->trigger();
    }
    void CheckSelectionCleared() {
        QCOMPARE(form_->Selector->SelRect(), TRect{});
        QCOMPARE(form_->Selector->StartPoint().x, 0);
        QCOMPARE(form_->Selector->EndPoint().y, 0);
    }

private slots:
    // ---- copy into the buffer ----
    void copyTakesTheSelectedBlockWithoutItsOutline_data() {
        QTest::addColumn<TPoint>("from");
        QTest::addColumn<TPoint>("to");
        QTest::addColumn<TRect>("block");
        QTest::newRow("dragged down and right")
            << TPoint{30, 40} << TPoint{130, 90} << TRect{30, 40, 130, 90};
        QTest::newRow("dragged up and left")
            << TPoint{130, 90} << TPoint{30, 40} << TRect{30, 40, 130, 90};
        QTest::newRow("one pixel") << TPoint{5, 6} << TPoint{6, 7} << TRect{5, 6, 6, 7};
        QTest::newRow("whole picture") << TPoint{0, 0} << TPoint{761, 505} << TRect{0, 0, 761, 505};
        // Outside the picture the fragment is white.
        QTest::newRow("over the bottom right")
            << TPoint{700, 480} << TPoint{800, 520} << TRect{700, 480, 800, 520};
        QTest::newRow("over the top left")
            << TPoint{-20, -10} << TPoint{40, 30} << TRect{-20, -10, 40, 30};
    }
    void copyTakesTheSelectedBlockWithoutItsOutline() {
        QFETCH(TPoint, from);
        QFETCH(TPoint, to);
        QFETCH(TRect, block);
        FillNoise(Picture(), 1);
        const auto original = CopyOf(Picture());
        Click(form_->SpButModeImage);
        Drag(form_->Image1, from, to);
        // The dotted outline is in the picture's pixels now, and the working rectangle is set.
        QVERIFY(!Differences(Picture(), *original).isEmpty());
        QCOMPARE(form_->WorkRect, block);
        form_->Copy2Buf->trigger();
        QVERIFY(form_->CurFragment);
        QCOMPARE(FirstDifference(*form_->CurFragment, *Block(*original, block)), QString());
        QCOMPARE(form_->CurFragment->Image().format(), QImage::Format_RGB32);
        // The outline is gone, the picture is as it was, selection and rectangle are cleared.
        QCOMPARE(FirstDifference(Picture(), *original), QString());
        CheckSelectionCleared();
        QCOMPARE(form_->WorkRect, TRect{});
        QCOMPARE(form_->AppMode, amImage);
        // A new entry in the buffer, selected and shown; the window stays hidden.
        QCOMPARE(Entries(), 1);
        QVERIFY(!Buffer().isVisible());
        QCOMPARE(Buffer().StTxtW->text(), QString::number(block.Width()));
        QCOMPARE(Buffer().StTxtH->text(), QString::number(block.Height()));
        QCOMPARE(Buffer().StTxtFragScale->text(), QStringLiteral("100"));
        QCOMPARE(Buffer().EdItem->text(), QStringLiteral("Item"));
        QCOMPARE(FirstDifference(Entry(0), *form_->CurFragment), QString());
        // Copying changes nothing that could be undone.
        QCOMPARE(UndoSteps(), 0);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void twoCopiesInARowAddTheSameFragmentTwice() {
        FillNoise(Picture(), 2);
        Click(form_->SpButModeImage);
        CopyBlock({10, 10}, {50, 40});
        const auto first = CopyOf(*form_->CurFragment);
        form_->Copy2Buf->trigger(); // no new drag: nothing is copied, the same fragment is added
        QCOMPARE(Entries(), 2);
        QCOMPARE(Buffer().LstBoxFragment->item(1)->text(), QStringLiteral("Item"));
        QCOMPARE(Buffer().LstBoxFragment->currentRow(), 1);
        QCOMPARE(FirstDifference(*form_->CurFragment, *first), QString());
        QCOMPARE(FirstDifference(Entry(1), *first), QString());
        QCOMPARE(FirstDifference(Entry(0), *first), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void copyWithoutASelectionBeforeAnyCopyAddsNothing_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("no drag at all") << false;
        QTest::newRow("a click without moving") << true;
    }
    void copyWithoutASelectionBeforeAnyCopyAddsNothing() {
        QFETCH(bool, click);
        FillNoise(Picture(), 3);
        const auto original = CopyOf(Picture());
        Click(form_->SpButModeImage);
        if (click)
            Drag(form_->Image1, {40, 40}, {40, 40});
        form_->Copy2Buf->trigger();
        QCOMPARE(Entries(), 0);
        QVERIFY(!form_->CurFragment);
        QCOMPARE(form_->WorkRect, TRect{});
        QVERIFY(dialogs_->Prompts().isEmpty());
        QCOMPARE(FirstDifference(Picture(), *original), QString());
    }

    void aFailingCopyShowsItsMessage() {
        // A selection far wider than any bitmap may be: the copy fails, nothing is added, and the
        // selection is kept (only its outline is off).
        FillNoise(Picture(), 4);
        const auto original = CopyOf(Picture());
        Click(form_->SpButModeImage);
        Drag(form_->Image1, {-70000, 10}, {20, 30});
        const TRect selected = form_->Selector->SelRect();
        dialogs_->ExpectMessage(TModalResult::Ok);
        form_->Copy2Buf->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().text, kCopyFailed);
        QCOMPARE(dialogs_->Prompts().first().msgKind, TMsgKind::Plain);
        QCOMPARE(dialogs_->Prompts().first().buttons, TMsgButtons::Ok);
        QCOMPARE(Entries(), 0);
        QCOMPARE(form_->Selector->SelRect(), selected);
        QCOMPARE(form_->WorkRect, (TRect{-70000, 10, 20, 30}));
        QCOMPARE(FirstDifference(Picture(), *original), QString());
        QCOMPARE(UndoSteps(), 0);
    }

    // ---- outside the fragment mode ----
    void commandsOutsideTheFragmentModeOfferIt_data() {
        QTest::addColumn<bool>("paste"); // Paste2Buf, else Copy2Buf
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("yes");
        for (bool paste : {false, true})
            for (int mode : {1, 2, 3})
                for (bool yes : {true, false})
                    QTest::addRow("%s in mode %d, %s", paste ? "paste" : "copy", mode,
                                  yes ? "yes" : "no")
                        << paste << mode << yes;
    }
    void commandsOutsideTheFragmentModeOfferIt() {
        QFETCH(bool, paste);
        QFETCH(int, mode);
        QFETCH(bool, yes);
        FillNoise(Picture(), 5);
        auto fragment = std::make_unique<TBitmap>(20, 20);
        FillColor(*fragment, clRed);
        Buffer().AddFragment(fragment.get()); // something a paste could take
        Click(ModeButton(mode));
        const auto original = CopyOf(Picture());
        Drag(form_->Image1, {100, 100}, {200, 150}); // mode 2 draws a rectangle: one step
        const int steps = UndoSteps();
        const auto drawn = mode == 2 ? CopyOf(Picture()) : CopyOf(*original);
        dialogs_->ExpectMessage(yes ? TModalResult::Yes : TModalResult::No);
        (paste ? form_->Paste2Buf : form_->Copy2Buf)->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        const RecordedPrompt& prompt = dialogs_->Prompts().first();
        QCOMPARE(prompt.text, kOfferMode);
        QCOMPARE(prompt.msgKind, TMsgKind::Confirmation);
        QCOMPARE(prompt.buttons, TMsgButtons::YesNo);
        // The selection is cleared either way; nothing is copied or pasted.
        CheckSelectionCleared();
        QCOMPARE(FirstDifference(Picture(), *drawn), QString());
        QCOMPARE(Entries(), 1);
        QVERIFY(!form_->CurFragment);
        QCOMPARE(UndoSteps(), steps);
        QCOMPARE(form_->AppMode, yes ? amImage : mode);
        QCOMPARE(form_->SpButModeImage->isChecked(), yes);
        QCOMPARE(ModeButton(mode)->isChecked(), !yes);
        if (yes) {
            // Now in the fragment mode: the tool bands are hidden and a drag selects rectangles.
            QVERIFY(!form_->PanelSelect->isVisible());
            QVERIFY(!form_->LabelTxt->isVisible());
            QCOMPARE(form_->Selector->ShapeKind, 1);
            CopyBlock({10, 10}, {30, 20});
            QCOMPARE(Entries(), 2);
            QCOMPARE(FirstDifference(Entry(1), *Block(*drawn, {10, 10, 30, 20})), QString());
        }
    }

    // ---- paste from the buffer ----
    void pasteIntoTheSelection_data() {
        QTest::addColumn<TRect>("copied");
        QTest::addColumn<TPoint>("from");
        QTest::addColumn<TPoint>("to");
        QTest::addColumn<TRect>("changed");
        // The fragment goes unscaled to the selection's top-left corner, cut to the selection.
        QTest::newRow("40x30 into 100x100 at (5, 5)")
            << TRect{200, 200, 240, 230} << TPoint{5, 5} << TPoint{105, 105} << TRect{5, 5, 45, 35};
        QTest::newRow("dragged backwards")
            << TRect{200, 200, 240, 230} << TPoint{105, 105} << TPoint{5, 5} << TRect{5, 5, 45, 35};
        QTest::newRow("into a smaller selection") << TRect{200, 200, 240, 230} << TPoint{300, 300}
                                                  << TPoint{310, 320} << TRect{300, 300, 310, 320};
        QTest::newRow("same size") << TRect{0, 0, 60, 50} << TPoint{400, 300} << TPoint{460, 350}
                                   << TRect{400, 300, 460, 350};
        QTest::newRow("over the picture's edge") << TRect{10, 10, 90, 90} << TPoint{740, 490}
                                                 << TPoint{840, 590} << TRect{740, 490, 761, 505};
        QTest::newRow("onto itself, moved") << TRect{100, 100, 200, 180} << TPoint{120, 110}
                                            << TPoint{300, 300} << TRect{120, 110, 220, 190};
    }
    void pasteIntoTheSelection() {
        QFETCH(TRect, copied);
        QFETCH(TPoint, from);
        QFETCH(TPoint, to);
        QFETCH(TRect, changed);
        FillNoise(Picture(), 6);
        const auto original = CopyOf(Picture());
        Click(form_->SpButModeImage);
        CopyBlock({copied.left, copied.top}, {copied.right, copied.bottom});
        const auto fragment = CopyOf(*form_->CurFragment);
        Drag(form_->Image1, from, to);
        form_->Paste2Buf->trigger();
        QVERIFY(dialogs_->Prompts().isEmpty());
        QCOMPARE(DifferenceBounds(Picture(), *original), changed);
        for (int y = changed.top; y < changed.bottom; ++y)
            for (int x = changed.left; x < changed.right; ++x)
                QCOMPARE(Picture().Pixel(x, y), fragment->Pixel(x - changed.left, y - changed.top));
        // One step that can be undone, the selection cleared, the rectangle zeroed.
        QCOMPARE(UndoSteps(), 1);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        QCOMPARE(form_->UnDoManager->Tail()->Rect, changed);
        CheckSelectionCleared();
        QCOMPARE(form_->WorkRect, TRect{});
        QCOMPARE(FirstDifference(*form_->CurFragment, *fragment), QString());
        // Without a new drag a second paste has no rectangle: nothing more happens.
        const auto pasted = CopyOf(Picture());
        form_->Paste2Buf->trigger();
        QCOMPARE(FirstDifference(Picture(), *pasted), QString());
        QCOMPARE(UndoSteps(), 1);
        QVERIFY(dialogs_->Prompts().isEmpty());
        form_->UnDo->trigger();
        QCOMPARE(FirstDifference(Picture(), *original), QString());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
    }

    void pasteWithoutADragTakesTheEntryOnly() {
        // Two entries; the first is chosen in the buffer window; no drag since the last copy.
        FillNoise(Picture(), 7);
        Click(form_->SpButModeImage);
        CopyBlock({0, 0}, {30, 20});
        const auto first = CopyOf(*form_->CurFragment);
        CopyBlock({100, 100}, {110, 150});
        const auto picture = CopyOf(Picture());
        dialogs_->ExpectModal([](QDialog& window) {
            auto* list = window.findChild<QListWidget*>(QStringLiteral("LstBoxFragment"));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                              list->visualItemRect(list->item(0)).center());
            window.close();
            return int(QDialog::Rejected);
        });
        form_->SelectInBuf1->trigger();
        form_->Paste2Buf->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1); // the buffer window only, no message
        QCOMPARE(FirstDifference(*form_->CurFragment, *first), QString());
        QCOMPARE(FirstDifference(Picture(), *picture), QString());
        QCOMPARE(UndoSteps(), 0);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
    }

    void pasteWithAnEmptyBufferAsksForAFragment() {
        FillNoise(Picture(), 8);
        Click(form_->SpButModeImage);
        Drag(form_->Image1, {10, 10}, {50, 50});
        const auto shown = CopyOf(Picture()); // with the outline
        const TRect selected = form_->Selector->SelRect();
        dialogs_->ExpectMessage(TModalResult::Ok);
        form_->Paste2Buf->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().text, kTakeFirst);
        QCOMPARE(dialogs_->Prompts().first().msgKind, TMsgKind::Confirmation);
        QCOMPARE(dialogs_->Prompts().first().buttons, TMsgButtons::Ok);
        QCOMPARE(FirstDifference(Picture(), *shown), QString());
        QCOMPARE(form_->Selector->SelRect(), selected);
        QCOMPARE(UndoSteps(), 0);
        QVERIFY(!form_->CurFragment);
    }

    void aFailingPasteShowsItsMessage() {
        FillNoise(Picture(), 9);
        Click(form_->SpButModeImage);
        CopyBlock({0, 0}, {20, 20});
        const auto before = CopyOf(Picture());
        form_->UnDoManager = std::make_unique<FailingUnDo>();
        Drag(form_->Image1, {100, 100}, {150, 150});
        form_->UnDo->setText(QStringLiteral("unchanged"));
        dialogs_->ExpectMessage(TModalResult::Ok);
        form_->Paste2Buf->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().text, kPasteFailed);
        QCOMPARE(dialogs_->Prompts().first().msgKind, TMsgKind::Plain);
        QCOMPARE(dialogs_->Prompts().first().buttons, TMsgButtons::Ok);
        // Nothing pasted (the outline came off before the failure), the caption not refreshed,
        // the selection kept.
        QCOMPARE(FirstDifference(Picture(), *before), QString());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("unchanged"));
        QCOMPARE(form_->Selector->SelRect(), (TRect{100, 100, 150, 150}));
    }

    void pasteWithoutAnUndoManager() {
        FillNoise(Picture(), 10);
        const auto original = CopyOf(Picture());
        Click(form_->SpButModeImage);
        CopyBlock({0, 0}, {20, 10});
        form_->UnDoManager.reset();
        Drag(form_->Image1, {50, 60}, {150, 160});
        form_->Paste2Buf->trigger();
        QCOMPARE(DifferenceBounds(Picture(), *original), (TRect{50, 60, 70, 70}));
        CheckSelectionCleared();
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // ---- the helpers themselves ----
    void pasteFragmentChangesAndStoresExactlyItsBlock_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<TRect>("changed");
        QTest::newRow("100x50 into 30x200 at (10, 10)")
            << 100 << 50 << TRect{10, 10, 40, 210} << TRect{10, 10, 40, 60};
        QTest::newRow("30x200 into 100x50")
            << 30 << 200 << TRect{10, 10, 110, 60} << TRect{10, 10, 40, 60};
        QTest::newRow("over the right edge")
            << 50 << 50 << TRect{740, 0, 800, 40} << TRect{740, 0, 761, 40};
    }
    void pasteFragmentChangesAndStoresExactlyItsBlock() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(TRect, rect);
        QFETCH(TRect, changed);
        FillNoise(Picture(), 11);
        const auto original = CopyOf(Picture());
        TBitmap fragment(width, height);
        FillNoise(fragment, 12);
        TRect r = rect;
        QVERIFY(form_->PasteFragment(&fragment, form_->Image1, r));
        QCOMPARE(r, TRect{});
        QCOMPARE(DifferenceBounds(Picture(), *original), changed);
        for (int y = changed.top; y < changed.bottom; ++y)
            for (int x = changed.left; x < changed.right; ++x)
                QCOMPARE(Picture().Pixel(x, y), fragment.Pixel(x - rect.left, y - rect.top));
        // The snapshot holds exactly the block that changed, as it was.
        QCOMPARE(UndoSteps(), 1);
        const TQItem* step = form_->UnDoManager->Tail();
        QCOMPARE(step->Rect, changed);
        QCOMPARE(FirstDifference(*step->Graphic, *Block(*original, changed)), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void pasteFragmentOfNothing_data() {
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<bool>("bitmap");
        QTest::newRow("width 0") << TRect{10, 10, 10, 50} << true;
        QTest::newRow("height 0") << TRect{10, 10, 50, 10} << true;
        QTest::newRow("reversed") << TRect{50, 50, 10, 10} << true;
        QTest::newRow("no bitmap") << TRect{10, 10, 50, 50} << false;
    }
    void pasteFragmentOfNothing() {
        QFETCH(TRect, rect);
        QFETCH(bool, bitmap);
        FillNoise(Picture(), 13);
        Click(form_->SpButModeImage);
        Drag(form_->Image1, {100, 100}, {200, 200});
        const auto shown = CopyOf(Picture());
        TBitmap fragment(20, 20);
        FillColor(fragment, clRed);
        TRect r = rect;
        QVERIFY(!form_->PasteFragment(bitmap ? &fragment : nullptr, form_->Image1, r));
        QCOMPARE(r, rect);
        QCOMPARE(FirstDifference(Picture(), *shown), QString()); // the outline stays too
        QCOMPARE(form_->Selector->SelRect(), (TRect{100, 100, 200, 200}));
        QCOMPARE(UndoSteps(), 0);
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void copySelToFragmentOfAnEmptyRectangle() {
        FillNoise(Picture(), 14);
        Click(form_->SpButModeImage);
        Drag(form_->Image1, {100, 100}, {200, 200});
        const auto shown = CopyOf(Picture());
        TRect r{30, 30, 30, 60};
        QVERIFY(form_->CopySelToFragment(form_->Image1, r));
        QCOMPARE(r, (TRect{30, 30, 30, 60}));
        QVERIFY(!form_->CurFragment);
        QCOMPARE(FirstDifference(Picture(), *shown), QString());
        QCOMPARE(form_->Selector->SelRect(), (TRect{100, 100, 200, 200}));
        // A real copy creates the fragment once and reuses it.
        r = {0, 0, 10, 10};
        QVERIFY(form_->CopySelToFragment(form_->Image1, r));
        const TBitmap* fragment = form_->CurFragment.get();
        QCOMPARE(r, TRect{});
        r = {5, 5, 25, 15};
        QVERIFY(form_->CopySelToFragment(form_->Image1, r));
        QCOMPARE(form_->CurFragment.get(), fragment);
        QCOMPARE(fragment->Width(), 20);
        QCOMPARE(fragment->Height(), 10);
    }

    // ---- the buffer window from the menu ----
    void selectInBufferWorksInEveryMode_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("select") << 1;
        QTest::newRow("paint") << 2;
        QTest::newRow("text") << 3;
        QTest::newRow("fragments") << 4;
    }
    void selectInBufferWorksInEveryMode() {
        QFETCH(int, mode);
        FillNoise(Picture(), 15);
        Click(ModeButton(mode));
        Drag(form_->Image1, {20, 30}, {120, 90});
        const auto picture = CopyOf(Picture());
        const TRect selected = form_->Selector->SelRect();
        const bool label = form_->LabelTxt->isVisible();
        const bool outline = form_->Selector->OutlineVisible();
        bool shown = false;
        dialogs_->ExpectModal([&shown](QDialog& window) {
            shown = window.isVisible();
            window.close();
            return int(QDialog::Rejected);
        });
        form_->SelectInBuf1->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().kind, RecordedPrompt::Kind::Modal);
        QCOMPARE(dialogs_->Prompts().first().text, QStringLiteral("FormImgBuf"));
        QVERIFY(shown);
        QVERIFY(!Buffer().isVisible());
        QCOMPARE(form_->AppMode, mode);
        QVERIFY(ModeButton(mode)->isChecked());
        QCOMPARE(form_->Selector->SelRect(), selected);
        QCOMPARE(form_->Selector->OutlineVisible(), outline);
        QCOMPARE(form_->LabelTxt->isVisible(), label);
        QCOMPARE(FirstDifference(Picture(), *picture), QString());
    }

    // ---- a whole round ----
    void copyScaleKeepPasteAndStepBack() {
        FillNoise(Picture(), 16);
        const auto original = CopyOf(Picture());
        Click(form_->SpButModeImage);
        CopyBlock({50, 60}, {150, 140}); // 100 x 80
        dialogs_->ExpectModal([](QDialog& window) {
            window.findChild<QSlider*>(QStringLiteral("TrackBar1"))->setValue(50);
            Click(window.findChild<QToolButton*>(QStringLiteral("SpButScale")));
            Click(window.findChild<QToolButton*>(QStringLiteral("SpeedButton2")));
            window.close();
            return int(QDialog::Rejected);
        });
        form_->SelectInBuf1->trigger();
        QCOMPARE(Buffer().StTxtW->text(), QStringLiteral("50"));
        QCOMPARE(Buffer().StTxtH->text(), QStringLiteral("40"));
        QCOMPARE(Buffer().StTxtFragScale->text(), QStringLiteral("50"));
        const auto kept = CopyOf(*Buffer().SelectedItem()->Bitmap);
        Drag(form_->Image1, {300, 200}, {400, 300});
        form_->Paste2Buf->trigger();
        QCOMPARE(DifferenceBounds(Picture(), *original), (TRect{300, 200, 350, 240}));
        QCOMPARE(FirstDifference(*Block(Picture(), {300, 200, 350, 240}), *kept), QString());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        form_->UnDo->trigger();
        QCOMPARE(FirstDifference(Picture(), *original), QString());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        QCOMPARE(form_->AppMode, amImage);
        QCOMPARE(dialogs_->Prompts().size(), 1);
    }
};

LIMNORA_TEST_CLASS(TestFragmentCommands)
#include "tst_fragmentcommands.moc"
