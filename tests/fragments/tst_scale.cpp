// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The scaler of fragments and the two rectangle primitives, on real bitmaps: target sizes and
// their warnings, the smooth resampling, and copies of blocks between the picture and bitmaps.
#include "canvas/TImage.h"
#include "fragments/ImgScale01.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPictures.h"
#include "support/TestRunner.h"

#include <QLocale>
#include <QTest>
#include <cfenv>
#include <climits>
#include <cmath>
#include <memory>

Q_DECLARE_METATYPE(TRect)

namespace {

const QString kZoomWarningC =
    QStringLiteral("Zoom ВНЕ диапазона:\r\n(  1.0 ... 800.0 ) %\r\nЗапрос будет исправлен");
const QString kZoomWarningRu =
    QStringLiteral("Zoom ВНЕ диапазона:\r\n(  1,0 ... 800,0 ) %\r\nЗапрос будет исправлен");
const QString kSizeWarning = QStringLiteral("Размер строки или столбца ВНЕ диапазона:\r\n( 1 ... "
                                            "6000 ) пикселей\r\nЗапрос будет исправлен");

// An image control whose picture has the given size, filled with reproducible noise.
std::unique_ptr<TImage> NoiseImage(int width, int height, std::uint32_t seed = 7) {
    auto image = std::make_unique<TImage>();
    image->Picture().SetSize(width, height);
    FillNoise(image->Picture(), seed);
    return image;
}

// An image control with a picture of the given size, left white (large sizes are cheap to make).
std::unique_ptr<TImage> BlankImage(int width, int height) {
    auto image = std::make_unique<TImage>();
    image->Picture().SetSize(width, height);
    return image;
}

// A one-pixel black-and-white checker board.
void FillChecker(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            bitmap.Canvas().SetPixel(x, y, (x + y) % 2 ? clBlack : clWhite);
}

TColor Grey(int level) {
    return TColor(level | level << 8 | level << 16);
}

// The texts of the recorded message prompts, each checked to be a warning with one OK button.
QStringList Warnings(const ScriptedDialogs& dialogs) {
    QStringList texts;
    for (const RecordedPrompt& p : dialogs.Prompts()) {
        if (p.kind != RecordedPrompt::Kind::Message || p.msgKind != TMsgKind::Warning ||
            p.buttons != TMsgButtons::Ok)
            texts << QStringLiteral("<not an OK warning: %1>").arg(p.text);
        else
            texts << p.text;
    }
    return texts;
}

} // namespace

class TestImageScale : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs_;

private slots:
    void init() { dialogs_ = std::make_unique<ScriptedDialogs>(); }
    void cleanup() {
        QLocale::setDefault(QLocale::c());
        const int remaining = dialogs_->Remaining();
        dialogs_.reset();
        QCOMPARE(remaining, 0); // every expected warning was shown
    }

    // ---- construction and sources ----
    void aNewScalerHasNothing() {
        TImageScale scale;
        QVERIFY(!scale.SrcImage && !scale.DstImage);
        QCOMPARE(scale.Zoom, 0.0);
        QCOMPARE(scale.SrcWidth, 0);
        QCOMPARE(scale.SrcHeight, 0);
        QCOMPARE(scale.DstWidth, 0);
        QCOMPARE(scale.DstHeight, 0);
        QVERIFY(scale.WorkBitmap);
        QVERIFY(scale.WorkBitmap->Empty());
    }

    void setSourceReadsTheSizeAndNothingKeepsIt() {
        TImageScale scale;
        auto image = BlankImage(37, 21);
        scale.SetSource(image.get());
        QCOMPARE(scale.SrcImage, image.get());
        QCOMPARE(scale.SrcWidth, 37);
        QCOMPARE(scale.SrcHeight, 21);
        scale.SetSource(nullptr);
        QVERIFY(!scale.SrcImage);
        QCOMPARE(scale.SrcWidth, 37);
        QCOMPARE(scale.SrcHeight, 21);
        scale.ReadSourceSize(); // without a source both become 0
        QCOMPARE(scale.SrcWidth, 0);
        QCOMPARE(scale.SrcHeight, 0);
    }

    void setZoomWithoutASourceChangesNothing() {
        TImageScale scale;
        scale.SetZoom(2.0);
        QCOMPARE(scale.Zoom, 0.0);
        QCOMPARE(scale.DstWidth, 0);
        // Also after a source was taken away again, and for a factor out of range: no warning.
        auto image = BlankImage(10, 8);
        scale.SetSource(image.get());
        scale.SetZoom(0.5);
        QCOMPARE(scale.Zoom, 0.5);
        scale.SetSource(nullptr);
        scale.SetZoom(9.0);
        scale.SetZoom(3.0);
        QCOMPARE(scale.Zoom, 0.5);
        QCOMPARE(scale.DstWidth, 5);
        QCOMPARE(scale.DstHeight, 4);
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void setZoomReadsTheSourceSizeAgain() {
        TImageScale scale;
        auto image = BlankImage(10, 10);
        scale.SetSource(image.get());
        image->Picture().SetSize(30, 20);
        scale.SetZoom(0.5);
        QCOMPARE(scale.SrcWidth, 30);
        QCOMPARE(scale.SrcHeight, 20);
        QCOMPARE(scale.DstWidth, 15);
        QCOMPARE(scale.DstHeight, 10);
    }

    // ---- target sizes ----
    void targetSize_data() {
        QTest::addColumn<int>("srcWidth");
        QTest::addColumn<int>("srcHeight");
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("dstWidth");
        QTest::addColumn<int>("dstHeight");
        QTest::addColumn<bool>("zoomWarning");
        QTest::addColumn<bool>("sizeWarning");
        // Halves go to the even neighbour: 2.5 -> 2 and 1.5 -> 2, 3.5 -> 4 and 4.5 -> 4.
        QTest::newRow("5x3 at 0.5") << 5 << 3 << 0.5 << 0.5 << 2 << 2 << false << false;
        QTest::newRow("3x5 at 0.5") << 3 << 5 << 0.5 << 0.5 << 2 << 2 << false << false;
        QTest::newRow("7x9 at 0.5") << 7 << 9 << 0.5 << 0.5 << 4 << 4 << false << false;
        QTest::newRow("1x3 at 2.5") << 1 << 3 << 2.5 << 2.5 << 2 << 8 << false << false;
        QTest::newRow("10x10 at 0.33") << 10 << 10 << 0.33 << 0.33 << 3 << 3 << false << false;
        // The product is taken in extended precision from the double factor: the double 0.35 is a
        // little less than 0.35, so 10 x 0.35 is not a half and rounds down.
        QTest::newRow("10x10 at 0.35") << 10 << 10 << 0.35 << 0.35 << 3 << 3 << false << false;
        QTest::newRow("unchanged") << 40 << 30 << 1.0 << 1.0 << 40 << 30 << false << false;
        // The longer side becomes exactly 6000, the other keeps the proportion.
        QTest::newRow("4000x3000 at 2")
            << 4000 << 3000 << 2.0 << 2.0 << 6000 << 4500 << false << true;
        QTest::newRow("3000x4000 at 2")
            << 3000 << 4000 << 2.0 << 2.0 << 4500 << 6000 << false << true;
        QTest::newRow("3500x3500 at 2")
            << 3500 << 3500 << 2.0 << 2.0 << 6000 << 6000 << false << true;
        QTest::newRow("3000x2000 at 2")
            << 3000 << 2000 << 2.0 << 2.0 << 6000 << 4000 << false << false;
        QTest::newRow("6001x10 at 1") << 6001 << 10 << 1.0 << 1.0 << 6000 << 10 << false << true;
        QTest::newRow("7000x10 at 1") << 7000 << 10 << 1.0 << 1.0 << 6000 << 9 << false << true;
        QTest::newRow("8000x1 at 1") << 8000 << 1 << 1.0 << 1.0 << 6000 << 1 << false << true;
        QTest::newRow("1x801 at 8") << 1 << 801 << 8.0 << 8.0 << 7 << 6000 << false << true;
        // Sides below one pixel are raised to one without a word.
        QTest::newRow("10x10 at 0.01") << 10 << 10 << 0.01 << 0.01 << 1 << 1 << false << false;
        QTest::newRow("60x10 at 0.01") << 60 << 10 << 0.01 << 0.01 << 1 << 1 << false << false;
        // The double 0.01 is a little more than 0.01: 250 x 0.01 is not a half and rounds up.
        QTest::newRow("250x10 at 0.01") << 250 << 10 << 0.01 << 0.01 << 3 << 1 << false << false;
        // The factor is kept within 0.01 .. 8.0; the limits themselves are allowed.
        QTest::newRow("factor 0.005") << 300 << 100 << 0.005 << 0.01 << 3 << 1 << true << false;
        QTest::newRow("factor 0") << 300 << 100 << 0.0 << 0.01 << 3 << 1 << true << false;
        QTest::newRow("factor -2") << 300 << 100 << -2.0 << 0.01 << 3 << 1 << true << false;
        QTest::newRow("factor 9") << 10 << 10 << 9.0 << 8.0 << 80 << 80 << true << false;
        QTest::newRow("factor 8") << 10 << 10 << 8.0 << 8.0 << 80 << 80 << false << false;
        QTest::newRow("just above 8")
            << 10 << 10 << std::nextafter(8.0, 9.0) << 8.0 << 80 << 80 << true << false;
        QTest::newRow("just below 0.01")
            << 100 << 100 << std::nextafter(0.01, 0.0) << 0.01 << 1 << 1 << true << false;
        // Both corrections at once: the factor first, then the size.
        QTest::newRow("900x1 at 9") << 900 << 1 << 9.0 << 8.0 << 6000 << 7 << true << true;
        QTest::newRow("infinite factor")
            << 2 << 2 << double(INFINITY) << 8.0 << 16 << 16 << true << false;
    }
    void targetSize() {
        QFETCH(int, srcWidth);
        QFETCH(int, srcHeight);
        QFETCH(double, factor);
        QFETCH(double, zoom);
        QFETCH(int, dstWidth);
        QFETCH(int, dstHeight);
        QFETCH(bool, zoomWarning);
        QFETCH(bool, sizeWarning);
        QStringList expected;
        if (zoomWarning)
            expected << kZoomWarningC;
        if (sizeWarning)
            expected << kSizeWarning;
        for (int i = 0; i < expected.size(); ++i)
            dialogs_->ExpectMessage(TModalResult::Ok);
        QLocale::setDefault(QLocale::c());
        auto image = BlankImage(srcWidth, srcHeight);
        TImageScale scale;
        scale.SetSource(image.get());
        scale.SetZoom(factor);
        QCOMPARE(scale.Zoom, zoom);
        QCOMPARE(scale.SrcWidth, srcWidth);
        QCOMPARE(scale.SrcHeight, srcHeight);
        QCOMPARE(scale.DstWidth, dstWidth);
        QCOMPARE(scale.DstHeight, dstHeight);
        QCOMPARE(Warnings(*dialogs_), expected);
    }

    void limitSizeAlone_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("dstWidth");
        QTest::addColumn<int>("dstHeight");
        QTest::addColumn<bool>("warning");
        QTest::newRow("6000x6000 allowed") << 6000 << 6000 << 6000 << 6000 << false;
        QTest::newRow("8000x6000") << 8000 << 6000 << 6000 << 4500 << true;
        QTest::newRow("12000x1") << 12000 << 1 << 6000 << 1 << true;         // 0.5 -> 0 -> 1
        QTest::newRow("12000x375") << 12000 << 375 << 6000 << 188 << true;   // 187.5 -> 188
        QTest::newRow("12000x1125") << 12000 << 1125 << 6000 << 562 << true; // 562.5 -> 562
        QTest::newRow("7x14000") << 7 << 14000 << 3 << 6000 << true;         // 3 -> 3
        QTest::newRow("9000x9000") << 9000 << 9000 << 6000 << 6000 << true;
        QTest::newRow("0x0") << 0 << 0 << 1 << 1 << false;
        QTest::newRow("-5x3") << -5 << 3 << 1 << 3 << false;
    }
    void limitSizeAlone() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, dstWidth);
        QFETCH(int, dstHeight);
        QFETCH(bool, warning);
        if (warning)
            dialogs_->ExpectMessage(TModalResult::Ok);
        TImageScale scale;
        scale.DstWidth = width;
        scale.DstHeight = height;
        scale.LimitSize();
        QCOMPARE(scale.DstWidth, dstWidth);
        QCOMPARE(scale.DstHeight, dstHeight);
        QCOMPARE(Warnings(*dialogs_), warning ? QStringList{kSizeWarning} : QStringList{});
    }

    void roundingHalvesToEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("2.4999") << 2.4999 << 2;
        QTest::newRow("2.5001") << 2.5001 << 3;
        QTest::newRow("4499.5") << 4499.5 << 4500;
        QTest::newRow("huge") << 1e12 << INT_MAX;
        QTest::newRow("huge negative") << -1e12 << INT_MIN;
        QTest::newRow("not a number") << double(NAN) << 0;
    }
    void roundingHalvesToEven() {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(RoundHalfEven(value), rounded);
    }

    void roundingKeepsTheCallersRoundingMode() {
        std::fesetround(FE_UPWARD);
        const std::int32_t r = RoundHalfEven(2.5L);
        const int mode = std::fegetround();
        std::fesetround(FE_TONEAREST);
        QCOMPARE(r, 2);
        QCOMPARE(mode, FE_UPWARD);
    }

    // ---- the warning texts ----
    void zoomWarningInTheUsersLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("text");
        QTest::newRow("C, too small") << QLocale::c() << 0.005 << kZoomWarningC;
        QTest::newRow("C, too large") << QLocale::c() << 9.0 << kZoomWarningC;
        QTest::newRow("English, too small")
            << QLocale(QLocale::English, QLocale::UnitedStates) << 0.001 << kZoomWarningC;
        QTest::newRow("English, too large")
            << QLocale(QLocale::English, QLocale::UnitedKingdom) << 100.0 << kZoomWarningC;
        QTest::newRow("Russian, too small")
            << QLocale(QLocale::Russian, QLocale::Russia) << 0.005 << kZoomWarningRu;
        QTest::newRow("Russian, too large")
            << QLocale(QLocale::Russian, QLocale::Russia) << 9.0 << kZoomWarningRu;
    }
    void zoomWarningInTheUsersLocale() {
        QFETCH(QLocale, locale);
        QFETCH(double, factor);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        dialogs_->ExpectMessage(TModalResult::Ok);
        auto image = BlankImage(20, 20);
        TImageScale scale;
        scale.SetSource(image.get());
        scale.SetZoom(factor);
        QCOMPARE(Warnings(*dialogs_), QStringList{text});
        // Three lines on the screen; the numbers padded to four characters as "%4.1f" does.
        QCOMPARE(MessageLines(text).split(QLatin1Char('\n')).size(), 3);
    }

    void warningsCalledDirectly() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        dialogs_->ExpectMessage(TModalResult::Ok);
        dialogs_->ExpectMessage(TModalResult::Ok);
        ZoomRangeWarning();
        SizeRangeWarning();
        QCOMPARE(Warnings(*dialogs_), (QStringList{kZoomWarningRu, kSizeWarning}));
    }

    // ---- the scaled copy ----
    void unchangedSizeIsAnExactCopy() {
        auto source = NoiseImage(53, 41);
        TImage target;
        TImageScale scale;
        scale.SetSource(source.get());
        scale.DstImage = &target;
        scale.SetZoom(1.0);
        scale.Execute();
        QCOMPARE(target.Picture().Width(), 53);
        QCOMPARE(target.Picture().Height(), 41);
        QCOMPARE(FirstDifference(target.Picture(), source->Picture()), QString());
        QCOMPARE(target.Picture().Image().format(), QImage::Format_RGB32);
        QCOMPARE(target.size(), QSize(53, 41)); // the control follows its picture
        // Drawing on the result leaves the source as it was.
        TBitmap before;
        before.Assign(source->Picture());
        target.Canvas().SetPixel(3, 3, clRed);
        target.Canvas().SetPixel(4, 3, clRed);
        QCOMPARE(FirstDifference(source->Picture(), before), QString());
    }

    void sameControlAsSourceAndTarget() {
        auto image = NoiseImage(40, 20);
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = image.get();
        scale.SetZoom(0.5);
        scale.Execute();
        QCOMPARE(image->Picture().Width(), 20);
        QCOMPARE(image->Picture().Height(), 10);
        QCOMPARE(image->size(), QSize(20, 10));
        // A second scaling takes the picture as it is now.
        scale.SetZoom(2.0);
        QCOMPARE(scale.SrcWidth, 20);
        scale.Execute();
        QCOMPARE(image->Picture().Width(), 40);
        QCOMPARE(image->Picture().Height(), 20);
    }

    void resultHasTheTargetSize_data() {
        QTest::addColumn<int>("srcWidth");
        QTest::addColumn<int>("srcHeight");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("dstWidth");
        QTest::addColumn<int>("dstHeight");
        QTest::addColumn<int>("warnings");
        QTest::newRow("5x3 at 0.5") << 5 << 3 << 0.5 << 2 << 2 << 0;
        QTest::newRow("10x10 at 0.01") << 10 << 10 << 0.01 << 1 << 1 << 0;
        QTest::newRow("17x9 at 1.9") << 17 << 9 << 1.9 << 32 << 17 << 0;
        QTest::newRow("9x17 at 0.7") << 9 << 17 << 0.7 << 6 << 12 << 0;
        QTest::newRow("wider, lower") << 10 << 30 << 1.5 << 15 << 45 << 0;
        QTest::newRow("1x1 at 8") << 1 << 1 << 8.0 << 8 << 8 << 0;
        QTest::newRow("7000x10 at 1") << 7000 << 10 << 1.0 << 6000 << 9 << 1;
        QTest::newRow("3x2200 at 3") << 3 << 2200 << 3.0 << 8 << 6000 << 1;
        QTest::newRow("factor 9") << 3 << 2 << 9.0 << 24 << 16 << 1;
    }
    void resultHasTheTargetSize() {
        QFETCH(int, srcWidth);
        QFETCH(int, srcHeight);
        QFETCH(double, factor);
        QFETCH(int, dstWidth);
        QFETCH(int, dstHeight);
        QFETCH(int, warnings);
        for (int i = 0; i < warnings; ++i)
            dialogs_->ExpectMessage(TModalResult::Ok);
        auto source = NoiseImage(srcWidth, srcHeight);
        TImage target;
        TImageScale scale;
        scale.SetSource(source.get());
        scale.DstImage = &target;
        scale.SetZoom(factor);
        scale.Execute();
        QCOMPARE(target.Picture().Width(), dstWidth);
        QCOMPARE(target.Picture().Height(), dstHeight);
        QCOMPARE(scale.WorkBitmap->Width(), dstWidth);
        QCOMPARE(scale.WorkBitmap->Height(), dstHeight);
        QCOMPARE(target.Picture().Image().format(), QImage::Format_RGB32);
        QCOMPARE(dialogs_->Prompts().size(), warnings);
    }

    void checkerAtHalfSizeIsUniformGrey_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("64x64") << 64 << 64;
        QTest::newRow("200x6") << 200 << 6;
        QTest::newRow("2x2") << 2 << 2;
    }
    void checkerAtHalfSizeIsUniformGrey() {
        QFETCH(int, width);
        QFETCH(int, height);
        auto image = BlankImage(width, height);
        FillChecker(image->Picture());
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = image.get();
        scale.SetZoom(0.5);
        scale.Execute();
        const TBitmap& result = image->Picture();
        QCOMPARE(result.Width(), width / 2);
        QCOMPARE(result.Height(), height / 2);
        // Each pixel is the average of two black and two white ones: no pixel is dropped or
        // repeated, and every grey is the same.
        const TColor grey = result.Pixel(0, 0);
        QVERIFY2(grey == Grey(127) || grey == Grey(128), qPrintable(QString::number(grey, 16)));
        QCOMPARE(CountColor(result, grey, result.BoundsRect()), width / 2 * (height / 2));
    }

    void reductionAveragesBlocks() {
        // Blocks of 4 x 4 pixels, each of one colour, reduced to a quarter: one pixel per block
        // with exactly that colour.
        const TColor colours[] = {clRed, 0x00FF00, clBlue, 0x00FFFF, clBlack, clWhite};
        auto image = BlankImage(12, 8);
        for (int i = 0; i < 6; ++i) {
            TCanvas& c = image->Canvas();
            c.Brush = {bsSolid, colours[i]};
            const int x = i % 3 * 4, y = i / 3 * 4;
            c.FillRect({x, y, x + 4, y + 4});
        }
        TImage target;
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = &target;
        scale.SetZoom(0.25);
        scale.Execute();
        QCOMPARE(target.Picture().Width(), 3);
        QCOMPARE(target.Picture().Height(), 2);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(target.Picture().Pixel(i % 3, i / 3), colours[i]);
    }

    void uniformPicturesStayUniform_data() {
        QTest::addColumn<double>("factor");
        QTest::newRow("0.1") << 0.1;
        QTest::newRow("0.37") << 0.37;
        QTest::newRow("0.5") << 0.5;
        QTest::newRow("1.3") << 1.3;
        QTest::newRow("2") << 2.0;
        QTest::newRow("7.7") << 7.7;
    }
    void uniformPicturesStayUniform() {
        // Smoothing never darkens or lightens a single colour, also at the edges.
        QFETCH(double, factor);
        const TColor colour = 0x3C8AD2;
        auto image = BlankImage(33, 21);
        FillColor(image->Picture(), colour);
        TImage target;
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = &target;
        scale.SetZoom(factor);
        scale.Execute();
        const TBitmap& result = target.Picture();
        QCOMPARE(result.Width(), scale.DstWidth);
        QCOMPARE(CountColor(result, colour, result.BoundsRect()), result.Width() * result.Height());
    }

    void enlargementInterpolates() {
        // A black column beside a white one, doubled: the outer columns keep their colours and
        // the columns between them are greys in order, lighter towards the white side.
        auto image = BlankImage(2, 1);
        image->Canvas().SetPixel(0, 0, clBlack);
        TImage target;
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = &target;
        scale.SetZoom(4.0);
        scale.Execute();
        const TBitmap& result = target.Picture();
        QCOMPARE(result.Width(), 8);
        QCOMPARE(result.Height(), 4);
        QCOMPARE(result.Pixel(0, 0), clBlack);
        QCOMPARE(result.Pixel(7, 3), clWhite);
        int greys = 0;
        for (int x = 0; x < 8; ++x) {
            const TColor c = result.Pixel(x, 0);
            QCOMPARE(c & 0xFF, (c >> 8) & 0xFF);
            QCOMPARE(c & 0xFF, (c >> 16) & 0xFF);
            if (x > 0)
                QVERIFY(c >= result.Pixel(x - 1, 0));
            greys += c != clBlack && c != clWhite;
            for (int y = 1; y < 4; ++y)
                QCOMPARE(result.Pixel(x, y), c);
        }
        QVERIFY(greys >= 2);
    }

    void enlargingBlendsOnlyNeighbouringColours_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("11x7") << 11 << 7;
        QTest::newRow("1x5") << 1 << 5;
        QTest::newRow("40x2") << 40 << 2;
        QTest::newRow("120x90") << 120 << 90;
    }
    void enlargingBlendsOnlyNeighbouringColours() {
        // At three times the size every target pixel is a blend of the source pixels around the
        // place it comes from: each channel lies within theirs (no colour is invented, nothing
        // overshoots), and the blocks stay in the source's order.
        QFETCH(int, width);
        QFETCH(int, height);
        auto image = NoiseImage(width, height, 21);
        TImage target;
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = &target;
        scale.SetZoom(3.0);
        scale.Execute();
        const TBitmap& source = image->Picture();
        const TBitmap& result = target.Picture();
        QCOMPARE(result.Width(), 3 * width);
        QCOMPARE(result.Height(), 3 * height);
        for (int y = 0; y < 3 * height; ++y)
            for (int x = 0; x < 3 * width; ++x) {
                const int sx = x / 3, sy = y / 3;
                for (int shift : {0, 8, 16}) {
                    int low = 255, high = 0;
                    for (int ny = std::max(sy - 1, 0); ny <= std::min(sy + 1, height - 1); ++ny)
                        for (int nx = std::max(sx - 1, 0); nx <= std::min(sx + 1, width - 1);
                             ++nx) {
                            const int v = source.Pixel(nx, ny) >> shift & 0xFF;
                            low = std::min(low, v);
                            high = std::max(high, v);
                        }
                    const int v = result.Pixel(x, y) >> shift & 0xFF;
                    QVERIFY2(v >= low && v <= high,
                             qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
                }
            }
    }

    void enlargementIsSymmetric_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("factor");
        QTest::newRow("9x5 at 2") << 9 << 5 << 2.0;
        QTest::newRow("17x3 at 4") << 17 << 3 << 4.0;
        QTest::newRow("6x6 at 8") << 6 << 6 << 8.0;
        QTest::newRow("700x500 at 2") << 700 << 500 << 2.0;
        QTest::newRow("301x230 at 4") << 301 << 230 << 4.0;
    }
    void enlargementIsSymmetric() {
        // The picture mirrored and enlarged is the enlarged picture mirrored: every target pixel
        // samples the source around its own centre, shifted neither way.
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, factor);
        auto image = NoiseImage(width, height, 22);
        TImage mirrored;
        mirrored.Picture().AssignImage(image->Picture().Image().mirrored(true, true));
        TImage target, mirroredTarget;
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = &target;
        scale.SetZoom(factor);
        scale.Execute();
        scale.SetSource(&mirrored);
        scale.DstImage = &mirroredTarget;
        scale.SetZoom(factor);
        scale.Execute();
        TBitmap expected;
        expected.AssignImage(target.Picture().Image().mirrored(true, true));
        QCOMPARE(FirstDifference(mirroredTarget.Picture(), expected), QString());
    }

    void sizesAreThoseOfTheLastSetZoom() {
        // Execute does not read the source size again: it takes the block of the stored size
        // (white where the picture has become smaller).
        auto image = NoiseImage(6, 4);
        TImage target;
        TImageScale scale;
        scale.SetSource(image.get());
        scale.DstImage = &target;
        scale.SetZoom(1.0);
        image->Picture().SetSize(10, 10);
        FillNoise(image->Picture(), 99);
        scale.Execute();
        QCOMPARE(target.Picture().Width(), 6);
        QCOMPARE(target.Picture().Height(), 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(target.Picture().Pixel(x, y), image->Picture().Pixel(x, y));
        image->Picture().SetSize(3, 2);
        scale.Execute();
        QCOMPARE(target.Picture().Width(), 6);
        QCOMPARE(target.Picture().Height(), 4);
        QCOMPARE(target.Picture().Pixel(2, 1), image->Picture().Pixel(2, 1));
        QCOMPARE(CountColor(target.Picture(), clWhite, target.Picture().BoundsRect()), 24 - 6);
    }

    void executeWithoutImagesDoesNothing() {
        auto source = NoiseImage(8, 8);
        TImage target;
        target.Picture().SetSize(3, 3);
        TImageScale scale;
        scale.DstImage = &target;
        scale.Execute(); // no source
        QCOMPARE(target.Picture().Width(), 3);
        scale.DstImage = nullptr;
        scale.SetSource(source.get());
        scale.SetZoom(0.5);
        scale.Execute(); // no target
        QVERIFY(scale.WorkBitmap->Empty());
        // A source without pixels: the target is left alone.
        TImage empty;
        scale.SetSource(&empty);
        scale.DstImage = &target;
        scale.SetZoom(2.0);
        QCOMPARE(scale.DstWidth, 1);
        scale.Execute();
        QCOMPARE(target.Picture().Width(), 3);
        QCOMPARE(target.Picture().Height(), 3);
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // ---- CopyImageRect ----
    void copyImageRect_data() {
        QTest::addColumn<TRect>("rect");
        QTest::newRow("inside") << TRect{10, 5, 40, 25};
        QTest::newRow("whole picture") << TRect{0, 0, 60, 40};
        QTest::newRow("one pixel") << TRect{59, 39, 60, 40};
        QTest::newRow("over the top left") << TRect{-7, -3, 12, 9};
        QTest::newRow("over the bottom right") << TRect{50, 30, 75, 52};
        QTest::newRow("around the picture") << TRect{-5, -5, 70, 45};
        QTest::newRow("wholly outside") << TRect{100, 100, 120, 110};
        QTest::newRow("far outside") << TRect{INT_MIN, INT_MIN, INT_MIN + 6, INT_MIN + 4};
        QTest::newRow("at the far end") << TRect{INT_MAX - 6, INT_MAX - 4, INT_MAX, INT_MAX};
    }
    void copyImageRect() {
        QFETCH(TRect, rect);
        auto image = NoiseImage(60, 40);
        TBitmap before;
        before.Assign(image->Picture());
        TBitmap fragment(3, 3);
        FillColor(fragment, clRed);
        CopyImageRect(image.get(), rect, &fragment);
        QCOMPARE(fragment.Width(), rect.Width());
        QCOMPARE(fragment.Height(), rect.Height());
        QCOMPARE(fragment.Image().format(), QImage::Format_RGB32);
        // Pixels of the picture where the rectangle covers it, white (no left-over red) outside.
        for (int y = 0; y < fragment.Height(); ++y)
            for (int x = 0; x < fragment.Width(); ++x) {
                const TColor expected = image->Picture().Pixel(int(std::int64_t{rect.left} + x),
                                                               int(std::int64_t{rect.top} + y));
                const TColor got = fragment.Pixel(x, y);
                if (got != (expected == TBitmap::kNoPixel ? clWhite : expected))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3 instead of %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(got, 6, 16)
                                         .arg(expected, 6, 16)));
            }
        QCOMPARE(FirstDifference(image->Picture(), before), QString());
    }

    void copyImageRectOfNothing_data() {
        QTest::addColumn<TRect>("rect");
        QTest::newRow("width 0") << TRect{10, 10, 10, 30};
        QTest::newRow("height 0") << TRect{10, 10, 30, 10};
        QTest::newRow("reversed") << TRect{30, 30, 10, 10};
        QTest::newRow("reversed across") << TRect{30, 10, 10, 30};
        QTest::newRow("all zero") << TRect{};
    }
    void copyImageRectOfNothing() {
        QFETCH(TRect, rect);
        auto image = NoiseImage(60, 40);
        TBitmap fragment(3, 2);
        FillColor(fragment, clRed);
        CopyImageRect(image.get(), rect, &fragment);
        QCOMPARE(fragment.Width(), 3);
        QCOMPARE(fragment.Height(), 2);
        QCOMPARE(CountColor(fragment, clRed, fragment.BoundsRect()), 6);
        CopyImageRect(nullptr, {0, 0, 5, 5}, &fragment);
        QCOMPARE(fragment.Width(), 3);
        CopyImageRect(image.get(), {0, 0, 5, 5}, nullptr); // nothing to fill: no crash
    }

    void copyImageRectReusesTheBitmap() {
        // The same bitmap takes one block after another; nothing of the earlier one stays.
        auto image = NoiseImage(60, 40);
        TBitmap fragment;
        CopyImageRect(image.get(), {0, 0, 50, 30}, &fragment);
        CopyImageRect(image.get(), {55, 35, 65, 45}, &fragment);
        QCOMPARE(fragment.Width(), 10);
        QCOMPARE(fragment.Height(), 10);
        QCOMPARE(fragment.Pixel(4, 4), image->Picture().Pixel(59, 39));
        QCOMPARE(CountColor(fragment, clWhite, fragment.BoundsRect()), 100 - 25);
    }

    // ---- PasteBitmapRect ----
    void pasteBitmapRect_data() {
        QTest::addColumn<int>("fragmentWidth");
        QTest::addColumn<int>("fragmentHeight");
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<TRect>("changed");
        // The fragment is cut to the rectangle, and the rectangle to the fragment.
        QTest::newRow("100x50 into 30x200")
            << 100 << 50 << TRect{10, 10, 40, 210} << TRect{10, 10, 40, 60};
        QTest::newRow("same size") << 20 << 15 << TRect{3, 4, 23, 19} << TRect{3, 4, 23, 19};
        QTest::newRow("rectangle larger")
            << 20 << 15 << TRect{0, 0, 100, 100} << TRect{0, 0, 20, 15};
        QTest::newRow("fragment larger")
            << 200 << 200 << TRect{50, 60, 53, 61} << TRect{50, 60, 53, 61};
        // Nothing is written outside the picture.
        QTest::newRow("over the bottom right")
            << 40 << 40 << TRect{100, 60, 140, 100} << TRect{100, 60, 120, 80};
        QTest::newRow("over the top left")
            << 40 << 40 << TRect{-30, -35, 10, 5} << TRect{0, 0, 10, 5};
        QTest::newRow("wholly outside") << 10 << 10 << TRect{130, 0, 140, 10} << TRect{};
        QTest::newRow("far outside") << 10 << 10 << TRect{INT_MAX - 5, 0, INT_MAX, 10} << TRect{};
        QTest::newRow("far before")
            << 10 << 10 << TRect{INT_MIN, INT_MIN, INT_MIN + 9, INT_MIN + 9} << TRect{};
        // Empty rectangles change nothing.
        QTest::newRow("width 0") << 10 << 10 << TRect{5, 5, 5, 15} << TRect{};
        QTest::newRow("height 0") << 10 << 10 << TRect{5, 5, 15, 5} << TRect{};
        QTest::newRow("reversed") << 10 << 10 << TRect{15, 15, 5, 5} << TRect{};
    }
    void pasteBitmapRect() {
        QFETCH(int, fragmentWidth);
        QFETCH(int, fragmentHeight);
        QFETCH(TRect, rect);
        QFETCH(TRect, changed);
        auto image = BlankImage(120, 80);
        FillColor(image->Picture(), clWhite);
        TBitmap fragment(fragmentWidth, fragmentHeight);
        FillNoise(fragment, 3);
        // Noise can be white by chance: make sure no pixel of the fragment is.
        for (int y = 0; y < fragmentHeight; ++y)
            for (int x = 0; x < fragmentWidth; ++x)
                if (fragment.Pixel(x, y) == clWhite)
                    fragment.Canvas().SetPixel(x, y, clBlack);
        TBitmap before;
        before.Assign(image->Picture());
        PasteBitmapRect(image.get(), rect, &fragment);
        QCOMPARE(image->Picture().Width(), 120);
        QCOMPARE(image->Picture().Height(), 80);
        QCOMPARE(DifferenceBounds(image->Picture(), before), changed);
        for (int y = changed.top; y < changed.bottom; ++y)
            for (int x = changed.left; x < changed.right; ++x)
                QCOMPARE(image->Picture().Pixel(x, y), fragment.Pixel(x - rect.left, y - rect.top));
    }

    void pasteBitmapRectWithoutImageOrBitmap() {
        auto image = NoiseImage(20, 20);
        TBitmap before;
        before.Assign(image->Picture());
        PasteBitmapRect(image.get(), {0, 0, 10, 10}, nullptr);
        TBitmap fragment(5, 5);
        PasteBitmapRect(nullptr, {0, 0, 10, 10}, &fragment);
        TBitmap nothing; // 0 x 0
        PasteBitmapRect(image.get(), {0, 0, 10, 10}, &nothing);
        QCOMPARE(FirstDifference(image->Picture(), before), QString());
    }

    void pasteBitmapRectOfThePictureOntoItself() {
        // The block is read before it is written, so an overlapping paste moves it whole.
        auto image = NoiseImage(30, 30);
        TBitmap before;
        before.Assign(image->Picture());
        PasteBitmapRect(image.get(), {5, 5, 30, 30}, &image->Picture());
        for (int y = 5; y < 30; ++y)
            for (int x = 5; x < 30; ++x)
                QCOMPARE(image->Picture().Pixel(x, y), before.Pixel(x - 5, y - 5));
        QCOMPARE(image->Picture().Pixel(4, 4), before.Pixel(4, 4));
    }
};

LIMNORA_TEST_CLASS(TestImageScale)
#include "tst_scale.moc"
