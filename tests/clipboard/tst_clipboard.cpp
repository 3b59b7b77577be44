// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole picture through the system clipboard: what goes out when the picture is put there, how
// a clipboard image is drawn into a bitmap (opaque, at its own size, cut at the bitmap's edges,
// colour values kept and alpha dropped), what other programs' images come in (PNG, BMP, JPEG) and
// what is no picture at all (text, files, images that cannot be decoded or are beyond the bounds
// for bitmaps). Once through a stand-in clipboard, once through the real one of this process.
#include "canvas/TBitmap.h"
#include "clipboard/Clipboard.h"
#include "support/FakeClipboard.h"
#include "support/ScriptedDialogs.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"
#include "support/TestRunner.h"
#include "system/EditorError.h"
#include "system/QtCompat.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMap>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <optional>

namespace {

const QString kWriteFailed = QStringLiteral("Не могу записать в Clipboard");

void Offer(const QMap<QString, QByteArray>& offered, bool decodedByQt) {
    OfferFromAnotherProgram(offered, decodedByQt);
}

// ---- pictures as other programs write them ----

void PutBe32(QByteArray& bytes, quint32 value) {
    char b[4];
    qToBigEndian(value, b);
    bytes.append(b, 4);
}

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc ^= static_cast<uchar>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray Chunk(const char* type, const QByteArray& data) {
    QByteArray out;
    PutBe32(out, static_cast<quint32>(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    PutBe32(out, Crc32(body));
    return out;
}

// A PNG made byte by byte: rows are the filtered scanlines (each starts with its filter byte);
// extra chunks (palette, transparency) go between the header and the data.
QByteArray Png(int width, int height, int bitDepth, int colourType, const QByteArray& rows,
               const QByteArray& extraChunks = QByteArray()) {
    QByteArray header;
    PutBe32(header, static_cast<quint32>(width));
    PutBe32(header, static_cast<quint32>(height));
    header.append(static_cast<char>(bitDepth));
    header.append(static_cast<char>(colourType));
    header.append(3, '\0'); // deflate, adaptive filtering, not interlaced
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + extraChunks +
           Chunk("IDAT", qCompress(rows).mid(4)) + Chunk("IEND", QByteArray());
}

// Colours that differ from pixel to pixel, with every kind of alpha: opaque, semi-transparent,
// nearly and fully transparent.
QRgb Sample(int x, int y) {
    static const int alphas[] = {0xFF, 0x80, 0x01, 0x00, 0xC0};
    const int r = (x * 53 + y * 7 + 19) & 0xFF;
    const int g = (x * 11 + y * 71 + 101) & 0xFF;
    const int b = (x * 29 + y * 43 + 3) & 0xFF;
    return qRgba(r, g, b, alphas[(x + 2 * y) % 5]);
}

enum class PngKind { Rgb, Rgba, Rgba16, Palette, GreyAlpha };

// A PNG of the sample colours, and the picture it must give: every pixel as on white paper.
QByteArray SamplePng(int width, int height, PngKind kind, QImage* expected) {
    QByteArray rows;
    QByteArray palette, transparency;
    *expected = QImage(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        rows.append('\0');
        for (int x = 0; x < width; ++x) {
            const QRgb c = Sample(x, y);
            const int grey = qRed(c);
            switch (kind) {
            case PngKind::Rgb:
                rows.append(static_cast<char>(qRed(c)));
                rows.append(static_cast<char>(qGreen(c)));
                rows.append(static_cast<char>(qBlue(c)));
                expected->setPixel(x, y, c | 0xFF000000u);
                break;
            case PngKind::Rgba:
                for (int v : {qRed(c), qGreen(c), qBlue(c), qAlpha(c)})
                    rows.append(static_cast<char>(v));
                expected->setPixel(x, y, OnWhite(c));
                break;
            case PngKind::Rgba16: // each 8-bit value v as v * 257, so that it reads back as v
                for (int v : {qRed(c), qGreen(c), qBlue(c), qAlpha(c)})
                    rows.append(2, static_cast<char>(v));
                expected->setPixel(x, y, OnWhite(c));
                break;
            case PngKind::Palette: { // one entry a pixel, with its own alpha
                const int index = y * width + x;
                for (int v : {qRed(c), qGreen(c), qBlue(c)})
                    palette.append(static_cast<char>(v));
                transparency.append(static_cast<char>(qAlpha(c)));
                rows.append(static_cast<char>(index));
                expected->setPixel(x, y, OnWhite(c));
                break;
            }
            case PngKind::GreyAlpha:
                rows.append(static_cast<char>(grey));
                rows.append(static_cast<char>(qAlpha(c)));
                expected->setPixel(x, y, OnWhite(qRgba(grey, grey, grey, qAlpha(c))));
                break;
            }
        }
    }
    switch (kind) {
    case PngKind::Rgb:
        return Png(width, height, 8, 2, rows);
    case PngKind::Rgba:
        return Png(width, height, 8, 6, rows);
    case PngKind::Rgba16:
        return Png(width, height, 16, 6, rows);
    case PngKind::Palette:
        Q_ASSERT(width * height <= 256);
        return Png(width, height, 8, 3, rows, Chunk("PLTE", palette) + Chunk("tRNS", transparency));
    case PngKind::GreyAlpha:
        return Png(width, height, 8, 4, rows);
    }
    return QByteArray();
}

// A bottom-up BMP of the sample colours with a 40-byte header, 24 bits a pixel or 32 with the
// alpha in the fourth byte (it shows on white).
QByteArray SampleBmp(int width, int height, int bits, QImage* expected) {
    const int stride = (width * bits / 8 + 3) / 4 * 4;
    QByteArray bytes(54 + stride * height, '\0');
    auto put32 = [&bytes](int at, quint32 v) { qToLittleEndian(v, bytes.data() + at); };
    auto put16 = [&bytes](int at, quint16 v) { qToLittleEndian(v, bytes.data() + at); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<quint32>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<quint32>(width));
    put32(22, static_cast<quint32>(height));
    put16(26, 1);
    put16(28, static_cast<quint16>(bits));
    put32(34, static_cast<quint32>(stride * height));
    *expected = QImage(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        char* p = bytes.data() + 54 + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = Sample(x, y);
            *p++ = static_cast<char>(qBlue(c));
            *p++ = static_cast<char>(qGreen(c));
            *p++ = static_cast<char>(qRed(c));
            if (bits == 32)
                *p++ = static_cast<char>(qAlpha(c));
            expected->setPixel(x, y, bits == 32 ? OnWhite(c) : c | 0xFF000000u);
        }
    }
    return bytes;
}

// Where a bitmap differs from a picture (alpha aside); empty when it is the same.
QString Difference(const TBitmap& bitmap, const QImage& expected) {
    if (bitmap.Width() != expected.width() || bitmap.Height() != expected.height())
        return QStringLiteral("the bitmap is %1 x %2, expected %3 x %4")
            .arg(bitmap.Width())
            .arg(bitmap.Height())
            .arg(expected.width())
            .arg(expected.height());
    int count = 0;
    QString first;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const TColor want = FromQRgb(expected.pixel(x, y));
            const TColor got = bitmap.Pixel(x, y);
            if (got != want && count++ == 0)
                first = QStringLiteral("(%1, %2) is %3, expected %4")
                            .arg(x)
                            .arg(y)
                            .arg(got, 6, 16, QLatin1Char('0'))
                            .arg(want, 6, 16, QLatin1Char('0'));
        }
    return count == 0 ? QString() : QStringLiteral("%1 pixels differ, %2").arg(count).arg(first);
}

QImage Opaque(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
    return out;
}

using Offered = QMap<QString, QByteArray>;

// Another program's offer that records what this program asks of it: the list of formats and
// the bytes in a format. A format listed with no bytes sends nothing, as an X11 owner does that
// does not answer in time; on X11 each request then waits about 5 s.
class RecordingOffer : public QMimeData {
public:
    explicit RecordingOffer(Offered offered) : offered_(std::move(offered)) {}
    QStringList formats() const override {
        asked << QStringLiteral("formats");
        return offered_.keys();
    }
    mutable QStringList asked;

protected:
    QVariant retrieveData(const QString& format, qtcompat::MimeDataType) const override {
        asked << format;
        return offered_.value(format);
    }

private:
    Offered offered_;
};

} // namespace

class TestClipboard : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs_;

    // Runs a draw from the clipboard, failing the test if anything escapes it.
    bool DrawCatching(std::int32_t x, std::int32_t y, TBitmap& bitmap) {
        try {
            return DrawFromClipboard(x, y, bitmap);
        } catch (const std::exception& error) {
            QTest::qFail(
                qPrintable(
                    QStringLiteral("the draw threw: %1").arg(QString::fromUtf8(error.what()))),
                __FILE__, __LINE__);
        }
        return false;
    }

private slots:
    void init() {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() {
        const int remaining = dialogs_->Remaining();
        dialogs_.reset();
        QGuiApplication::clipboard()->clear();
        QCOMPARE(remaining, 0);
    }

    // ---- putting the picture there ----

    void putOffersTheWholePictureAsItIs() {
        FakeClipboard clipboard;
        TBitmap picture(761, 505);
        FillNoise(picture, 7);
        QVERIFY(PutToClipboard(picture));
        QCOMPARE(clipboard.taken.size(), 1);
        QCOMPARE(Difference(picture, clipboard.taken.first()), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void aRefusedPutShowsAnErrorBox_data() {
        QTest::addColumn<bool>("throws");
        QTest::newRow("refused") << false;
        QTest::newRow("failing") << true;
    }
    void aRefusedPutShowsAnErrorBox() {
        QFETCH(bool, throws);
        FakeClipboard clipboard;
        clipboard.accept = false;
        clipboard.fail = throws;
        TBitmap picture(40, 30);
        FillNoise(picture, 3);
        const QImage before = picture.Image().copy();

        dialogs_->ExpectMessage(TModalResult::Ok);
        QVERIFY(!PutToClipboard(picture));
        QCOMPARE(dialogs_->Prompts().size(), 1);
        const RecordedPrompt& prompt = dialogs_->Prompts().first();
        QCOMPARE(prompt.kind, RecordedPrompt::Kind::Message);
        QCOMPARE(prompt.msgKind, TMsgKind::Error);
        QCOMPARE(prompt.buttons, TMsgButtons::Ok);
        QCOMPARE(prompt.text, kWriteFailed);
        QCOMPARE(Difference(picture, before), QString());
    }

    // ---- drawing the clipboard's image ----

    void drawsOpaquelyAtItsOwnSizeCutAtTheEdges_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");

        QImage alpha(30, 20, QImage::Format_ARGB32);
        for (int y = 0; y < alpha.height(); ++y)
            for (int x = 0; x < alpha.width(); ++x)
                alpha.setPixel(x, y, Sample(x, y));
        QImage indexed(12, 9, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(200, 10, 10), qRgba(10, 200, 10, 0), qRgba(1, 2, 250, 99)});
        for (int y = 0; y < indexed.height(); ++y)
            for (int x = 0; x < indexed.width(); ++x)
                indexed.setPixel(x, y, static_cast<uint>((x + y) % 3));
        QImage mono(17, 5, QImage::Format_Mono);
        mono.setColorTable({qRgb(255, 255, 0), qRgb(0, 0, 128)});
        for (int y = 0; y < mono.height(); ++y)
            for (int x = 0; x < mono.width(); ++x)
                mono.setPixel(x, y, static_cast<uint>((x * y) % 2));

        QTest::newRow("10 x 10 at the corner") << NoiseImage(10, 10, 1) << 0 << 0;
        QTest::newRow("larger than the bitmap") << NoiseImage(100, 80, 2) << 0 << 0;
        QTest::newRow("as wide, taller") << NoiseImage(64, 70, 3) << 0 << 0;
        QTest::newRow("over the right and bottom edges") << NoiseImage(30, 30, 4) << 50 << 35;
        QTest::newRow("over the left and top edges") << NoiseImage(30, 30, 5) << -7 << -11;
        QTest::newRow("wholly outside") << NoiseImage(30, 30, 6) << 64 << 0;
        QTest::newRow("with alpha") << alpha << 0 << 0;
        QTest::newRow("24-bit") << NoiseImage(25, 15, 8).convertToFormat(QImage::Format_RGB888) << 3
                                << 4;
        QTest::newRow("palette with alpha") << indexed << 0 << 0;
        QTest::newRow("two colours") << mono << 0 << 0;
    }
    void drawsOpaquelyAtItsOwnSizeCutAtTheEdges() {
        QFETCH(QImage, image);
        QFETCH(int, x);
        QFETCH(int, y);
        FakeClipboard clipboard;
        clipboard.offered = image;
        TBitmap bitmap(64, 48);
        FillNoise(bitmap, 99);
        const QImage before = bitmap.Image().copy();

        QVERIFY(DrawCatching(x, y, bitmap));
        QCOMPARE(Difference(bitmap, Drawn(before, image, x, y)), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    void withoutAnImageDrawsNothing_data() {
        QTest::addColumn<bool>("nullImage");
        QTest::newRow("nothing") << false;
        QTest::newRow("an empty image") << true;
    }
    void withoutAnImageDrawsNothing() {
        QFETCH(bool, nullImage);
        FakeClipboard clipboard;
        if (nullImage)
            clipboard.offered = QImage();
        TBitmap bitmap(64, 48);
        FillNoise(bitmap, 5);
        const QImage before = bitmap.Image().copy();
        QVERIFY(!DrawCatching(0, 0, bitmap));
        QCOMPARE(clipboard.reads, 1);
        QCOMPARE(Difference(bitmap, before), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // ---- the system clipboard of this process ----

    void aPutPictureComesBackUnchanged() {
        TBitmap picture(761, 505);
        FillNoise(picture, 11);
        QVERIFY(PutToClipboard(picture));
        // Other programs are served what Qt holds: the picture at its full size.
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(761, 505));
        QCOMPARE(Difference(picture, QGuiApplication::clipboard()->image()), QString());

        TBitmap target(800, 400);
        FillColor(target, clWhite);
        const QImage before = target.Image().copy();
        QVERIFY(DrawCatching(0, 0, target));
        QCOMPARE(Difference(target, Drawn(before, picture.Image(), 0, 0)), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());

        // Drawn back onto the picture it came from: in place nothing changes, shifted it moves.
        const QImage atCopy = picture.Image().copy();
        QVERIFY(DrawCatching(0, 0, picture));
        QCOMPARE(Difference(picture, atCopy), QString());
        QVERIFY(DrawCatching(7, 5, picture));
        QCOMPARE(Difference(picture, Drawn(atCopy, atCopy, 7, 5)), QString());
    }

    // Other programs get the picture as a PNG made once per copy: every request, in Qt's own
    // target too, gets the same bytes. Noise is stored, rows longer than a stored block split;
    // few colours make a palette, compressed unless they are noise; many colours that repeat are
    // compressed.
    void aPutPictureIsServedAsOnePng_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        // 0: noise of every colour; -1: a smooth gradient; -2: with a photo below its first quarter
        QTest::addColumn<int>("colours");
        QTest::addColumn<double>("atMost"); // bytes of the PNG a pixel
        QTest::newRow("761 x 505") << 761 << 505 << 0 << 3.1;
        QTest::newRow("one pixel") << 1 << 1 << 0 << 100.0;
        QTest::newRow("rows longer than a block") << 22000 << 3 << 0 << 3.1;
        QTest::newRow("a drawing") << 761 << 505 << 5 << 0.05;
        QTest::newRow("noise of 256 colours") << 300 << 200 << 256 << 1.1;
        QTest::newRow("a gradient of 65536 colours") << 256 << 256 << -1 << 0.5;
        QTest::newRow("a gradient with a photo") << 256 << 256 << -2 << 2.0;
    }
    void aPutPictureIsServedAsOnePng() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, colours);
        QFETCH(double, atMost);
        TBitmap picture(width, height);
        FillNoise(picture, 13);
        QImage& pixels = picture.MutableImage();
        for (int y = 0; y < height && colours != 0; ++y)
            for (int x = 0; x < width; ++x)
                pixels.setPixel(
                    x, y,
                    colours == -2 && y >= height / 4
                        ? qRgb(x / 2 + pixels.pixel(x, y) % 29, y / 2 + pixels.pixel(x, y) % 31, 99)
                    : colours < 0 ? qRgb(x, y, 99)
                    : colours > 5 ? qRgb(pixels.pixel(x, y) % colours, 1, 2)
                    : (x / 40 + y / 30) % 3 == 0 && (x + y) % 8 == 0
                        ? qRgb(0, 0, 255 - (x / 40 + y / 30) % colours)
                        : qRgb(255, 255, 255));
        QVERIFY(PutToClipboard(picture));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        const QByteArray png = data->data(QStringLiteral("image/png"));
        QCOMPARE(Difference(picture, QImage::fromData(png, "PNG")), QString());
        QVERIFY2(png.size() <= atMost * width * height, qPrintable(QString::number(png.size())));
        QCOMPARE(data->data(QStringLiteral("image/png")).constData(), png.constData());
        QCOMPARE(data->data(QStringLiteral("application/x-qt-image")).constData(), png.constData());
    }

    void thePutPictureStaysAsItWasWhenThePictureChanges() {
        TBitmap picture(120, 90);
        FillNoise(picture, 12);
        const QImage atCopy = picture.Image().copy();
        QVERIFY(PutToClipboard(picture));
        TCanvas& canvas = picture.Canvas();
        canvas.Brush = {bsSolid, clRed};
        canvas.FillRect({10, 10, 100, 80});
        canvas.Pen = {psSolid, pmNotXor, clBlack, 1};
        canvas.Rectangle(0, 0, 120, 90);
        picture.MutableImage().setPixel(0, 0, 0xFF123456u);

        TBitmap target(120, 90);
        QVERIFY(DrawCatching(0, 0, target));
        QCOMPARE(Difference(target, atCopy), QString());
    }

    void imagesOfOtherPrograms_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<bool>("decodedByQt");

        struct Row {
            const char* name;
            const char* format;
            QByteArray bytes;
            QImage expected;
        };
        QList<Row> rows;
        QImage expected;
        QByteArray bytes = SamplePng(20, 12, PngKind::Rgb, &expected);
        rows.append({"PNG", "image/png", bytes, expected});
        bytes = SamplePng(20, 12, PngKind::Rgba, &expected);
        rows.append({"PNG with transparent pixels", "image/png", bytes, expected});
        bytes = SamplePng(20, 12, PngKind::Rgba16, &expected);
        rows.append({"16-bit PNG with transparent pixels", "image/png", bytes, expected});
        bytes = SamplePng(16, 12, PngKind::Palette, &expected);
        rows.append({"PNG with a transparent palette", "image/png", bytes, expected});
        bytes = SamplePng(20, 12, PngKind::GreyAlpha, &expected);
        rows.append({"grey PNG with transparent pixels", "image/png", bytes, expected});
        bytes = SamplePng(90, 70, PngKind::Rgba, &expected);
        rows.append({"PNG larger than the bitmap", "image/png", bytes, expected});
        bytes = SampleBmp(21, 13, 24, &expected);
        rows.append({"BMP", "image/bmp", bytes, expected});
        bytes = SampleBmp(21, 13, 32, &expected);
        rows.append({"32-bit BMP with alpha", "image/bmp", bytes, expected});
        bytes = SampleBmp(21, 13, 24, &expected);
        rows.append({"BMP under its older name", "image/x-bmp", bytes, expected});
        bytes = Encoded(NoiseImage(33, 17, 21), "JPEG", 90);
        rows.append({"JPEG", "image/jpeg", bytes, Opaque(QImage::fromData(bytes, "JPEG"))});

        for (const Row& row : rows) {
            QTest::addRow("%s", row.name)
                << QString::fromLatin1(row.format) << row.bytes << row.expected << false;
            QTest::addRow("%s, as X11 offers it", row.name)
                << QString::fromLatin1(row.format) << row.bytes << row.expected << true;
        }
    }
    void imagesOfOtherPrograms() {
        QFETCH(QString, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(bool, decodedByQt);
        QVERIFY(!expected.isNull());
        Offer({{format, bytes}, {QStringLiteral("text/plain"), "a picture"}}, decodedByQt);

        TBitmap bitmap(64, 48);
        FillNoise(bitmap, 17);
        const QImage before = bitmap.Image().copy();
        QVERIFY(DrawCatching(0, 0, bitmap));
        QCOMPARE(Difference(bitmap, Drawn(before, expected, 0, 0)), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // Without a picture nothing happens; a picture that is listed but does not come, or cannot
    // be read, is reported with the reason.
    void nothingUsableOnTheClipboard_data() {
        QTest::addColumn<Offered>("offered");
        QTest::addColumn<bool>("decodedByQt");
        QTest::addColumn<QString>("reported"); // a part of the error's text

        QImage unused;
        const QByteArray png = SamplePng(20, 12, PngKind::Rgb, &unused);
        QByteArray corrupt = png;
        for (int i = 60; i < corrupt.size() - 12; ++i)
            corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
        QByteArray hugeBmp = SampleBmp(4, 4, 24, &unused);
        hugeBmp.replace(18, 8, QByteArray::fromHex("409c0000409c0000")); // 40000 x 40000
        const QByteArray text = "Limnora";

        const char* tooLarge = "из другой программы слишком велик";
        const char* damaged = "другая программа передала его повреждённым (";
        const char* unreadable = "не вставлен:\n";
        struct Row {
            const char* name;
            Offered offered;
            const char* reported;
        };
        const QList<Row> rows{
            {"empty", {}, ""},
            {"text", {{QStringLiteral("text/plain"), text}}, ""},
            {"files",
             {{QStringLiteral("text/uri-list"), "file:///tmp/picture.png\r\n"},
              {QStringLiteral("text/plain"), "/tmp/picture.png"}},
             ""},
            {"a page", {{QStringLiteral("text/html"), "<img src=\"picture.png\">"}}, ""},
            {"a 40000 x 40000 PNG",
             {{QStringLiteral("image/png"), PngHeaderOnly(40000, 40000)}},
             tooLarge},
            {"a 70000 x 1 PNG",
             {{QStringLiteral("image/png"), Encoded(NoiseImage(70000, 1, 4), "PNG")}},
             tooLarge},
            {"a 1 x 70000 PNG",
             {{QStringLiteral("image/png"), Encoded(NoiseImage(1, 70000, 5), "PNG")}},
             tooLarge},
            {"a 20000 x 14000 PNG",
             {{QStringLiteral("image/png"), PngHeaderOnly(20000, 14000)}},
             tooLarge},
            {"a 40000 x 40000 BMP", {{QStringLiteral("image/bmp"), hugeBmp}}, tooLarge},
            {"a corrupt PNG", {{QStringLiteral("image/png"), corrupt}}, damaged},
            {"a cut-off PNG", {{QStringLiteral("image/png"), png.left(png.size() / 2)}}, damaged},
            {"text called a PNG", {{QStringLiteral("image/png"), text}}, unreadable},
            {"nothing called a PNG", {{QStringLiteral("image/png"), QByteArray()}}, "вовремя"},
            {"a cut-off BMP", {{QStringLiteral("image/bmp"), hugeBmp.left(40)}}, damaged},
        };
        for (const Row& row : rows) {
            const QString reported = QString::fromUtf8(row.reported);
            QTest::addRow("%s", row.name) << row.offered << false << reported;
            QTest::addRow("%s, as X11 offers it", row.name) << row.offered << true << reported;
        }
    }
    void nothingUsableOnTheClipboard() {
        QFETCH(Offered, offered);
        QFETCH(bool, decodedByQt);
        QFETCH(QString, reported);
        Offer(offered, decodedByQt);

        TBitmap bitmap(64, 48);
        FillNoise(bitmap, 23);
        const QImage before = bitmap.Image().copy();
        QString thrown;
        try {
            QVERIFY(!DrawFromClipboard(0, 0, bitmap));
        } catch (const EditorError& error) {
            thrown = error.Text();
        }
        QVERIFY2(reported.isEmpty() ? thrown.isEmpty() : thrown.contains(reported),
                 qPrintable(thrown));
        QCOMPARE(Difference(bitmap, before), QString());
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // Only the formats the other program lists are asked for, the list once, BMP before PNG (it
    // is made faster), and nothing more after a request that brings nothing. A small BMP without
    // alpha is followed by the PNG, which may keep the alpha the BMP lost; the BMP's picture stays
    // when the PNG does not come.
    void otherProgramsAreAskedOnlyWhatTheyListAndNothingAfterNothing_data() {
        QTest::addColumn<Offered>("offered");
        QTest::addColumn<QStringList>("asked");
        // 1: the picture; 2: the PNG's, on white; 0: nothing; -1: nothing, reported
        QTest::addColumn<int>("drawn");
        QImage unused;
        const QByteArray bmp = SampleBmp(21, 13, 24, &unused);
        const QByteArray pngBytes = SamplePng(21, 13, PngKind::Rgba, &unused);
        QByteArray opaque = SampleBmp(21, 13, 32, &unused); // its alpha says: every pixel opaque
        for (int i = 54 + 3; i < opaque.size(); i += 4)
            opaque[i] = '\xff';
        const QString png = QStringLiteral("image/png"), bmpFormat = QStringLiteral("image/bmp");
        const QString formats = QStringLiteral("formats");
        QTest::newRow("no answer to the list") << Offered{} << QStringList{formats} << 0;
        QTest::newRow("text and a BMP")
            << Offered{{QStringLiteral("text/plain"), "a"}, {bmpFormat, bmp}}
            << QStringList{formats, bmpFormat} << 1;
        QTest::newRow("a PNG and a BMP") << Offered{{png, pngBytes}, {bmpFormat, bmp}}
                                         << QStringList{formats, bmpFormat, png} << 2;
        QTest::newRow("a BMP and a PNG that does not come")
            << Offered{{png, {}}, {bmpFormat, bmp}} << QStringList{formats, bmpFormat, png} << 1;
        QTest::newRow("a 32-bit BMP with alpha and a PNG")
            << Offered{{png, pngBytes}, {bmpFormat, opaque}} << QStringList{formats, bmpFormat}
            << 1;
        QTest::newRow("no answer for a BMP, then a PNG")
            << Offered{{bmpFormat, {}}, {png, pngBytes}} << QStringList{formats, bmpFormat} << -1;
        QTest::newRow("a BMP that is text, then a PNG")
            << Offered{{bmpFormat, "Limnora"}, {png, pngBytes}}
            << QStringList{formats, bmpFormat, png} << 2;
    }
    void otherProgramsAreAskedOnlyWhatTheyListAndNothingAfterNothing() {
        QFETCH(Offered, offered);
        QFETCH(QStringList, asked);
        QFETCH(int, drawn);
        auto* offer = new RecordingOffer(offered);
        QGuiApplication::clipboard()->setMimeData(offer);
        TBitmap bitmap(64, 48);
        FillNoise(bitmap, 29);
        QImage expected;
        if (drawn == 2)
            SamplePng(21, 13, PngKind::Rgba, &expected);
        else
            SampleBmp(21, 13, 24, &expected);
        expected = drawn > 0 ? Drawn(bitmap.Image(), expected, 0, 0) : bitmap.Image().copy();
        bool reported = false, result = false;
        try {
            result = DrawFromClipboard(0, 0, bitmap);
        } catch (const EditorError&) {
            reported = true;
        }
        QCOMPARE(reported, drawn < 0);
        QCOMPARE(result, drawn > 0);
        QCOMPARE(Difference(bitmap, expected), QString());
        QCOMPARE(offer->asked, asked);
        QVERIFY(dialogs_->Prompts().isEmpty());
    }

    // Emptied after this program's own copy: nothing is drawn.
    void anEmptiedClipboardHoldsNothing() {
        TBitmap picture(30, 20);
        FillNoise(picture, 31);
        QVERIFY(PutToClipboard(picture));
        QGuiApplication::clipboard()->clear();
        TBitmap bitmap(64, 48);
        FillNoise(bitmap, 32);
        const QImage before = bitmap.Image().copy();
        QVERIFY(!DrawCatching(0, 0, bitmap));
        QCOMPARE(Difference(bitmap, before), QString());
    }
};

LIMNORA_TEST_CLASS(TestClipboard)
#include "tst_clipboard.moc"
