// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The three commands of the edit menu that exchange the whole picture with the system clipboard,
// as a user meets them: what the clipboard receives, the picture, the undo caption and what a
// step back restores afterwards, the selection outline, and the error box of a refused write.
#include "canvas/TImage.h"
#include "clipboard/Clipboard.h"
#include "main/EditorFixture.h"
#include "selection/TRegionSelector.h"
#include "support/FakeClipboard.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"
#include "system/EditorError.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMap>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {

const QString kWriteFailed = QStringLiteral("Не могу записать в Clipboard");
const QString kNoSteps = QStringLiteral("Шаг назад (0)");
const QString kOneStep = QStringLiteral("Шаг назад (1)");

using Offered = QMap<QString, QByteArray>;

// How the picture stands when a command runs.
enum class Setup { SelectMode, SelectModeOutlined, PaintMode, TextModeOutlined, ImageModeOutlined };

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestClipboardCommands : public EditorFixture {
    Q_OBJECT

    TBitmap& Picture() { return form_->Image1->Picture(); }
    QImage PictureNow() { return Picture().Image().copy(); }
    const QList<RecordedPrompt>& Prompts() const { return dialogs_->Prompts(); }

    // A menu command run from the event loop, as a click on the menu runs it, so that an
    // exception escaping it reaches the application's general error report.
    static void RunFromMenu(QAction* item) {
        QMetaObject::invokeMethod(item, &QAction::trigger, Qt::QueuedConnection);
        QCoreApplication::sendPostedEvents(item, QEvent::MetaCall);
    }

    // A noisy picture with one step in the history: a rectangle drawn in paint mode.
    void PictureWithOneStep() {
        FillNoise(Picture(), 41);
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {100, 80}, {300, 200});
        QCOMPARE(form_->UnDo->text(), kOneStep);
    }

    // Enters the mode of the setup; an outlined setup then selects a region whose outline runs
    // through the top-left corner of the picture and out of it.
    void Enter(Setup setup) {
        switch (setup) {
        case Setup::SelectMode:
        case Setup::SelectModeOutlined:
            Click(form_->SpButModeSelect);
            break;
        case Setup::PaintMode:
            Click(form_->SpButModePaint);
            break;
        case Setup::TextModeOutlined:
            Click(form_->SpButModeText);
            break;
        case Setup::ImageModeOutlined:
            Click(form_->SpButModeImage);
            break;
        }
        if (setup == Setup::SelectModeOutlined || setup == Setup::TextModeOutlined ||
            setup == Setup::ImageModeOutlined) {
            Drag(form_->Image1, {5, 6}, {420, 300});
            QVERIFY(form_->Selector->OutlineVisible());
        }
    }

    static bool Outlined(Setup setup) {
        return setup == Setup::SelectModeOutlined || setup == Setup::TextModeOutlined ||
               setup == Setup::ImageModeOutlined;
    }

    // Every way a shown outline can be taken off later: the hide command, then another mode.
    void HideTheOutline() {
        form_->HidenSelect1->trigger();
        Click(form_->AppMode == amPaint ? form_->SpButModeSelect : form_->SpButModePaint);
    }

    // The history is empty: the caption says so and a step back restores nothing.
    void CheckHistoryEmpty() {
        QCOMPARE(form_->UnDo->text(), kNoSteps);
        const QImage before = PictureNow();
        form_->UnDo->trigger();
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
    }

    // The history still holds the rectangle: a step back takes it off again.
    void CheckStepStillThere(const QImage& beforeStep) {
        QCOMPARE(form_->UnDo->text(), kOneStep);
        form_->UnDo->trigger();
        QCOMPARE(ImageDifference(PictureNow(), beforeStep), QString());
    }

    void CheckWriteFailedShown() {
        QCOMPARE(Prompts().size(), 1);
        const RecordedPrompt& prompt = Prompts().first();
        QCOMPARE(prompt.kind, RecordedPrompt::Kind::Message);
        QCOMPARE(prompt.msgKind, TMsgKind::Error);
        QCOMPARE(prompt.buttons, TMsgButtons::Ok);
        QCOMPARE(prompt.text, kWriteFailed);
    }

    // The colour a user sees around the picture: the button face.
    QRgb ButtonFace() {
        const QImage shown = form_->ScrollBox1->viewport()->grab().toImage();
        const QPoint corner(shown.width() - 1, shown.height() - 1);
        if (form_->Image1->geometry().contains(corner))
            return 0;
        return shown.pixel(corner);
    }

    static void AddSetups() {
        QTest::addColumn<Setup>("setup");
        QTest::newRow("select mode") << Setup::SelectMode;
        QTest::newRow("select mode, outline shown") << Setup::SelectModeOutlined;
        QTest::newRow("paint mode") << Setup::PaintMode;
        QTest::newRow("text mode, outline shown") << Setup::TextModeOutlined;
        QTest::newRow("image mode, outline shown") << Setup::ImageModeOutlined;
    }

private slots:
    void theEditMenuOffersTheCommands() {
        const QList<QAction*> items = form_->ImgEdit1->actions();
        QVERIFY(items.size() > 5);
        QCOMPARE(items[3], form_->Copy1);
        QCOMPARE(items[4], form_->Paste1);
        QCOMPARE(items[5], form_->Cut1);
        QCOMPARE(form_->Copy1->text(), QStringLiteral("Копировать в DDE"));
        QCOMPARE(form_->Paste1->text(), QStringLiteral("Вставить из DDE"));
        QCOMPARE(form_->Cut1->text(), QStringLiteral("Вырезать в DDE"));
        for (QAction* item : {form_->Copy1, form_->Paste1, form_->Cut1}) {
            QVERIFY(item->isEnabled());
            QVERIFY(item->shortcut().isEmpty());
        }
    }

    // ---- Copy ----

    void copyPutsTheWholePictureAndChangesNothing_data() { AddSetups(); }
    void copyPutsTheWholePictureAndChangesNothing() {
        QFETCH(Setup, setup);
        FakeClipboard clipboard;
        PictureWithOneStep();
        Enter(setup);
        const QImage before = PictureNow();
        const TRect selection = form_->Selector->SelRect();
        const bool outlineShown = form_->Selector->OutlineVisible();
        const std::uint8_t mode = form_->AppMode;

        RunFromMenu(form_->Copy1);
        QCOMPARE(clipboard.taken.size(), 1);
        // The picture as shown, its full size, an outline included.
        QCOMPARE(ImageDifference(clipboard.taken.first(), before), QString());
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
        QVERIFY(Prompts().isEmpty());
        QCOMPARE(form_->UnDo->text(), kOneStep);
        QCOMPARE(form_->AppMode, mode);
        QCOMPARE(form_->Selector->SelRect(), selection);
        QCOMPARE(form_->Selector->OutlineVisible(), outlineShown);
        if (Outlined(setup)) {
            // The outline is still the selection's: hiding it leaves the picture without it.
            HideTheOutline();
            QVERIFY(ImageDifference(PictureNow(), before) != QString());
        }
        const QImage beforeUndo = PictureNow();
        form_->UnDo->trigger();
        QVERIFY2(ImageDifference(PictureNow(), beforeUndo) != QString(), "the step was lost");
    }

    // ---- Cut ----

    void cutPutsThePictureAndLeavesTheButtonFace_data() { AddSetups(); }
    void cutPutsThePictureAndLeavesTheButtonFace() {
        QFETCH(Setup, setup);
        FakeClipboard clipboard;
        PictureWithOneStep();
        Enter(setup);
        const QImage before = PictureNow();
        const std::uint8_t mode = form_->AppMode;
        QString captionAtPut;
        QImage pictureAtPut;
        clipboard.onPut = [&] {
            captionAtPut = form_->UnDo->text();
            pictureAtPut = PictureNow();
        };

        RunFromMenu(form_->Cut1);
        QCOMPARE(clipboard.taken.size(), 1);
        QCOMPARE(ImageDifference(clipboard.taken.first(), before), QString());
        // The picture goes out first, the history ends next, the fill comes last.
        QCOMPARE(captionAtPut, kOneStep);
        QCOMPARE(ImageDifference(pictureAtPut, before), QString());
        QVERIFY(Prompts().isEmpty());

        const QRgb face = ButtonFace();
        QCOMPARE(face, QApplication::palette().color(QPalette::Button).rgb());
        QCOMPARE(Picture().Width(), before.width());
        QCOMPARE(Picture().Height(), before.height());
        QCOMPARE(NotOfColour(PictureNow(), face), 0);
        QCOMPARE(form_->AppMode, mode);
        CheckHistoryEmpty();
        // Taking the outline off later draws nothing back onto the fill.
        HideTheOutline();
        QCOMPARE(NotOfColour(PictureNow(), face), 0);
    }

    // ---- a refused write ----

    void aRefusedWriteShowsAnErrorAndChangesNothing_data() {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("throws");
        QTest::newRow("copy refused") << false << false;
        QTest::newRow("copy failing") << false << true;
        QTest::newRow("cut refused") << true << false;
        QTest::newRow("cut failing") << true << true;
    }
    void aRefusedWriteShowsAnErrorAndChangesNothing() {
        QFETCH(bool, cut);
        QFETCH(bool, throws);
        FakeClipboard clipboard;
        clipboard.accept = false;
        clipboard.fail = throws;
        FillNoise(Picture(), 41);
        const QImage beforeStep = PictureNow();
        PictureWithOneStep();
        Enter(Setup::SelectModeOutlined);
        const QImage before = PictureNow();

        dialogs_->ExpectMessage(TModalResult::Ok);
        RunFromMenu(cut ? form_->Cut1 : form_->Copy1);
        CheckWriteFailedShown();
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
        QVERIFY(form_->Selector->OutlineVisible());
        HideTheOutline();
        CheckStepStillThere(beforeStep);
    }

    // ---- Paste ----

    void pasteDrawsAtTheTopLeftCornerAndEndsTheHistory_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<Setup>("setup");
        QTest::newRow("10 x 10") << NoiseImage(10, 10, 1) << Setup::SelectMode;
        QTest::newRow("larger than the picture") << NoiseImage(900, 600, 2) << Setup::PaintMode;
        QTest::newRow("taller than the picture") << NoiseImage(30, 700, 3) << Setup::SelectMode;
        QTest::newRow("one pixel") << NoiseImage(1, 1, 4) << Setup::SelectMode;
        QTest::newRow("with transparent pixels") << Translucent(50, 40) << Setup::SelectMode;
        QTest::newRow("over a shown outline")
            << NoiseImage(200, 100, 5) << Setup::SelectModeOutlined;
        QTest::newRow("over a shown outline, text mode")
            << NoiseImage(200, 100, 6) << Setup::TextModeOutlined;
        QTest::newRow("over a shown outline, image mode")
            << NoiseImage(200, 100, 7) << Setup::ImageModeOutlined;
    }
    void pasteDrawsAtTheTopLeftCornerAndEndsTheHistory() {
        QFETCH(QImage, image);
        QFETCH(Setup, setup);
        FakeClipboard clipboard;
        clipboard.offered = image;
        QString captionAtGet;
        clipboard.onGet = [&] { captionAtGet = form_->UnDo->text(); };
        PictureWithOneStep();
        Enter(setup == Setup::PaintMode ? Setup::PaintMode : Setup::SelectMode);
        const QImage clean = PictureNow();
        Enter(setup);

        RunFromMenu(form_->Paste1);
        QCOMPARE(clipboard.reads, 1);
        QCOMPARE(captionAtGet, kOneStep);
        // The outline is off the picture before the image is drawn: nowhere a trace of it.
        QCOMPARE(ImageDifference(PictureNow(), Drawn(clean, image)), QString());
        QVERIFY(Prompts().isEmpty());
        CheckHistoryEmpty();
        HideTheOutline();
        QCOMPARE(ImageDifference(PictureNow(), Drawn(clean, image)), QString());
    }

    void pasteEndsAFullHistory() {
        FakeClipboard clipboard;
        clipboard.offered = NoiseImage(10, 10, 8);
        Click(form_->SpButModePaint);
        for (int i = 0; i < 9; ++i)
            Drag(form_->Image1, {10 + 20 * i, 10}, {30 + 20 * i, 50});
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (8)"));
        const QImage before = PictureNow();
        RunFromMenu(form_->Paste1);
        QCOMPARE(ImageDifference(PictureNow(), Drawn(before, *clipboard.offered)), QString());
        CheckHistoryEmpty();
    }

    void pasteOfNothingChangesNothing_data() { AddSetups(); }
    void pasteOfNothingChangesNothing() {
        QFETCH(Setup, setup);
        FakeClipboard clipboard;
        FillNoise(Picture(), 41);
        const QImage beforeStep = PictureNow();
        PictureWithOneStep();
        Enter(setup);
        const QImage before = PictureNow();
        const TRect selection = form_->Selector->SelRect();
        const bool outlineShown = form_->Selector->OutlineVisible();

        RunFromMenu(form_->Paste1);
        QCOMPARE(clipboard.reads, 1);
        QVERIFY(Prompts().isEmpty());
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
        QCOMPARE(form_->Selector->SelRect(), selection);
        QCOMPARE(form_->Selector->OutlineVisible(), outlineShown);
        HideTheOutline();
        CheckStepStillThere(beforeStep);
    }

    // An error while reading reaches the general error report; the paste has done nothing.
    void aFailingReadIsReportedAndChangesNothing() {
        FakeClipboard clipboard;
        clipboard.fail = true;
        FillNoise(Picture(), 41);
        const QImage beforeStep = PictureNow();
        PictureWithOneStep();
        Enter(Setup::SelectModeOutlined);
        const QImage before = PictureNow();

        dialogs_->ExpectMessage(TModalResult::Ok);
        RunFromMenu(form_->Paste1);
        QCOMPARE(Prompts().size(), 1);
        QCOMPARE(Prompts().first().msgKind, TMsgKind::Error);
        QCOMPARE(Prompts().first().text, QStringLiteral("Буфер обмена недоступен"));
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
        QVERIFY(form_->Selector->OutlineVisible());
        HideTheOutline();
        CheckStepStillThere(beforeStep);
    }

    // ---- through the system clipboard of this process ----

    void aCopyPastesBackAfterThePictureChanged() {
        QApplication::clipboard()->clear();
        PictureWithOneStep();
        Enter(Setup::SelectModeOutlined);
        const QImage copied = PictureNow();
        RunFromMenu(form_->Copy1);
        // Other programs get the picture at its full size.
        QCOMPARE(ImageDifference(QApplication::clipboard()->image(), copied), QString());

        HideTheOutline();
        FillNoise(Picture(), 77);
        RunFromMenu(form_->Paste1);
        QCOMPARE(ImageDifference(PictureNow(), copied), QString());
        QVERIFY(Prompts().isEmpty());
        CheckHistoryEmpty();
        QApplication::clipboard()->clear();
    }

    void aCutPastesBack() {
        QApplication::clipboard()->clear();
        PictureWithOneStep();
        const QImage before = PictureNow();
        RunFromMenu(form_->Cut1);
        QCOMPARE(NotOfColour(PictureNow(), ButtonFace()), 0);
        RunFromMenu(form_->Paste1);
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
        QVERIFY(Prompts().isEmpty());
        QApplication::clipboard()->clear();
    }

    void imagesOfOtherPrograms_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        const QImage translucent = Translucent(70, 30);
        const QImage noise = NoiseImage(800, 520, 9);
        QTest::newRow("PNG with transparent pixels")
            << QStringLiteral("image/png") << Encoded(translucent, "PNG") << OnWhite(translucent);
        QTest::newRow("PNG larger than the picture")
            << QStringLiteral("image/png") << Encoded(noise, "PNG") << noise;
        QTest::newRow("BMP") << QStringLiteral("image/bmp") << Encoded(noise, "BMP") << noise;
        const QByteArray jpeg = Encoded(NoiseImage(40, 30, 10), "JPEG");
        QTest::newRow("JPEG") << QStringLiteral("image/jpeg") << jpeg
                              << QImage::fromData(jpeg, "JPEG");
    }
    void imagesOfOtherPrograms() {
        QFETCH(QString, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QVERIFY(!expected.isNull());
        PictureWithOneStep();
        Enter(Setup::SelectMode);
        const QImage before = PictureNow();
        OfferFromAnotherProgram({{format, bytes}});

        RunFromMenu(form_->Paste1);
        QCOMPARE(ImageDifference(PictureNow(), Drawn(before, expected)), QString());
        QVERIFY(Prompts().isEmpty());
        CheckHistoryEmpty();
        QApplication::clipboard()->clear();
    }

    // Without a picture the paste does nothing and says nothing; a picture that cannot be read
    // is reported, in an error box, and changes nothing either.
    void otherProgramsOffersWithoutAPicture_data() {
        QTest::addColumn<Offered>("offered");
        QTest::addColumn<QString>("reported");
        const QString none, unread = QStringLiteral("Рисунок из другой программы не вставлен:\n");
        QTest::newRow("empty") << Offered{} << none;
        QTest::newRow("text") << Offered{{QStringLiteral("text/plain"), "Limnora"}} << none;
        QTest::newRow("files") << Offered{{QStringLiteral("text/uri-list"),
                                           "file:///tmp/picture.png\r\n"},
                                          {QStringLiteral("text/plain"), "/tmp/picture.png"}}
                               << none;
        const QString limits = QStringLiteral(
            " из другой программы слишком велик: программа принимает рисунки до 65\u00a0535 точек "
            "в одну сторону и до 268\u00a0435\u00a0456 точек всего.\nУменьшите его в той программе "
            "и скопируйте снова.");
        QTest::newRow("a 40000 x 40000 PNG")
            << Offered{{QStringLiteral("image/png"), PngHeaderOnly(40000, 40000)}}
            << QStringLiteral("Рисунок 40000 x 40000") + limits;
        QTest::newRow("a 70000 x 2 PNG")
            << Offered{{QStringLiteral("image/png"), Encoded(NoiseImage(70000, 2, 11), "PNG")}}
            << QStringLiteral("Рисунок 70000 x 2") + limits;
        QTest::newRow("a PNG that is text")
            << Offered{{QStringLiteral("image/png"), "not a picture at all"}} << unread;
        QByteArray cut = Encoded(NoiseImage(60, 60, 12), "PNG");
        cut.truncate(cut.size() / 3);
        QTest::newRow("a cut-off PNG")
            << Offered{{QStringLiteral("image/png"), cut}}
            << QStringLiteral("Рисунок не вставлен: другая программа передала его повреждённым "
                              "(блок PNG обрывается).\nСкопируйте его в той программе ещё раз.");
    }
    void otherProgramsOffersWithoutAPicture() {
        QFETCH(Offered, offered);
        QFETCH(QString, reported);
        FillNoise(Picture(), 41);
        const QImage beforeStep = PictureNow();
        PictureWithOneStep();
        Enter(Setup::SelectModeOutlined);
        const QImage before = PictureNow();
        OfferFromAnotherProgram(offered);

        if (!reported.isEmpty())
            dialogs_->ExpectMessage(TModalResult::Ok);
        RunFromMenu(form_->Paste1);
        QCOMPARE(Prompts().size(), reported.isEmpty() ? 0 : 1);
        if (!reported.isEmpty()) {
            QCOMPARE(Prompts().first().msgKind, TMsgKind::Error);
            QVERIFY2(Prompts().first().text.startsWith(reported),
                     qPrintable(Prompts().first().text));
        }
        QCOMPARE(ImageDifference(PictureNow(), before), QString());
        QVERIFY(form_->Selector->OutlineVisible());
        HideTheOutline();
        CheckStepStillThere(beforeStep);
        QApplication::clipboard()->clear();
    }
};

LIMNORA_TEST_CLASS(TestClipboardCommands)
#include "tst_clipboardcommands.moc"
