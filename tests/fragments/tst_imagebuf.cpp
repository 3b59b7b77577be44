// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The fragment buffer window as a user meets it: its controls, the list of fragments with their
// fields and preview, scaling and keeping the scaled fragment, captions, deleting entries, and
// taking the selected fragment for a paste.
#include "canvas/TImage.h"
#include "fragments/ImageBuf01.h"
#include "fragments/ImgScale01.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPictures.h"
#include "support/TestRunner.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <memory>

namespace {

const QString kTakeFirst = QStringLiteral("Вначале выберите в буфере вставляемый фрагмент");
const QString kSizeWarning = QStringLiteral("Размер строки или столбца ВНЕ диапазона:\r\n( 1 ... "
                                            "6000 ) пикселей\r\nЗапрос будет исправлен");

std::unique_ptr<TBitmap> NoiseBitmap(int width, int height, std::uint32_t seed) {
    auto bitmap = std::make_unique<TBitmap>(width, height);
    FillNoise(*bitmap, seed);
    return bitmap;
}

// A one-pixel black-and-white checker board.
std::unique_ptr<TBitmap> CheckerBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->Canvas().SetPixel(x, y, (x + y) % 2 ? clBlack : clWhite);
    return bitmap;
}

// Typing into a field, one key per character (Cyrillic ones too).
void Type(QWidget* field, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

} // namespace

class TestFragmentBuffer : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<TFormImgBuf> window_;

    // The texts of the four fields: height, width, scale, caption.
    QStringList Fields() const {
        return {window_->StTxtH->text(), window_->StTxtW->text(), window_->StTxtFragScale->text(),
                window_->EdItem->text()};
    }
    const TBitmap& Preview() const { return window_->Image1->Picture(); }
    QStringList Captions() const {
        QStringList captions;
        for (int i = 0; i < window_->LstBoxFragment->count(); ++i)
            captions << window_->LstBoxFragment->item(i)->text();
        return captions;
    }
    // A click on the entry of the list, as a user clicks it.
    void ClickEntry(int row) {
        QListWidget* list = window_->LstBoxFragment;
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    }
    void SetTrackBar(int position) { window_->TrackBar1->setValue(position); }
    // The current entry, checked to be the one selected entry of the list.
    int SelectedRow() const {
        QListWidget* list = window_->LstBoxFragment;
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (selected.size() != 1 || selected.first() != list->currentItem())
            return -1;
        return list->currentRow();
    }

private slots:
    void init() {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        window_ = std::make_unique<TFormImgBuf>();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() {
        window_.reset();
        const int remaining = dialogs_->Remaining();
        dialogs_.reset();
        QCOMPARE(remaining, 0);
    }

    // ---- the window ----
    void windowCaptionAndSize() {
        QCOMPARE(window_->objectName(), QStringLiteral("FormImgBuf"));
        QCOMPARE(window_->windowTitle(),
                 QStringLiteral("  Буфер скопированных фрагментов изображения"));
        QCOMPARE(window_->size(), QSize(624, 489));
        QCOMPARE(window_->ScrollBox1->size(), QSize(393, 369));
        QCOMPARE(window_->ScrollBox1->widget(), window_->Image1);
        QCOMPARE(window_->LstBoxFragment->count(), 0);
        QCOMPARE(window_->LstBoxFragment->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!window_->LstBoxFragment->isSortingEnabled());
    }

    void controlTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Label6") << "Label6"
                                << "Список скопированных фрагментов";
        QTest::newRow("Label2") << "Label2"
                                << "Высота";
        QTest::newRow("Label3") << "Label3"
                                << "Ширина";
        QTest::newRow("Label5") << "Label5"
                                << "Масштаб %";
        QTest::newRow("Label4") << "Label4"
                                << "Подпись (редактируемая)";
        QTest::newRow("Label7") << "Label7"
                                << "Изображение  выбранного на списке фрагмента";
        QTest::newRow("Label1") << "Label1"
                                << "Масштаб";
        QTest::newRow("Lb10") << "Lb10"
                              << "10%";
        QTest::newRow("Lb100") << "Lb100"
                               << "100%";
        QTest::newRow("Lb200") << "Lb200"
                               << "200%";
        QTest::newRow("STxtScale") << "STxtScale"
                                   << "100";
        QTest::newRow("StTxtH") << "StTxtH"
                                << "";
        QTest::newRow("StTxtW") << "StTxtW"
                                << "";
        QTest::newRow("StTxtFragScale") << "StTxtFragScale"
                                        << "";
    }
    void controlTexts() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        auto* label = window_->findChild<QLabel*>(name);
        QVERIFY2(label, qPrintable(name));
        QCOMPARE(label->text(), text);
        QVERIFY(label->isVisible());
        QVERIFY(label->toolTip().isEmpty());
    }

    void fieldsAreCentredSunkenStatics_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("StTxtH") << "StTxtH";
        QTest::newRow("StTxtW") << "StTxtW";
        QTest::newRow("StTxtFragScale") << "StTxtFragScale";
        QTest::newRow("STxtScale") << "STxtScale";
    }
    void fieldsAreCentredSunkenStatics() {
        QFETCH(QString, name);
        auto* field = window_->findChild<QLabel*>(name);
        QVERIFY(field);
        QCOMPARE(field->property("Tag").toInt(), 102);
        QCOMPARE(field->alignment(), Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(field->frameShadow(), QFrame::Sunken);
        QVERIFY(field->frameShape() != QFrame::NoFrame);
        QVERIFY(!(field->textInteractionFlags() & Qt::TextEditable));
    }

    void toolButtonHints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hint");
        QTest::newRow("SpButDelete") << "SpButDelete"
                                     << "Удалить выбранный фрагмент";
        QTest::newRow("SpButEdTxt") << "SpButEdTxt"
                                    << "Редактировать описание фрагмента";
        QTest::newRow("SpeedButton2") << "SpeedButton2"
                                      << "Заменить на масштабированный фрагмент ";
        QTest::newRow("SpButScale") << "SpButScale"
                                    << "Выполнить масштабирование";
    }
    void toolButtonHints() {
        QFETCH(QString, name);
        QFETCH(QString, hint);
        auto* button = window_->findChild<QToolButton*>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->toolTip(), hint);
        QCOMPARE(button->accessibleName(), hint.trimmed()); // what a screen reader says
        QCOMPARE(button->size(), QSize(25, 25));
        QVERIFY(!button->icon().isNull());
        QVERIFY(button->isVisible());
    }

    void otherControlsAreNamedAfterTheirLabels_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessibleName");
        QTest::newRow("LstBoxFragment") << "LstBoxFragment"
                                        << "Список скопированных фрагментов";
        QTest::newRow("EdItem") << "EdItem"
                                << "Подпись (редактируемая)";
        QTest::newRow("TrackBar1") << "TrackBar1"
                                   << "Масштаб";
        QTest::newRow("Image1") << "Image1"
                                << "Изображение выбранного на списке фрагмента";
    }
    void otherControlsAreNamedAfterTheirLabels() {
        QFETCH(QString, name);
        QFETCH(QString, accessibleName);
        auto* control = window_->findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->accessibleName(), accessibleName);
    }

    void onlyTheFourToolButtonsHaveHints() {
        QStringList withHints;
        for (QWidget* w : window_->findChildren<QWidget*>())
            if (!w->toolTip().isEmpty())
                withHints << w->objectName();
        withHints.sort();
        QCOMPARE(withHints,
                 (QStringList{"SpButDelete", "SpButEdTxt", "SpButScale", "SpeedButton2"}));
        QVERIFY(window_->toolTip().isEmpty());
    }

    void trackBarSettings() {
        QSlider* bar = window_->TrackBar1;
        QCOMPARE(bar->orientation(), Qt::Horizontal);
        QCOMPARE(bar->minimum(), 10);
        QCOMPARE(bar->maximum(), 200);
        QCOMPARE(bar->value(), 100);
        QCOMPARE(bar->pageStep(), 10);
        QCOMPARE(bar->tickInterval(), 5);
        QVERIFY(bar->tickPosition() != QSlider::NoTicks);
    }

    void closingHidesAndKeepsTheList() {
        auto fragment = NoiseBitmap(6, 4, 1);
        window_->AddFragment(fragment.get());
        window_->close();
        QVERIFY(!window_->isVisible());
        QCOMPARE(Captions(), QStringList{"Item"});
        window_->show();
        QCOMPARE(Fields(), (QStringList{"4", "6", "100", "Item"}));
    }

    // ---- new entries ----
    void aNewEntryIsSelectedAndShown_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("7x5") << 7 << 5;
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("500x3") << 500 << 3;
    }
    void aNewEntryIsSelectedAndShown() {
        QFETCH(int, width);
        QFETCH(int, height);
        window_->hide(); // the entry is added whether the window is shown or not
        auto fragment = NoiseBitmap(width, height, 5);
        window_->AddFragment(fragment.get());
        QVERIFY(!window_->isVisible());
        QCOMPARE(Captions(), QStringList{"Item"});
        QCOMPARE(SelectedRow(), 0);
        QCOMPARE(Fields(),
                 (QStringList{QString::number(height), QString::number(width), "100", "Item"}));
        QCOMPARE(FirstDifference(Preview(), *fragment), QString());
        QCOMPARE(window_->Image1->size(), QSize(width, height));
        TObImgItm* item = window_->SelectedItem();
        QVERIFY(item);
        QCOMPARE(item->Scale, 1.0);
        QCOMPARE(item->NewScale, 1.0);
        QCOMPARE(FirstDifference(*item->Bitmap, *fragment), QString());
        QCOMPARE(item->Bitmap->Image().format(), QImage::Format_RGB32);
        // The entry holds its own copy: a later change of the fragment does not reach it.
        TBitmap before;
        before.Assign(*fragment);
        FillNoise(*fragment, 6);
        QCOMPARE(FirstDifference(*item->Bitmap, before), QString());
        QCOMPARE(FirstDifference(Preview(), before), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void nothingToAdd() {
        window_->AddFragment(nullptr);
        QCOMPARE(window_->LstBoxFragment->count(), 0);
        QCOMPARE(Fields(), (QStringList{"", "", "", ""}));
    }

    void entriesKeepTheirOrderAndAllSayItem() {
        auto a = NoiseBitmap(3, 2, 1), b = NoiseBitmap(5, 4, 2), c = NoiseBitmap(9, 8, 3);
        window_->AddFragment(a.get());
        window_->AddFragment(b.get());
        window_->AddFragment(c.get());
        QCOMPARE(Captions(), (QStringList{"Item", "Item", "Item"}));
        QCOMPARE(SelectedRow(), 2);
        QCOMPARE(Fields(), (QStringList{"8", "9", "100", "Item"}));
        ClickEntry(0);
        QCOMPARE(SelectedRow(), 0);
        QCOMPARE(Fields(), (QStringList{"2", "3", "100", "Item"}));
        QCOMPARE(FirstDifference(Preview(), *a), QString());
        ClickEntry(1);
        QCOMPARE(FirstDifference(Preview(), *b), QString());
        QCOMPARE(window_->Image1->size(), QSize(5, 4));
    }

    // ---- scaling ----
    void trackBarAloneOnlyChangesItsText_data() {
        QTest::addColumn<int>("position");
        QTest::newRow("10") << 10;
        QTest::newRow("37") << 37;
        QTest::newRow("150") << 150;
        QTest::newRow("200") << 200;
    }
    void trackBarAloneOnlyChangesItsText() {
        QFETCH(int, position);
        auto fragment = NoiseBitmap(12, 8, 4);
        window_->AddFragment(fragment.get());
        SetTrackBar(position);
        QCOMPARE(window_->STxtScale->text(), QString::number(position));
        QCOMPARE(Fields(), (QStringList{"8", "12", "100", "Item"}));
        QCOMPARE(FirstDifference(Preview(), *fragment), QString());
        QCOMPARE(window_->SelectedItem()->NewScale, 1.0);
        QCOMPARE(window_->SelectedItem()->Scale, 1.0);
    }

    void scaleThenKeep_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("newWidth");
        QTest::addColumn<int>("newHeight");
        // Halves go to the even neighbour.
        QTest::newRow("5x3 at 50") << 5 << 3 << 50 << 2 << 2;
        QTest::newRow("7x9 at 150") << 7 << 9 << 150 << 10 << 14;
        QTest::newRow("10x10 at 33") << 10 << 10 << 33 << 3 << 3;
        QTest::newRow("40x30 at 10") << 40 << 30 << 10 << 4 << 3;
        QTest::newRow("40x30 at 200") << 40 << 30 << 200 << 80 << 60;
        QTest::newRow("40x30 at 100") << 40 << 30 << 100 << 40 << 30;
        QTest::newRow("3x3 at 10") << 3 << 3 << 10 << 1 << 1;
    }
    void scaleThenKeep() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, position);
        QFETCH(int, newWidth);
        QFETCH(int, newHeight);
        auto fragment = NoiseBitmap(width, height, 8);
        window_->AddFragment(fragment.get());
        SetTrackBar(position);
        Click(window_->SpButScale);
        // The preview shows the scaled fragment; the entry and its fields are as they were.
        QCOMPARE(Preview().Width(), newWidth);
        QCOMPARE(Preview().Height(), newHeight);
        QCOMPARE(window_->Image1->size(), QSize(newWidth, newHeight));
        QCOMPARE(Fields(),
                 (QStringList{QString::number(height), QString::number(width), "100", "Item"}));
        TObImgItm* item = window_->SelectedItem();
        QCOMPARE(FirstDifference(*item->Bitmap, *fragment), QString());
        QCOMPARE(item->Scale, 1.0);
        QCOMPARE(item->NewScale, position / 100.0);
        TBitmap preview;
        preview.Assign(Preview());
        if (position == 100)
            QCOMPARE(FirstDifference(preview, *fragment), QString());
        // Keeping it: the entry takes the preview, and the fields show its size and scale.
        Click(window_->SpeedButton2);
        QCOMPARE(FirstDifference(*item->Bitmap, preview), QString());
        QCOMPARE(item->Scale, position / 100.0);
        QCOMPARE(Fields(), (QStringList{QString::number(newHeight), QString::number(newWidth),
                                        QString::number(position), "Item"}));
        QCOMPARE(FirstDifference(Preview(), preview), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void halfThenDoubleRestoresTheScale() {
        auto fragment = NoiseBitmap(5, 5, 9);
        window_->AddFragment(fragment.get());
        SetTrackBar(50);
        Click(window_->SpButScale);
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"2", "2", "50", "Item"}));
        SetTrackBar(200);
        Click(window_->SpButScale);
        QCOMPARE(Preview().Width(), 4);
        QCOMPARE(Fields(), (QStringList{"2", "2", "50", "Item"}));
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"4", "4", "100", "Item"}));
        QCOMPARE(window_->SelectedItem()->Bitmap->Width(), 4);
        QCOMPARE(window_->SelectedItem()->Scale, 1.0);
    }

    void checkerAtHalfIsUniformGrey() {
        auto fragment = CheckerBitmap(16, 10);
        window_->AddFragment(fragment.get());
        SetTrackBar(50);
        Click(window_->SpButScale);
        Click(window_->SpeedButton2);
        const TBitmap& kept = *window_->SelectedItem()->Bitmap;
        QCOMPARE(kept.Width(), 8);
        QCOMPARE(kept.Height(), 5);
        const TColor grey = kept.Pixel(0, 0);
        QVERIFY(grey == 0x7F7F7F || grey == 0x808080);
        QCOMPARE(CountColor(kept, grey, kept.BoundsRect()), 40);
    }

    void pressingScaleTwiceDoesNotCompound() {
        auto fragment = NoiseBitmap(8, 8, 10);
        window_->AddFragment(fragment.get());
        SetTrackBar(50);
        Click(window_->SpButScale);
        TBitmap once;
        once.Assign(Preview());
        Click(window_->SpButScale);
        QCOMPARE(FirstDifference(Preview(), once), QString()); // 4 x 4 again, not 2 x 2
        QCOMPARE(window_->SelectedItem()->NewScale, 0.5);
        // Another factor is taken from the stored fragment as well.
        SetTrackBar(150);
        Click(window_->SpButScale);
        QCOMPARE(Preview().Width(), 12);
        QCOMPARE(window_->SelectedItem()->NewScale, 1.5);
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"12", "12", "150", "Item"}));
        // And from a kept fragment the next factor multiplies its scale.
        SetTrackBar(50);
        Click(window_->SpButScale);
        Click(window_->SpButScale);
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"6", "6", "75", "Item"}));
    }

    void showingAnEntryDropsAnUnkeptScaling_data() {
        QTest::addColumn<bool>("viaOtherEntry");
        QTest::newRow("click on the same entry") << false;
        QTest::newRow("another entry, then back") << true;
    }
    void showingAnEntryDropsAnUnkeptScaling() {
        QFETCH(bool, viaOtherEntry);
        auto other = NoiseBitmap(3, 3, 11), fragment = NoiseBitmap(10, 10, 12);
        window_->AddFragment(other.get());
        window_->AddFragment(fragment.get());
        SetTrackBar(50);
        Click(window_->SpButScale);
        QCOMPARE(Preview().Width(), 5);
        if (viaOtherEntry)
            ClickEntry(0);
        ClickEntry(1);
        // The preview shows the stored fragment again, so keeping it keeps that, at its scale.
        QCOMPARE(FirstDifference(Preview(), *fragment), QString());
        QCOMPARE(window_->SelectedItem()->NewScale, 1.0);
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"10", "10", "100", "Item"}));
        QCOMPARE(FirstDifference(*window_->SelectedItem()->Bitmap, *fragment), QString());
    }

    void tooLargeAPreviewIsLimited() {
        auto fragment = NoiseBitmap(3001, 2, 13);
        window_->AddFragment(fragment.get());
        SetTrackBar(200);
        dialogs_->ExpectMessage(TModalResult::Ok);
        Click(window_->SpButScale);
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().text, kSizeWarning);
        QCOMPARE(dialogs_->Prompts().first().msgKind, TMsgKind::Warning);
        QCOMPARE(Preview().Width(), 6000);
        QCOMPARE(Preview().Height(), 4);
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"4", "6000", "200", "Item"}));
    }

    void withoutAScalerTheScaleStays() {
        auto fragment = NoiseBitmap(10, 6, 14);
        window_->AddFragment(fragment.get());
        window_->BufImageScale.reset();
        SetTrackBar(50);
        Click(window_->SpButScale);
        QCOMPARE(FirstDifference(Preview(), *fragment), QString());
        Click(window_->SpeedButton2);
        QCOMPARE(Fields(), (QStringList{"6", "10", "100", "Item"}));
        QCOMPARE(FirstDifference(*window_->SelectedItem()->Bitmap, *fragment), QString());
    }

    void buttonsWithoutEntriesDoNothing() {
        SetTrackBar(50);
        window_->EdItem->setText(QStringLiteral("text"));
        for (QAbstractButton* b :
             std::initializer_list<QAbstractButton*>{window_->SpButScale, window_->SpeedButton2,
                                                     window_->SpButEdTxt, window_->SpButDelete})
            Click(b);
        QCOMPARE(window_->LstBoxFragment->count(), 0);
        QCOMPARE(Fields(), (QStringList{"", "", "", "text"}));
        QCOMPARE(Preview().Width(), 0);
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // ---- captions ----
    void captionsAreEditedWithTheButton_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("words") << QStringLiteral("Левый глаз, крупно");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks kept") << QStringLiteral("  a b  ");
    }
    void captionsAreEditedWithTheButton() {
        QFETCH(QString, caption);
        auto a = NoiseBitmap(3, 3, 15), b = NoiseBitmap(4, 4, 16);
        window_->AddFragment(a.get());
        window_->AddFragment(b.get());
        ClickEntry(0);
        window_->EdItem->clear();
        Type(window_->EdItem, caption);
        QCOMPARE(window_->EdItem->text(), caption);
        QCOMPARE(Captions(), (QStringList{"Item", "Item"})); // typing alone changes nothing
        Click(window_->SpButEdTxt);
        QCOMPARE(Captions(), (QStringList{caption, "Item"}));
        ClickEntry(1);
        QCOMPARE(window_->EdItem->text(), QStringLiteral("Item"));
        ClickEntry(0);
        QCOMPARE(window_->EdItem->text(), caption);
        QCOMPARE(Fields().mid(0, 3), (QStringList{"3", "3", "100"}));
    }

    // ---- deleting ----
    void deletingSelectsTheLastEntry_data() {
        QTest::addColumn<int>("deleted");
        QTest::addColumn<QStringList>("shown"); // fields afterwards
        QTest::addColumn<int>("shownSeed");
        // Three entries of sizes 3x2, 5x4 and 9x8; afterwards the last entry is selected, not
        // the neighbour of the deleted one.
        QTest::newRow("first") << 0 << QStringList{"8", "9", "100", "Item"} << 3;
        QTest::newRow("second") << 1 << QStringList{"8", "9", "100", "Item"} << 3;
        QTest::newRow("third") << 2 << QStringList{"4", "5", "100", "Item"} << 2;
    }
    void deletingSelectsTheLastEntry() {
        QFETCH(int, deleted);
        QFETCH(QStringList, shown);
        QFETCH(int, shownSeed);
        auto a = NoiseBitmap(3, 2, 1), b = NoiseBitmap(5, 4, 2), c = NoiseBitmap(9, 8, 3);
        window_->AddFragment(a.get());
        window_->AddFragment(b.get());
        window_->AddFragment(c.get());
        ClickEntry(deleted);
        window_->EdItem->setText(QStringLiteral("named"));
        Click(window_->SpButEdTxt);
        Click(window_->SpButDelete);
        QCOMPARE(window_->LstBoxFragment->count(), 2);
        QVERIFY(!Captions().contains(QStringLiteral("named")));
        QCOMPARE(SelectedRow(), 1);
        QCOMPARE(Fields(), shown);
        QCOMPARE(FirstDifference(Preview(), *NoiseBitmap(shown[1].toInt(), shown[0].toInt(),
                                                         std::uint32_t(shownSeed))),
                 QString());
        // The remaining entries keep their fragments.
        ClickEntry(0);
        QCOMPARE(FirstDifference(Preview(), deleted == 0 ? *b : *a), QString());
    }

    void deletingTheOnlyEntryEmptiesTheFields() {
        auto fragment = NoiseBitmap(10, 6, 17);
        window_->AddFragment(fragment.get());
        SetTrackBar(50);
        Click(window_->SpButScale);
        Click(window_->SpButDelete);
        QCOMPARE(window_->LstBoxFragment->count(), 0);
        QCOMPARE(Fields(), (QStringList{"", "", "", ""}));
        QCOMPARE(Preview().Width(), 1);
        QCOMPARE(Preview().Height(), 1);
        QCOMPARE(Preview().Pixel(0, 0), clWhite); // nothing of the deleted fragment is left
        QCOMPARE(window_->Image1->size(), QSize(1, 1));
        QVERIFY(!window_->SelectedItem());
        QCOMPARE(window_->STxtScale->text(), QStringLiteral("50"));
        // A new entry after that is shown as usual.
        window_->AddFragment(fragment.get());
        QCOMPARE(Fields(), (QStringList{"6", "10", "100", "Item"}));
        QCOMPARE(SelectedRow(), 0);
    }

    // ---- taking the selected fragment ----
    void takeSelectedFragment() {
        auto a = NoiseBitmap(6, 5, 18), b = NoiseBitmap(4, 7, 19);
        window_->AddFragment(a.get());
        window_->AddFragment(b.get());
        ClickEntry(0);
        TBitmap taken(2, 2);
        QVERIFY(window_->TakeSelectedFragment(taken));
        QCOMPARE(FirstDifference(taken, *a), QString());
        QCOMPARE(taken.Image().format(), QImage::Format_RGB32);
        // A kept scaling is what is taken next.
        SetTrackBar(50);
        Click(window_->SpButScale);
        Click(window_->SpeedButton2);
        QVERIFY(window_->TakeSelectedFragment(taken));
        QCOMPARE(taken.Width(), 3);
        QCOMPARE(taken.Height(), 2);
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void takingFromAnEmptyListAsksToChooseFirst() {
        auto fragment = NoiseBitmap(4, 4, 20);
        window_->AddFragment(fragment.get());
        Click(window_->SpButDelete);
        dialogs_->ExpectMessage(TModalResult::Ok);
        TBitmap taken(2, 3);
        FillColor(taken, clRed);
        QVERIFY(!window_->TakeSelectedFragment(taken));
        QCOMPARE(dialogs_->Prompts().size(), 1);
        const RecordedPrompt& p = dialogs_->Prompts().first();
        QCOMPARE(p.kind, RecordedPrompt::Kind::Message);
        QCOMPARE(p.text, kTakeFirst);
        QCOMPARE(p.msgKind, TMsgKind::Confirmation); // a question icon
        QCOMPARE(p.buttons, TMsgButtons::Ok);        // with a single OK button
        QCOMPARE(taken.Width(), 2);
        QCOMPARE(CountColor(taken, clRed, taken.BoundsRect()), 6);
    }
};

LIMNORA_TEST_CLASS(TestFragmentBuffer)
#include "tst_imagebuf.moc"
