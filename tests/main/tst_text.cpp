// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The text tool: the panel, the preview that follows every setting, and the commit into the
// picture, which must land exactly what the preview showed.
#include "canvas/TImage.h"
#include "main/EditorFixture.h"
#include "selection/TRegionSelector.h"
#include "support/TestPictures.h"
#include "undo/TGraphUnDo.h"
#include "widgets/ColorSwatch.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

Q_DECLARE_METATYPE(TRect)

namespace {

const QString kInfo = QStringLiteral("Вначале выделите мышкой прямоугольную\r\n"
                                     "область для размещения нового текста.");

// Chooses an entry of a combo box as a user does: the box's activated signal fires.
void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestTextTool : public EditorFixture {
    Q_OBJECT

    TBitmap& Picture() { return form_->Image1->Picture(); }

    // Text mode and a drag over the picture: the preview stands inside the rectangle.
    void PlaceText(TPoint from, TPoint to) {
        Click(form_->SpButModeText);
        Drag(form_->Image1, from, to);
    }
    // The preview as it shows over the picture right now.
    QImage ShownPreview() {
        return form_->LabelTxt->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The picture's pixels at a rectangle in picture coordinates.
    QImage PictureAt(const QRect& r) { return Picture().Image().copy(r); }

private slots:
    void panelControlsHintsAndStartState() {
        struct Expected {
            QWidget* control;
            const char* hint;
        };
        const Expected controls[] = {{form_->EdTxt, "Строка для ввода текста"},
                                     {form_->CbBoxFntName, "Имя текущего фонта"},
                                     {form_->StTxtColorTxt, "Выбор текущего цвета для текста"},
                                     {form_->CbBoxFntSize, "Текущий размер символов"},
                                     {form_->SpButChB, "Жирный текст"},
                                     {form_->SpButChI, "Наклонный текст"},
                                     {form_->SpButChU, "Подчеркнутый текст"},
                                     {form_->SpButChS, "Перечеркнутый текст"},
                                     {form_->SpButTxtToLeft, "Выравнивать текст по левому краю"},
                                     {form_->SpButTxtToCentr, "Выравнивать текст по центру"},
                                     {form_->SpButTxtToRight, "Выравнивать текст по правому краю"},
                                     {form_->SpButOK, "Вставить текст в изображение"},
                                     {form_->SpButCancel, "Отменить вставку текста в изображение"}};
        form_->PText1->trigger();
        QApplication::processEvents();
        QVERIFY(form_->PanelTxt->isVisible());
        QCOMPARE(form_->PanelTxt->height(), 60);
        int previousX = -1;
        for (const Expected& e : controls) {
            QCOMPARE(e.control->toolTip(), QString::fromUtf8(e.hint));
            QCOMPARE(e.control->parentWidget(), form_->PanelTxt);
            if (e.control == form_->EdTxt)
                continue;
            // The second row, left to right in this order, below the text line.
            QVERIFY(e.control->x() > previousX);
            QVERIFY(e.control->y() > form_->EdTxt->y());
            previousX = e.control->x();
        }
        QCOMPARE(form_->EdTxt->width(), form_->PanelTxt->width() - 8);
        QCOMPARE(form_->CbBoxFntName->width(), 180);
        QCOMPARE(form_->CbBoxFntSize->width(), 57);
        QCOMPARE(form_->StTxtColorTxt->size(), QSize(16, 16));
        for (QToolButton* b : {form_->SpButChB, form_->SpButChI, form_->SpButChU, form_->SpButChS,
                               form_->SpButTxtToLeft, form_->SpButOK, form_->SpButCancel}) {
            QCOMPARE(b->size(), QSize(24, 24));
            QVERIFY(!b->icon().isNull());
        }
        // A gap before OK.
        QVERIFY(form_->SpButOK->x() - (form_->SpButTxtToRight->x() + 24) >= 8);
        // Start state: styles up, left alignment down, an empty text.
        for (QToolButton* b : {form_->SpButChB, form_->SpButChI, form_->SpButChU, form_->SpButChS})
            QVERIFY(!b->isChecked());
        QVERIFY(form_->SpButTxtToLeft->isChecked());
        QVERIFY(form_->EdTxt->text().isEmpty());
        QVERIFY(!form_->SpButOK->isCheckable());
        QCOMPARE(form_->LabelTxt->Alignment(), Qt::AlignLeft);
    }

    void styleButtonsToggleAloneAlignmentIsOneOfThree() {
        Click(form_->SpButChB);
        Click(form_->SpButChU);
        QVERIFY(form_->SpButChB->isChecked() && form_->SpButChU->isChecked());
        QVERIFY(form_->LabelTxt->font().bold() && form_->LabelTxt->font().underline());
        Click(form_->SpButChB); // bold off again: the other bits stay
        QVERIFY(!form_->LabelTxt->font().bold());
        QVERIFY(form_->LabelTxt->font().underline());
        QVERIFY(!form_->LabelTxt->font().italic() && !form_->LabelTxt->font().strikeOut());
        Click(form_->SpButChI);
        Click(form_->SpButChS);
        QVERIFY(form_->LabelTxt->font().italic() && form_->LabelTxt->font().strikeOut());
        Click(form_->SpButTxtToRight);
        QVERIFY(!form_->SpButTxtToLeft->isChecked());
        QCOMPARE(form_->LabelTxt->Alignment(), Qt::AlignRight);
        Click(form_->SpButTxtToCentr);
        QVERIFY(!form_->SpButTxtToRight->isChecked());
        QCOMPARE(form_->LabelTxt->Alignment(), Qt::AlignHCenter);
    }

    void previewFollowsTheTextAsTyped() {
        PlaceText({20, 20}, {220, 120});
        QTest::keyClicks(form_->EdTxt, QStringLiteral("Home"));
        QCOMPARE(form_->LabelTxt->Caption(), QStringLiteral("Home"));
        const QImage shown = ShownPreview();
        // Letters over the white picture: the preview is no longer all white.
        QVERIFY(shown != PictureAt(form_->LabelTxt->geometry()));
    }

    void choosingFontsAndSizes() {
        QComboBox* names = form_->CbBoxFntName;
        QComboBox* sizes = form_->CbBoxFntSize;
        // A scalable font lists the 16 sizes and takes 8.
        Choose(names, names->findText(QStringLiteral("Zeta Sans")));
        QCOMPARE(Items(sizes), StdSizes());
        QCOMPARE(form_->LabelTxt->font().pointSize(), 8);
        QCOMPARE(form_->LabelTxt->font().family(), QStringLiteral("Zeta Sans"));
        Choose(sizes, sizes->findText(QStringLiteral("24")));
        QCOMPARE(form_->LabelTxt->font().pointSize(), 24);
        // "Default" after a scalable font: the 16 sizes again, the interface font's family.
        Choose(names, names->findText(QStringLiteral("Default")));
        QCOMPARE(Items(sizes), StdSizes());
        QCOMPARE(form_->LabelTxt->font().family(), QApplication::font().family());
        // A raster font lists its own heights and takes the first.
        Choose(names, names->findText(QStringLiteral("Fixed")));
        QCOMPARE(Items(sizes), (QStringList{"13", "10", "13"}));
        QCOMPARE(form_->LabelTxt->font().pointSize(), 13);
        QCOMPARE(form_->LabelTxt->font().family(), QStringLiteral("Fixed"));
        // "Default" after a raster font: an empty list, the preview's font unchanged.
        Choose(names, names->findText(QStringLiteral("Default")));
        QCOMPARE(sizes->count(), 0);
        QCOMPARE(form_->LabelTxt->font().family(), QStringLiteral("Fixed"));
        QCOMPARE(form_->LabelTxt->font().pointSize(), 13);
        Choose(sizes, 0); // nothing to choose: nothing changes
        QCOMPARE(form_->LabelTxt->font().pointSize(), 13);
        // A device font lists "8" only.
        Choose(names, names->findText(QStringLiteral("Printer")));
        QCOMPARE(Items(sizes), QStringList{"8"});
        QCOMPARE(form_->LabelTxt->font().pointSize(), 8);
    }

    void fontListNamesEachFamilyOnceWithoutItsFoundry() {
        windows_.reset();
        fonts_.families << QStringLiteral("Nimbus Sans [urw]")
                        << QStringLiteral("Nimbus Sans [URW ]")
                        << QStringLiteral("Nimbus Sans [UKWN]") << QStringLiteral("Fixed [misc]")
                        << QStringLiteral("Nimbus Sans Narrow Extra Condensed Bold Oblique [urw]");
        fonts_.faces[QStringLiteral("Nimbus Sans")] = {{0, ftTrueType}};
        Start();
        QComboBox* names = form_->CbBoxFntName;
        QCOMPARE(Items(names), (QStringList{"arial", "Default", "Fixed", "Nimbus Sans",
                                            "Nimbus Sans Narrow Extra Condensed Bold Oblique",
                                            "Printer", "Zeta Sans"}));
        Choose(names, names->findText(QStringLiteral("Nimbus Sans")));
        QCOMPARE(Items(form_->CbBoxFntSize), StdSizes());
        QCOMPARE(form_->LabelTxt->font().family(), QStringLiteral("Nimbus Sans"));
        // The list opens wide enough for its longest name; the box keeps its width.
        form_->PText1->trigger();
        names->showPopup();
        QVERIFY(names->view()->viewport()->width() >= names->view()->sizeHintForColumn(0));
        QCOMPARE(names->width(), 180);
        names->hidePopup();
    }

    void typingInTheBoxesChangesNothing() {
        form_->PText1->trigger(); // the boxes take typing once the panel is shown
        const QFont before = form_->LabelTxt->font();
        form_->CbBoxFntName->lineEdit()->setText(QStringLiteral("Printer"));
        form_->CbBoxFntSize->lineEdit()->setText(QStringLiteral("40"));
        QCOMPARE(form_->LabelTxt->font(), before);
        QCOMPARE(Items(form_->CbBoxFntSize), StdSizes());
    }

    void textColourComesFromTheSharedDialog() {
        const TColor swatchBefore = form_->StTxtColorTxt->Color();
        dialogs_->ExpectColor(std::nullopt); // cancelled: nothing changes
        QTest::mouseClick(form_->StTxtColorTxt, Qt::LeftButton);
        QCOMPARE(form_->StTxtColorTxt->Color(), swatchBefore);
        dialogs_->ExpectColor(0x0000C0);
        QTest::mouseClick(form_->StTxtColorTxt, Qt::LeftButton);
        QCOMPARE(form_->StTxtColorTxt->Color(), TColor(0x0000C0));
        QCOMPARE(form_->LabelTxt->TextColor(), ToQColor(0x0000C0));
        // The dialog is shared: the pen swatch's dialog opens on the text colour chosen last.
        dialogs_->ExpectColor(std::nullopt);
        Click(form_->SpButModePaint);
        QTest::mouseClick(form_->STxtPenColor, Qt::LeftButton);
        QCOMPARE(dialogs_->Prompts().last().offered, QStringLiteral("#c00000"));
        QCOMPARE(form_->PenColor, clBlue);
    }

    void previewAndCommitAgree_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("style"); // 1 bold, 2 italic, 4 underline, 8 strike out
        QTest::addColumn<int>("align"); // 0 left, 1 centre, 2 right
        QTest::addColumn<TRect>("drag");
        QTest::newRow("one word") << "Слово" << 12 << 0 << 0 << TRect{30, 40, 200, 100};
        QTest::newRow("wrapping, centred")
            << "Кошка сидит на окне и смотрит на улицу" << 10 << 1 << 1 << TRect{10, 10, 120, 200};
        QTest::newRow("word longer than the width")
            << "Превысокомногорассмотрительствующий" << 14 << 2 << 2 << TRect{50, 50, 120, 110};
        QTest::newRow("lines below the rectangle")
            << "один два три четыре пять шесть семь восемь девять десять" << 18 << 4 << 0
            << TRect{100, 100, 180, 140};
        QTest::newRow("all styles, right")
            << "Aa Bb Cc" << 20 << 15 << 2 << TRect{300, 200, 500, 300};
        QTest::newRow("reaching outside the picture")
            << "край картинки" << 16 << 0 << 1 << TRect{680, 450, 900, 600};
    }
    void previewAndCommitAgree() {
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(int, style);
        QFETCH(int, align);
        QFETCH(TRect, drag);
        FillNoise(Picture(), 12);
        TBitmap before;
        before.Assign(Picture());
        Choose(form_->CbBoxFntSize, form_->CbBoxFntSize->findText(QString::number(size)));
        QToolButton* styles[] = {form_->SpButChB, form_->SpButChI, form_->SpButChU,
                                 form_->SpButChS};
        for (int bit = 0; bit < 4; ++bit)
            if (style & (1 << bit))
                Click(styles[bit]);
        Click(std::array{form_->SpButTxtToLeft, form_->SpButTxtToCentr,
                         form_->SpButTxtToRight}[std::size_t(align)]);
        dialogs_->ExpectColor(0x2080F0);
        QTest::mouseClick(form_->StTxtColorTxt, Qt::LeftButton);
        form_->EdTxt->setText(text);
        PlaceText({drag.left, drag.top}, {drag.right, drag.bottom});
        const QRect label = form_->LabelTxt->geometry();
        QCOMPARE(label, QRect(drag.left + 1, drag.top + 1, drag.Width() - 2, drag.Height() - 2));
        const QImage shown = ShownPreview();
        Click(form_->SpButOK);
        // Inside the picture the committed pixels are the preview's; the outline is gone and
        // nothing else changed.
        const QRect inPicture = label.intersected(QRect(0, 0, 761, 505));
        QCOMPARE(PictureAt(inPicture), shown.copy(inPicture.translated(-label.topLeft())));
        for (const TPoint& p : Differences(Picture(), before))
            QVERIFY2(inPicture.contains(p.x, p.y),
                     qPrintable(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y)));
        QVERIFY(!Differences(Picture(), before).isEmpty());
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->LabelTxt->geometry(), QRect(0, 0, 1, 1));
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        // One step back removes the label exactly.
        form_->UnDo->trigger();
        QVERIFY2(Differences(Picture(), before).isEmpty(),
                 qPrintable(FirstDifference(Picture(), before)));
    }

    void wrappedTextTakesSeveralLinesAndIsCutAtTheBottom() {
        FillColor(Picture(), clWhite);
        Choose(form_->CbBoxFntSize, form_->CbBoxFntSize->findText(QStringLiteral("12")));
        form_->EdTxt->setText(QStringLiteral("раз два три четыре пять шесть семь восемь"));
        PlaceText({10, 10}, {110, 62});
        Click(form_->SpButOK);
        // Ink on several rows of lines, and none below or right of the label.
        int inkedRows = 0;
        for (int y = 11; y < 61; ++y)
            inkedRows += CountColor(Picture(), clWhite, {11, y, 109, y + 1}) < 98;
        QVERIFY(inkedRows > 20);
        QCOMPARE(CountColor(Picture(), clWhite, {0, 61, 761, 505}), 761 * 444);
        QCOMPARE(CountColor(Picture(), clWhite, {109, 0, 761, 61}), 652 * 61);
    }

    void previewStaysOverItsPixelsWhenScrolledAndPartlyOutOfView() {
        form_->NewBlankPicture(Picture(), 2400, 1800);
        FillNoise(Picture(), 5);
        QApplication::processEvents();
        form_->ScrollBox1->horizontalScrollBar()->setValue(700);
        form_->ScrollBox1->verticalScrollBar()->setValue(500);
        QApplication::processEvents();
        form_->EdTxt->setText(QStringLiteral("прокрутка не мешает тексту"));
        Choose(form_->CbBoxFntSize, form_->CbBoxFntSize->findText(QStringLiteral("16")));
        TBitmap before;
        before.Assign(Picture());
        PlaceText({750, 560}, {1000, 700});
        // Scroll so that the label is partly out of view.
        form_->ScrollBox1->horizontalScrollBar()->setValue(850);
        QApplication::processEvents();
        QCOMPARE(form_->LabelTxt->mapTo(form_->Image1, QPoint(0, 0)), QPoint(751, 561));
        const QImage shown = ShownPreview();
        Click(form_->SpButOK);
        QCOMPARE(PictureAt(QRect(751, 561, 248, 138)), shown);
        // The outline is off again: the text is all that changed.
        QCOMPARE(DifferenceBounds(Picture(), before).Intersected({751, 561, 999, 699}),
                 DifferenceBounds(Picture(), before));
    }

    void sizeCheckAtThreeAndFourPixels() {
        PlaceText({10, 10}, {13, 40}); // 3 wide: a preview 1 wide
        QCOMPARE(form_->LabelTxt->width(), 1);
        dialogs_->ExpectMessage(TModalResult::Ok);
        Click(form_->SpButOK);
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts()[0].msgKind, TMsgKind::Information);
        QCOMPARE(dialogs_->Prompts()[0].text, kInfo);
        QCOMPARE(form_->UnDoManager->Count(), 0);
        PlaceText({10, 10}, {14, 14}); // 4 x 4: a preview 2 x 2 that can be committed
        QCOMPARE(form_->LabelTxt->size(), QSize(2, 2));
        Click(form_->SpButOK);
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(form_->UnDoManager->Count(), 1);
        // A second commit without a new drag finds the parked preview.
        dialogs_->ExpectMessage(TModalResult::Ok);
        Click(form_->SpButOK);
        QCOMPARE(dialogs_->Prompts().size(), 2);
        QCOMPARE(form_->UnDoManager->Count(), 1);
    }

    void emptyTextStoresAStepAndChangesNoPixel() {
        FillNoise(Picture(), 8);
        TBitmap before;
        before.Assign(Picture());
        PlaceText({50, 50}, {150, 90});
        Click(form_->SpButOK);
        QCOMPARE(form_->UnDoManager->Count(), 1);
        QVERIFY2(Differences(Picture(), before).isEmpty(),
                 qPrintable(FirstDifference(Picture(), before)));
    }

    void commitAfterAModeChangeAddsNoText() {
        form_->EdTxt->setText(QStringLiteral("скрыто"));
        PlaceText({50, 50}, {200, 120});
        TBitmap placed;
        Click(form_->SpButModeImage); // the preview is hidden and keeps its size
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->LabelTxt->size(), QSize(148, 68));
        placed.Assign(Picture());
        form_->PText1->trigger(); // the panel back through the view menu
        Click(form_->SpButOK);
        QCOMPARE(form_->UnDoManager->Count(), 1);
        QVERIFY(Differences(Picture(), placed).isEmpty());
        QCOMPARE(dialogs_->Prompts().size(), 0);
    }

    void cancelKeepsTheTextForTheNextDrag() {
        FillNoise(Picture(), 9);
        TBitmap before;
        before.Assign(Picture());
        form_->EdTxt->setText(QStringLiteral("ещё раз"));
        PlaceText({20, 20}, {200, 80});
        Click(form_->SpButCancel);
        // The outline is off, the preview parked, the picture and the history untouched.
        QVERIFY(Differences(Picture(), before).isEmpty());
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->LabelTxt->geometry(), QRect(0, 0, 1, 1));
        QCOMPARE(form_->UnDoManager->Count(), 0);
        QCOMPARE(form_->EdTxt->text(), QStringLiteral("ещё раз"));
        Drag(form_->Image1, {300, 300}, {500, 400});
        QVERIFY(form_->LabelTxt->isVisible());
        QCOMPARE(form_->LabelTxt->Caption(), QStringLiteral("ещё раз"));
        QCOMPARE(form_->LabelTxt->geometry(), QRect(301, 301, 198, 98));
    }

    void textStaysForTheNextLabel() {
        form_->EdTxt->setText(QStringLiteral("метка"));
        Click(form_->SpButChI);
        PlaceText({20, 20}, {200, 80});
        Click(form_->SpButOK);
        Drag(form_->Image1, {20, 120}, {200, 180});
        QCOMPARE(form_->LabelTxt->Caption(), QStringLiteral("метка"));
        QVERIFY(form_->LabelTxt->font().italic());
        Click(form_->SpButOK);
        QCOMPARE(form_->UnDoManager->Count(), 2);
    }
};

LIMNORA_TEST_CLASS(TestTextTool)
#include "tst_text.moc"
