// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Modes, tool buttons, colour swatches and the selection commands, clicked as a user clicks them;
// the undo commands of the edit menu.
#include "canvas/TImage.h"
#include "main/EditorFixture.h"
#include "selection/TRegionSelector.h"
#include "support/TestPictures.h"
#include "undo/TGraphUnDo.h"
#include "widgets/ColorSwatch.h"

#include <QAction>
#include <QLabel>
#include <QRandomGenerator>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

Q_DECLARE_METATYPE(TPoint)

namespace {

struct Panels {
    bool select, pen, brush, text;
};

} // namespace

class TestModes : public EditorFixture {
    Q_OBJECT

    QToolButton* ModeButton(int mode) const {
        return std::array{form_->SpButModeSelect, form_->SpButModePaint, form_->SpButModeText,
                          form_->SpButModeImage}[static_cast<std::size_t>(mode - 1)];
    }
    void CheckPanels(Panels p) {
        QCOMPARE(form_->PanelSelect->isVisible(), p.select);
        QCOMPARE(form_->PanelPen->isVisible(), p.pen);
        QCOMPARE(form_->PanelBrush->isVisible(), p.brush);
        QCOMPARE(form_->PanelTxt->isVisible(), p.text);
        QCOMPARE(form_->PSelect1->isChecked(), p.select);
        QCOMPARE(form_->PPen1->isChecked(), p.pen);
        QCOMPARE(form_->PBrush1->isChecked(), p.brush);
        QCOMPARE(form_->PText1->isChecked(), p.text);
        QVERIFY(form_->PanelAppMode1->isVisible());
    }

private slots:
    void modeButtonsSetPanelsAndSelector_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("select");
        QTest::addColumn<bool>("pen");
        QTest::addColumn<bool>("brush");
        QTest::addColumn<bool>("text");
        QTest::addColumn<int>("outlineMode");
        QTest::newRow("select") << 1 << true << false << false << false << int(omPersistent);
        QTest::newRow("paint") << 2 << true << true << true << false << int(omTransient);
        QTest::newRow("text") << 3 << false << false << false << true << int(omPersistent);
        QTest::newRow("image") << 4 << false << false << false << false << int(omPersistent);
    }
    void modeButtonsSetPanelsAndSelector() {
        QFETCH(int, mode);
        QFETCH(bool, select);
        QFETCH(bool, pen);
        QFETCH(bool, brush);
        QFETCH(bool, text);
        QFETCH(int, outlineMode);
        // Start from another mode with a selection shown and a pending text preview.
        Click(mode == 2 ? form_->SpButModeText : form_->SpButModePaint);
        form_->LabelTxt->show();
        Click(ModeButton(mode));
        QCOMPARE(form_->AppMode, mode);
        QVERIFY(ModeButton(mode)->isChecked());
        CheckPanels({select, pen, brush, text});
        QCOMPARE(form_->Selector->OutlineMode(), outlineMode);
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->Selector->SelRect(), TRect{});
    }

    void clickingTheCurrentModeAgainClearsTheSelection() {
        const TBitmap& picture = form_->Image1->Picture();
        Drag(form_->Image1, {10, 10}, {60, 40});
        QVERIFY(CountColor(picture, clBlack, picture.BoundsRect()) > 0); // dotted outline
        form_->LabelTxt->show();
        Click(form_->SpButModeSelect);
        QCOMPARE(CountColor(picture, clWhite, picture.BoundsRect()), 761 * 505);
        QCOMPARE(form_->Selector->SelRect(), TRect{});
        QCOMPARE(form_->Selector->StartPoint().x, 0);
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->AppMode, amSelect);
    }

    void imageModeThenPaintModeDrawsRectangles() {
        Click(form_->SpButDrawT[2]); // ellipse
        QCOMPARE(form_->ShapeTool, 2);
        Click(form_->SpButModeImage);
        QVERIFY(form_->SpButDrawT[1]->isChecked());
        QVERIFY(!form_->SpButDrawT[2]->isChecked());
        QCOMPARE(form_->ShapeTool, 1);
        QCOMPARE(form_->Selector->ShapeKind, 1);
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {10, 10}, {50, 30});
        const TBitmap& picture = form_->Image1->Picture();
        // A rectangle: its corner pixel is drawn (an ellipse would leave it white).
        QCOMPARE(picture.Pixel(10, 10), clBlue);
        QCOMPARE(CountColor(picture, clBlue, picture.BoundsRect()), 2 * 40 + 2 * 18);
    }

    void viewItemsWorkInEveryModeAndKeepTheMode() {
        Click(form_->SpButModeImage);
        form_->PPen1->trigger();
        QVERIFY(form_->PanelPen->isVisible());
        QCOMPARE(form_->AppMode, amImage);
        Click(form_->SpButModeText);
        form_->PSelect1->trigger();
        QVERIFY(form_->PanelSelect->isVisible());
        QVERIFY(form_->PanelTxt->isVisible());
        QCOMPARE(form_->AppMode, amText);
        // The next mode change sets all four again.
        Click(form_->SpButModeSelect);
        CheckPanels({true, false, false, false});
    }

    void otherTagsChangeNothing() {
        QToolButton stray;
        stray.setProperty("Tag", 1005);
        form_->SetAppModeClick(&stray);
        QCOMPARE(form_->AppMode, amSelect);
        CheckPanels({true, false, false, false});
        stray.setProperty("Tag", 17);
        form_->SetToolAndParm(&stray);
        QCOMPARE(form_->ShapeTool, 1);
        QCOMPARE(form_->PenStyle, psSolid);
        QCOMPARE(form_->BrushStyle, bsClear);
    }

    void toolButtonsSetTheStateAndTheCanvasAtOnce_data() {
        QTest::addColumn<int>("index"); // 0..3 shapes, 4..9 pens, 10..17 brushes
        for (int i = 0; i < 18; ++i)
            QTest::addRow("button %d", i) << i;
    }
    void toolButtonsSetTheStateAndTheCanvasAtOnce() {
        QFETCH(int, index);
        Click(form_->SpButModeText); // buttons act in every mode, even with hidden panels
        form_->ShowToolPanels(true, true, true, true);
        QToolButton* button = index < 4    ? form_->SpButDrawT[std::size_t(index)]
                              : index < 10 ? form_->SpButPenS[std::size_t(index - 4)]
                                           : form_->SpButBrush[std::size_t(index - 10)];
        TBitmap before;
        before.Assign(form_->Image1->Picture());
        Click(button);
        QVERIFY(button->isChecked());
        const TCanvas& canvas = form_->Image1->Canvas();
        if (index < 4)
            QCOMPARE(form_->ShapeTool, index);
        else if (index < 10)
            QCOMPARE(int(form_->PenStyle), index - 4);
        else
            QCOMPARE(int(form_->BrushStyle), index - 10);
        QCOMPARE(form_->Selector->ShapeKind, form_->ShapeTool);
        QCOMPARE(canvas.Pen.Style, form_->PenStyle);
        QCOMPARE(canvas.Brush.Style, form_->BrushStyle);
        // Nothing is drawn until the next gesture.
        QVERIFY(Differences(form_->Image1->Picture(), before).isEmpty());
    }

    void shapesUseEveryPenAndBrushButton() {
        Click(form_->SpButModePaint);
        Click(form_->SpButBrush[0]); // solid
        Click(form_->SpButPenS[5]);  // no outline
        Drag(form_->Image1, {20, 20}, {40, 30});
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(CountColor(picture, clSilver, {20, 20, 40, 30}), 200);
        Click(form_->SpButBrush[6]); // cross hatch
        Click(form_->SpButPenS[1]);  // dashed
        Click(form_->SpButDrawT[2]); // ellipse
        Drag(form_->Image1, {100, 100}, {300, 200});
        QVERIFY(CountColor(picture, clBlue, {100, 100, 300, 200}) > 0);
        QVERIFY(CountColor(picture, clSilver, {100, 100, 300, 200}) > 0);
        // A hatch paints only its lines: the middle of a hatch cell stays white.
        QCOMPARE(picture.Pixel(200, 159), clWhite);
        QCOMPARE(picture.Pixel(204, 159), clSilver);
    }

    void coloursComeFromTheSharedDialog() {
        dialogs_->ExpectColor(0x00FF00);
        Click(form_->SpButModePaint);
        QTest::mouseClick(form_->STxtPenColor, Qt::LeftButton);
        QCOMPARE(form_->PenColor, TColor(0x00FF00));
        QCOMPARE(form_->STxtPenColor->Color(), TColor(0x00FF00));
        QCOMPARE(form_->BrushColor, clSilver);
        QCOMPARE(form_->STxtBrushColor->Color(), clSilver);
        // The dialog opened on black the first time, and opens on the last choice next.
        dialogs_->ExpectColor(0x123456);
        QTest::mouseClick(form_->STxtBrushColor, Qt::LeftButton);
        QCOMPARE(form_->BrushColor, TColor(0x123456));
        QCOMPARE(form_->PenColor, TColor(0x00FF00));
        dialogs_->ExpectColor(std::nullopt); // cancelled: nothing changes
        QTest::mouseClick(form_->STxtPenColor, Qt::LeftButton);
        QCOMPARE(form_->PenColor, TColor(0x00FF00));
        QCOMPARE(form_->STxtPenColor->Color(), TColor(0x00FF00));
        QCOMPARE(form_->BrushColor, TColor(0x123456));
        const auto& prompts = dialogs_->Prompts();
        QCOMPARE(prompts.size(), 3);
        QCOMPARE(prompts[0].offered, QStringLiteral("#000000"));
        QCOMPARE(prompts[1].offered, QStringLiteral("#00ff00"));
        QCOMPARE(prompts[2].offered, QStringLiteral("#563412"));
        // The next shape is drawn in the new colours.
        Click(form_->SpButBrush[0]);
        Drag(form_->Image1, {10, 10}, {20, 20});
        QCOMPARE(form_->Image1->Picture().Pixel(10, 10), TColor(0x00FF00));
        QCOMPARE(form_->Image1->Picture().Pixel(15, 15), TColor(0x123456));
    }

    void showAndHideSelectionByMode() {
        const TBitmap& picture = form_->Image1->Picture();
        auto outlined = [&] { return CountColor(picture, clBlack, picture.BoundsRect()) > 0; };
        Drag(form_->Image1, {10, 10}, {60, 40}); // mode 1
        QVERIFY(outlined());
        form_->HidenSelect1->trigger();
        QVERIFY(!outlined());
        form_->ShowSelect1->trigger();
        QVERIFY(outlined());
        // Mode 4: hide works, show does nothing.
        Click(form_->SpButModeImage);
        Drag(form_->Image1, {10, 10}, {60, 40});
        QVERIFY(outlined());
        form_->HidenSelect1->trigger();
        QVERIFY(!outlined());
        form_->ShowSelect1->trigger();
        QVERIFY(!outlined());
        // Mode 3: neither acts.
        Click(form_->SpButModeText);
        Drag(form_->Image1, {10, 10}, {60, 40});
        QVERIFY(outlined());
        form_->HidenSelect1->trigger();
        QVERIFY(outlined());
        Click(form_->SpButModeSelect);
        QVERIFY(!outlined());
    }

    void textModeDragPlacesTheEmptyPreview() {
        Click(form_->SpButModeText);
        Drag(form_->Image1, {30, 40}, {130, 90});
        QVERIFY(form_->LabelTxt->isVisible());
        QVERIFY(form_->LabelTxt->Caption().isEmpty());
        QCOMPARE(form_->LabelTxt->geometry(), QRect(31, 41, 98, 48));
        QCOMPARE(form_->WorkRect, (TRect{30, 40, 130, 90}));
    }
};

class TestUndoCommands : public EditorFixture {
    Q_OBJECT

    // One shape through the real buttons, with the given tools.
    void DrawOne(int kind, int pen, int brush, TPoint from, TPoint to) {
        Click(form_->SpButDrawT[std::size_t(kind)]);
        Click(form_->SpButPenS[std::size_t(pen)]);
        Click(form_->SpButBrush[std::size_t(brush)]);
        Drag(form_->Image1, from, to);
    }
    TBitmap& Picture() { return form_->Image1->Picture(); }

private slots:
    void stepsBackRestoreTheStartingPictureBitForBit() {
        QRandomGenerator random(20261207);
        Click(form_->SpButModePaint);
        for (int round = 0; round < 25; ++round) {
            FillNoise(Picture(), random.generate());
            TBitmap start;
            start.Assign(Picture());
            form_->UnDoManager->Clear();
            const int shapes = 1 + random.bounded(8);
            for (int i = 0; i < shapes; ++i) {
                // Drags in every direction, some reaching outside the picture.
                const TPoint from{random.bounded(-100, 861), random.bounded(-100, 605)};
                const TPoint to{random.bounded(-100, 861), random.bounded(-100, 605)};
                DrawOne(random.bounded(4), random.bounded(6), random.bounded(8), from, to);
            }
            QCOMPARE(form_->UnDoManager->Count(), shapes);
            for (int i = 0; i < shapes; ++i)
                form_->UnDo->trigger();
            QVERIFY2(Differences(Picture(), start).isEmpty(),
                     qPrintable(QStringLiteral("round %1: %2")
                                    .arg(round)
                                    .arg(FirstDifference(Picture(), start))));
            QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        }
    }

    void eightStepsBackAfterTenShapes() {
        Click(form_->SpButModePaint);
        Click(form_->SpButBrush[0]);
        QList<std::shared_ptr<TBitmap>> before;
        for (int i = 0; i < 10; ++i) {
            auto snapshot = std::make_shared<TBitmap>();
            snapshot->Assign(Picture());
            before.append(snapshot);
            Drag(form_->Image1, {10 + 20 * i, 10 + 10 * i}, {200 - 5 * i, 300 + 7 * i});
            QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (%1)").arg(std::min(i + 1, 8)));
        }
        for (int i = 0; i < 8; ++i)
            form_->UnDo->trigger();
        QVERIFY2(Differences(Picture(), *before[2]).isEmpty(),
                 qPrintable(FirstDifference(Picture(), *before[2])));
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        form_->UnDo->trigger(); // a ninth step back changes nothing
        QVERIFY(Differences(Picture(), *before[2]).isEmpty());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
    }

    void oneStepBackRemovesAWholeLine_data() {
        QTest::addColumn<TPoint>("from");
        QTest::addColumn<TPoint>("to");
        QTest::newRow("up left") << TPoint{50, 50} << TPoint{10, 20};
        QTest::newRow("down right") << TPoint{10, 20} << TPoint{50, 50};
        QTest::newRow("horizontal") << TPoint{100, 70} << TPoint{10, 70};
        QTest::newRow("vertical") << TPoint{30, 5} << TPoint{30, 90};
        QTest::newRow("steep") << TPoint{200, 10} << TPoint{199, 400};
        QTest::newRow("to the bottom right corner") << TPoint{700, 480} << TPoint{760, 504};
    }
    void oneStepBackRemovesAWholeLine() {
        QFETCH(TPoint, from);
        QFETCH(TPoint, to);
        FillNoise(Picture(), 3);
        TBitmap start;
        start.Assign(Picture());
        Click(form_->SpButModePaint);
        DrawOne(0, 0, 1, from, to);
        QVERIFY(!Differences(Picture(), start).isEmpty());
        form_->UnDo->trigger();
        QVERIFY2(Differences(Picture(), start).isEmpty(),
                 qPrintable(FirstDifference(Picture(), start)));
    }

    void stepBackTakesTheOutlineOffFirst() {
        TBitmap start;
        start.Assign(Picture());
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {100, 52}, {300, 202});
        Click(form_->SpButModeSelect);
        Drag(form_->Image1, {50, 32}, {350, 152}); // the outline crosses the rectangle
        form_->UnDo->trigger();
        Drag(form_->Image1, {500, 400}, {500, 400}); // a click elsewhere
        QVERIFY2(Differences(Picture(), start).isEmpty(),
                 qPrintable(FirstDifference(Picture(), start)));
    }

    void snapshotIsTheDragRectangle() {
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {100, 80}, {20, 10});
        QCOMPARE(form_->UnDoManager->Tail()->Rect, (TRect{20, 10, 100, 80}));
        QCOMPARE(form_->UnDoManager->Tail()->Graphic->Width(), 80);
        QCOMPARE(form_->UnDoManager->Tail()->Graphic->Height(), 70);
    }

    void clickWithoutMovementSavesNothingButRefreshesTheCaption() {
        Click(form_->SpButModePaint);
        form_->Image1->OnMouseDown(TMouseButton::mbLeft, ssLeft, 30, 30);
        form_->Image1->OnMouseUp(TMouseButton::mbLeft, 0, 30, 30);
        QCOMPARE(form_->UnDoManager->Count(), 0);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
    }

    void invisibleShapeStillStoresAStep() {
        Click(form_->SpButModePaint);
        Click(form_->SpButPenS[5]);
        Drag(form_->Image1, {10, 10}, {90, 90});
        QCOMPARE(form_->UnDoManager->Count(), 1);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        QCOMPARE(CountColor(Picture(), clWhite, Picture().BoundsRect()), 761 * 505);
    }

    void otherModesRefreshTheCaptionOnly() {
        Drag(form_->Image1, {10, 10}, {90, 90}); // mode 1
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        QCOMPARE(form_->UnDoManager->Count(), 0);
    }

    void clearingTheHistoryAsksFirst() {
        // Empty history: no question at all.
        form_->ClearUnDo1->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 0);
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {10, 10}, {50, 50});
        Drag(form_->Image1, {20, 20}, {70, 70});
        // No keeps every step.
        dialogs_->ExpectMessage(TModalResult::No);
        form_->ClearUnDo1->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts()[0].msgKind, TMsgKind::Confirmation);
        QCOMPARE(dialogs_->Prompts()[0].buttons, TMsgButtons::YesNo);
        QCOMPARE(dialogs_->Prompts()[0].text,
                 QStringLiteral("Все шаги назад будут отменены!\r\nВыполнять?"));
        QCOMPARE(form_->UnDoManager->Count(), 2);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (2)"));
        // Yes empties the history; a step back then restores nothing.
        dialogs_->ExpectMessage(TModalResult::Yes);
        form_->ClearUnDo1->trigger();
        QCOMPARE(form_->UnDoManager->Count(), 0);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        TBitmap drawn;
        drawn.Assign(Picture());
        form_->UnDo->trigger();
        QVERIFY(Differences(Picture(), drawn).isEmpty());
    }

    void aFailedSnapshotSwitchesUndoOffForGood() {
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {10, 10}, {50, 50});
        QCOMPARE(form_->UnDoManager->Count(), 1);
        form_->UnDoManager->MakeBitmap =
            [](std::int32_t, std::int32_t) -> std::unique_ptr<TBitmap> { throw std::bad_alloc(); };
        dialogs_->ExpectMessage(TModalResult::Ok);
        Drag(form_->Image1, {100, 100}, {200, 150});
        // One error box; the shape is drawn all the same; the history is empty.
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts()[0].msgKind, TMsgKind::Error);
        QCOMPARE(dialogs_->Prompts()[0].text,
                 QStringLiteral("Ошибка при создании образа для UnDo.\rИнструмент операций UnDo "
                                "отключен !"));
        QCOMPARE(Picture().Pixel(100, 100), clBlue);
        QVERIFY(!form_->UnDoManager->Enabled());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        // Later shapes save nothing and ask nothing, even with memory back.
        form_->UnDoManager->MakeBitmap = [](std::int32_t w, std::int32_t h) {
            return std::make_unique<TBitmap>(w, h);
        };
        Drag(form_->Image1, {300, 100}, {400, 150});
        QCOMPARE(form_->UnDoManager->Count(), 0);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        TBitmap drawn;
        drawn.Assign(Picture());
        form_->UnDo->trigger();
        QVERIFY(Differences(Picture(), drawn).isEmpty());
        QCOMPARE(dialogs_->Prompts().size(), 1);
    }

    void historyIsFreedWhenTheWindowGoes() {
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {10, 10}, {50, 50});
        form_->FormDestroy();
        QVERIFY(!form_->UnDoManager);
        // Without a manager every undo call is skipped.
        form_->UnDo->trigger();
        form_->ClearUnDo1->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 0);
    }
};

LIMNORA_TEST_CLASS(TestModes)
LIMNORA_TEST_CLASS(TestUndoCommands)

#include "tst_modes.moc"
