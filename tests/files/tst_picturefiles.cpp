// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Picture files on real bytes: every BMP variant opens to its exact pixels, damaged and oversized
// files are refused without harm, saving writes an exact 24-bit BMP and a failed save leaves the
// old file as it was.
#include "clipboard/OfferedImage.h"
#include "files/PictureFiles.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/PictureSamples.h"
#include "support/FakeClipboard.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"
#include "support/TestRunner.h"
#include "system/EditorError.h"
#include "system/Memory.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <malloc.h>
#include <memory>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using samples::BmpLayout;
using samples::Sample;

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text); // spaces and line breaks are skipped
}

QImage ReadBytes(const QByteArray& bytes, std::int64_t maxPixels = kMaxBitmapPixels) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ReadPicture(buffer, maxPixels);
}

// The pixels a picture opens to in the editor: read, then made 24-bit colour by the bitmap.
QVector<QRgb> Opened(const QImage& image, int* width = nullptr, int* height = nullptr) {
    TBitmap bitmap;
    bitmap.AssignImage(image);
    if (width != nullptr)
        *width = bitmap.Width();
    if (height != nullptr)
        *height = bitmap.Height();
    QVector<QRgb> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            pixels << ToQRgb(bitmap.Pixel(x, y));
    return pixels;
}

// Empty when equal; otherwise the first differing pixel.
QString PixelDifference(const QVector<QRgb>& actual, const QVector<QRgb>& expected, int width) {
    if (actual.size() != expected.size())
        return QStringLiteral("%1 pixels instead of %2").arg(actual.size()).arg(expected.size());
    for (int i = 0; i < actual.size(); ++i)
        if ((actual[i] | 0xFF000000u) != (expected[i] | 0xFF000000u))
            return QStringLiteral("at (%1, %2): %3 instead of %4")
                .arg(i % width)
                .arg(i / width)
                .arg(actual[i] & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                .arg(expected[i] & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    return {};
}

// Runs a statement that must not throw: a refusal fails the test with its reason (an exception
// escaping a test function would end the whole test program).
#define MUST_SUCCEED(statement)                                                                    \
    try {                                                                                          \
        statement;                                                                                 \
    } catch (const EditorError& error) {                                                           \
        QFAIL(qPrintable(QStringLiteral("refused: ") + error.Text()));                             \
    }

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EditorError& error) {
        return error.Text();
    }
    return {};
}

// By a plain string, not a QString: a reference returned for a temporary argument is what GCC 14
// warns about (-Wdangling-reference).
const Sample& SampleNamed(const char* name) {
    static const QVector<Sample> all = samples::BmpSamples();
    for (const Sample& s : all)
        if (s.name == QLatin1String(name))
            return s;
    qFatal("no sample %s", name);
}

// The 54 bytes that start a 24-bit BMP of this size as the editor writes it.
QByteArray WrittenHeader(int width, int height) {
    const quint32 stride = (static_cast<quint32>(width) * 3 + 3) / 4 * 4;
    const quint32 data = stride * static_cast<quint32>(height);
    samples::Bytes b;
    b.U8('B').U8('M').U32(54 + data).U32(0).U32(54);
    b.U32(40).I32(width).I32(height).U16(1).U16(24).U32(0).U32(data).U32(3780).U32(3780);
    b.U32(0).U32(0);
    return b.data;
}

// A buffer that remembers how far into it anything was read.
class CountingBuffer : public QBuffer {
public:
    using QBuffer::QBuffer;
    qint64 furthest = 0;

protected:
    qint64 readData(char* data, qint64 size) override {
        const qint64 n = QBuffer::readData(data, size);
        furthest = std::max(furthest, pos() + std::max<qint64>(n, 0));
        return n;
    }
};

// A save file whose writes fail once `limit` bytes have been written, the way a full disk does:
// the bytes that still fit are written, then the write reports an error.
class FailingSaveFile : public QSaveFile {
public:
    FailingSaveFile(const QString& name, qint64 limit, QString reason)
        : QSaveFile(name), limit_(limit), reason_(std::move(reason)) {}

protected:
    qint64 writeData(const char* data, qint64 size) override {
        if (written_ + size <= limit_) {
            written_ += size;
            return QSaveFile::writeData(data, size);
        }
        if (limit_ > written_)
            QSaveFile::writeData(data, limit_ - written_);
        written_ = limit_;
        setErrorString(reason_);
        return -1;
    }

private:
    qint64 limit_;
    qint64 written_ = 0;
    QString reason_;
};

// A small tmpfs over a directory, unmounted when it goes out of scope. Needs root (or
// CAP_SYS_ADMIN); Mounted() tells whether the machine allowed it.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& dir) : dir_(QFile::encodeName(dir)) {
        mounted_ = ::mount("limnora-test", dir_.constData(), "tmpfs", 0, "size=64k") == 0;
        if (!mounted_)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallFileSystem() {
        if (mounted_)
            ::umount2(dir_.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool Mounted() const { return mounted_; }
    QString Error() const { return error_; }
    bool MakeReadOnly() {
        return ::mount("limnora-test", dir_.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                       "size=64k") == 0;
    }

private:
    QByteArray dir_;
    bool mounted_ = false;
    QString error_;
};

long MaxResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A 16 x 16 JPEG of one colour, 40 120 200.
QByteArray FlatJpeg() {
    QImage flat(16, 16, QImage::Format_RGB32);
    flat.fill(qRgb(40, 120, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(flat);
    return jpeg;
}

// Runs a read in a child process, whose peak memory is its own, after `warmUp` there: how much
// its peak resident size grew, in kB, whether the child ended normally, and the read's error
// (empty when it read a picture, or nothing) or the pixels it opened to.
struct ChildRead {
    bool ended = false;
    long grownKb = -1;
    QString error;
    QVector<QRgb> pixels;
};
ChildRead ReadInChild(const std::function<QImage()>& read,
                      const std::function<QImage()>& warmUp = {}) {
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    // Qt before 6.6 converts large pictures in the threads of the global pool, which a child would
    // wait for in vain: it has none of them (Qt's own pool of later versions is off, TestMain.cpp).
    // The pool gives them up here and starts its own in the child, without GLib there (Qt 5
    // would make a GLib event loop for each, on locks held at the fork).
    QThreadPool::globalInstance()->waitForDone();
    const pid_t child = ::fork();
    if (child == 0) {
        qputenv("QT_NO_THREADED_GLIB", "1");
        ::close(channel[0]);
        QString error = warmUp ? ErrorOf([&] { warmUp(); }) : QString();
        // Pages of 4 kB, whatever the system's policy on huge pages: what is counted is what the
        // read touches, not how the kernel rounds it (by up to 2 MB a buffer, within
        // kMemoryMargin). The memory not in use goes back to the system, as a large picture's
        // does (glibc maps anything over 32 MB of its own), and the peak starts again from the
        // resident size.
        ::prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
        malloc_trim(0);
        PutFile(QStringLiteral("/proc/self/clear_refs"), "5");
        const long before = MaxResidentKilobytes();
        QVector<QRgb> pixels;
        error += ErrorOf([&] {
            const QImage image = read();
            if (!image.isNull())
                pixels = Opened(image);
        });
        QByteArray report;
        QDataStream(&report, QIODevice::WriteOnly)
            << qint64{MaxResidentKilobytes() - before} << error << pixels;
        for (qsizetype at = 0; at < report.size();) {
            const ssize_t n = ::write(channel[1], report.constData() + at, report.size() - at);
            if (n <= 0)
                break;
            at += n;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray report;
    char buffer[1 << 16];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ChildRead result;
    qint64 grown = -1;
    QDataStream(report) >> grown >> result.error >> result.pixels;
    result.grownKb = static_cast<long>(grown);
    result.ended = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !report.isEmpty();
    return result;
}

// A BMP header (40 bytes of info) with the given fields, and `tail` bytes of zeros after it.
QByteArray HeaderOnly(qint32 width, qint32 height, int bits, int compression, int tail = 16) {
    BmpLayout l;
    l.bits = bits;
    l.compression = compression;
    QByteArray bmp = samples::MakeBmp(l, 1, 1, QByteArray(tail, '\0'));
    bmp.replace(18, 8, samples::Bytes().I32(width).I32(height).data);
    return bmp;
}

// An 8-bit run-length encoded picture whose data is only the end-of-bitmap code: legal, and
// as small as a file of any size can be.
QByteArray EmptyRunLengths(int width, int height, int infoSize = 40) {
    BmpLayout l;
    l.infoSize = infoSize;
    l.bits = 8;
    l.compression = infoSize == 12 ? 0 : 1;
    l.palette = {qRgb(1, 2, 3)};
    return samples::MakeBmp(l, width, height, Hex("00 01"));
}

} // namespace

class TestPictureFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // ---- reading every variant ----

    void everyVariantOpensToItsPixels_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QVector<QRgb>>("pixels");
        for (const Sample& s : samples::BmpSamples())
            QTest::newRow(qPrintable(s.name)) << s.bytes << s.width << s.height << s.pixels;
    }
    void everyVariantOpensToItsPixels() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QVector<QRgb>, pixels);
        int w = 0, h = 0;
        QVector<QRgb> opened;
        MUST_SUCCEED(opened = Opened(ReadBytes(bytes), &w, &h));
        QCOMPARE(w, width);
        QCOMPARE(h, height);
        const QString difference = PixelDifference(opened, pixels, width);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        // The same from a file, with any name.
        const QString name = dir_.filePath(QStringLiteral("variant.dat"));
        QVERIFY(PutFile(name, bytes));
        QVector<QRgb> fromFile;
        MUST_SUCCEED(fromFile = Opened(ReadPicture(name)));
        QCOMPARE(fromFile, opened);
    }

    // Files written out by hand, byte by byte, with the pixels they hold by the BMP format.
    void handWrittenFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("width");
        QTest::addColumn<QVector<QRgb>>("pixels");
        QTest::newRow("24-bit bottom-up 2x2")
            << Hex("424D 46000000 00000000 36000000"
                   "28000000 02000000 02000000 0100 1800 00000000 10000000 130B0000 130B0000"
                   "00000000 00000000"
                   "010203 040506 0000  070809 0A0B0C 0000")
            << 2 << QVector<QRgb>{qRgb(9, 8, 7), qRgb(12, 11, 10), qRgb(3, 2, 1), qRgb(6, 5, 4)};
        QTest::newRow("24-bit top-down 2x2")
            << Hex("424D 46000000 00000000 36000000"
                   "28000000 02000000 FEFFFFFF 0100 1800 00000000 10000000 130B0000 130B0000"
                   "00000000 00000000"
                   "010203 040506 0000  070809 0A0B0C 0000")
            << 2 << QVector<QRgb>{qRgb(3, 2, 1), qRgb(6, 5, 4), qRgb(9, 8, 7), qRgb(12, 11, 10)};
        // Core header: 16-bit sides, three bytes a palette entry.
        QTest::newRow("1-bit core header 3x2")
            << Hex("424D 28000000 00000000 20000000"
                   "0C000000 0300 0200 0100 0100"
                   "000000 FF8000"
                   "A0000000 60000000")
            << 3 << QVector<QRgb>{qRgb(0, 0, 0),       qRgb(0, 0x80, 0xFF), qRgb(0, 0x80, 0xFF),
                                  qRgb(0, 0x80, 0xFF), qRgb(0, 0, 0),       qRgb(0, 0x80, 0xFF)};
        const QRgb p0 = qRgb(0x30, 0x20, 0x10), red = qRgb(255, 0, 0), green = qRgb(0, 255, 0);
        // Bottom row: a run of two, a move one right, a run of one. Middle row: a literal of
        // three, padded, ending the row early. Top row: a run of six cut at the row's end.
        // Skipped pixels take palette entry 0.
        QTest::newRow("RLE8 runs, literal, move, early end of row, run past the row")
            << Hex("424D 58000000 00000000 42000000"
                   "28000000 04000000 03000000 0100 0800 01000000 16000000 130B0000 130B0000"
                   "03000000 00000000"
                   "10203000 0000FF00 00FF0000"
                   "0201 00020100 0102 0000"
                   "0003 020102 00 0000"
                   "0601 0001")
            << 4 << QVector<QRgb>{red, red, red, red, green, red, green, p0, red, red, p0, green};
        const QRgb q0 = qRgb(0x33, 0x22, 0x11), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
        // A four-bit run alternates the two halves of its byte; a literal of three pixels uses
        // two bytes and leaves the last half unused.
        QTest::newRow("RLE4 alternating run, odd literal, move")
            << Hex("424D 56000000 00000000 46000000"
                   "28000000 05000000 02000000 0100 0400 02000000 10000000 130B0000 130B0000"
                   "04000000 00000000"
                   "11223300 FF000000 0000FF00 FFFFFF00"
                   "0512 0000"
                   "0003 3210 00020100 0133 0001")
            << 5 << QVector<QRgb>{white, red, blue, q0, white, blue, red, blue, red, blue};
        QTest::newRow("8-bit index past the palette reads as black")
            << Hex("424D 42000000 00000000 3E000000"
                   "28000000 03000000 01000000 0100 0800 00000000 04000000 130B0000 130B0000"
                   "02000000 00000000"
                   "01020300 04050600"
                   "000107 00")
            << 3 << QVector<QRgb>{qRgb(3, 2, 1), qRgb(6, 5, 4), qRgb(0, 0, 0)};
        QTest::newRow("16-bit plain 5-5-5 white and middle grey")
            << Hex("424D 3A000000 00000000 36000000"
                   "28000000 02000000 01000000 0100 1000 00000000 04000000 130B0000 130B0000"
                   "00000000 00000000"
                   "FF7F 1042")
            << 2 << QVector<QRgb>{qRgb(255, 255, 255), qRgb(132, 132, 132)};
        QTest::newRow("16-bit 5-6-5 bit fields")
            << Hex("424D 46000000 00000000 42000000"
                   "28000000 02000000 01000000 0100 1000 03000000 04000000 130B0000 130B0000"
                   "00000000 00000000"
                   "00F80000 E0070000 1F000000"
                   "FFFF 2108")
            << 2 << QVector<QRgb>{qRgb(255, 255, 255), qRgb(8, 4, 8)};
    }
    void handWrittenFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, width);
        QFETCH(QVector<QRgb>, pixels);
        int w = 0, h = 0;
        QVector<QRgb> opened;
        MUST_SUCCEED(opened = Opened(ReadBytes(bytes), &w, &h));
        QCOMPARE(w, width);
        QCOMPARE(h, pixels.size() / width);
        const QString difference = PixelDifference(opened, pixels, width);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A channel of n bits opens as value * 255 / (2^n - 1), rounded: the largest value is 255,
    // so a white 16-bit picture stays white. (Qt's own BMP reader shifts the value up instead,
    // 5-bit 31 giving 248, and turns channels wider than 8 bits black.)
    void channelsExpandToEightBits_data() {
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<int>("bits");    // of the pixel
        QTest::addColumn<int>("channel"); // 0 red, 1 green, 2 blue
        QTest::addColumn<QVector<int>>("expected");
        const QVector<int> five{0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                                90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                                181, 189, 197, 206, 214, 222, 230, 239, 247, 255};
        const QVector<int> six{0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  45,  49,
                               53,  57,  61,  65,  69,  73,  77,  81,  85,  89,  93,  97,  101,
                               105, 109, 113, 117, 121, 125, 130, 134, 138, 142, 146, 150, 154,
                               158, 162, 166, 170, 174, 178, 182, 186, 190, 194, 198, 202, 206,
                               210, 215, 219, 223, 227, 231, 235, 239, 243, 247, 251, 255};
        const QVector<int> four{0,   17,  34,  51,  68,  85,  102, 119,
                                136, 153, 170, 187, 204, 221, 238, 255};
        QTest::newRow("5-5-5 red") << 0x7C00u << 16 << 0 << five;
        QTest::newRow("5-5-5 green") << 0x03E0u << 16 << 1 << five;
        QTest::newRow("5-5-5 blue") << 0x001Fu << 16 << 2 << five;
        QTest::newRow("5-6-5 red") << 0xF800u << 16 << 0 << five;
        QTest::newRow("5-6-5 green") << 0x07E0u << 16 << 1 << six;
        QTest::newRow("5-6-5 blue") << 0x001Fu << 16 << 2 << five;
        QTest::newRow("4-4-4 green") << 0x00F0u << 16 << 1 << four;
        QTest::newRow("32-bit 6-bit red") << 0x3F000000u << 32 << 0 << six;
        QVector<int> ten; // a few values of a 10-bit channel
        for (int v = 0; v < 1024; ++v)
            ten << (v * 510 + 1023) / 2046;
        QCOMPARE(ten[1], 0);
        QCOMPARE(ten[2], 0);
        QCOMPARE(ten[3], 1);
        QCOMPARE(ten[512], 128);
        QCOMPARE(ten[1023], 255);
        QTest::newRow("10-10-10 blue") << 0x3FFu << 32 << 2 << ten;
    }
    void channelsExpandToEightBits() {
        QFETCH(quint32, mask);
        QFETCH(int, bits);
        QFETCH(int, channel);
        QFETCH(QVector<int>, expected);
        int shift = 0;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        QVector<quint32> values;
        for (int v = 0; v < expected.size(); ++v)
            values << (static_cast<quint32>(v) << shift);
        BmpLayout l;
        l.bits = bits;
        l.compression = 3;
        l.masks[channel] = mask;
        const int width = static_cast<int>(values.size());
        const QByteArray bmp =
            samples::MakeBmp(l, width, 1, samples::PackRows(values, width, 1, bits, false));
        QVector<QRgb> opened;
        MUST_SUCCEED(opened = Opened(ReadBytes(bmp)));
        QCOMPARE(opened.size(), width);
        for (int v = 0; v < width; ++v) {
            const QRgb p = opened[v];
            const int got[3] = {qRed(p), qGreen(p), qBlue(p)};
            QVERIFY2(got[channel] == expected[v] && got[(channel + 1) % 3] == 0 &&
                         got[(channel + 2) % 3] == 0,
                     qPrintable(QStringLiteral("value %1 opened as %2, expected %3")
                                    .arg(v)
                                    .arg(p & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                    .arg(expected[v])));
        }
    }

    // Alpha shows on white paper, as a page or another program showed the picture: a PNG's, a
    // GIF's transparent colour, a BMP's alpha mask or the fourth byte of its 32-bit pixels. A
    // BMP's alpha that is 0 in every pixel is a byte left unset: the colours stay as they are.
    void alphaShowsOnWhite_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVector<QRgb>>("expected");
        const QVector<QRgb> argb{0x00112233, 0x80445566, 0xFF778899, 0x01AABBCC};
        const QVector<QRgb> kept{qRgb(0x11, 0x22, 0x33), qRgb(0x44, 0x55, 0x66),
                                 qRgb(0x77, 0x88, 0x99), qRgb(0xAA, 0xBB, 0xCC)};
        QVector<QRgb> onWhite;
        for (const QRgb c : argb)
            onWhite << OnWhite(c);
        const QVector<quint32> values(argb.begin(), argb.end());
        const QByteArray rows = samples::PackRows(values, 4, 1, 32, false);
        QVector<quint32> unset;
        for (const QRgb c : kept)
            unset << (c & 0xFFFFFFu);
        const QByteArray unsetRows = samples::PackRows(unset, 4, 1, 32, false);
        for (int info : {40, 56, 108, 124}) {
            BmpLayout l;
            l.infoSize = info;
            l.bits = 32;
            l.compression = 3;
            l.masks[0] = 0xFF0000;
            l.masks[1] = 0xFF00;
            l.masks[2] = 0xFF;
            l.masks[3] = 0xFF000000;
            QTest::addRow("32-bit bit fields, %d-byte header", info)
                << samples::MakeBmp(l, 4, 1, rows) << onWhite;
            QTest::addRow("32-bit bit fields, %d-byte header, alpha 0 everywhere", info)
                << samples::MakeBmp(l, 4, 1, unsetRows) << kept;
        }
        BmpLayout plain;
        plain.bits = 32;
        QTest::newRow("32-bit plain, fourth byte")
            << samples::MakeBmp(plain, 4, 1, rows) << onWhite;
        QTest::newRow("32-bit plain, fourth byte 0 everywhere")
            << samples::MakeBmp(plain, 4, 1, unsetRows) << kept;
        QTest::newRow("PNG with alpha") << samples::MakePng(4, 1, argb) << onWhite;
        // A GIF whose third colour is transparent: a graphic control block before the frame.
        QByteArray gif = samples::MakeGif(4, 1, kept, {0, 1, 2, 3});
        gif.insert(13 + 4 * 3, QByteArray::fromHex("21f90401000002"
                                                   "00"));
        QTest::newRow("GIF with a transparent colour")
            << gif << QVector<QRgb>{kept[0], kept[1], qRgb(255, 255, 255), kept[3]};
    }
    void alphaShowsOnWhite() {
        QFETCH(QByteArray, bytes);
        QFETCH(QVector<QRgb>, expected);
        QVector<QRgb> opened;
        MUST_SUCCEED(opened = Opened(ReadBytes(bytes)));
        const QString difference = PixelDifference(opened, expected, 4);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A picture inside a larger device is read from the device's position.
    void readsFromTheDevicePosition() {
        const Sample& rle = SampleNamed("h40_rle8");
        const Sample& plain = SampleNamed("h108_16bit_fields565");
        for (const Sample* s : {&rle, &plain}) {
            QByteArray bytes = QByteArray("junk!") + s->bytes;
            QBuffer buffer(&bytes);
            QVERIFY(buffer.open(QIODevice::ReadOnly));
            QVERIFY(buffer.seek(5));
            MUST_SUCCEED(CheckBmp(buffer));
            QCOMPARE(buffer.pos(), 5); // CheckBmp leaves the device where it was
            QVector<QRgb> opened;
            MUST_SUCCEED(opened = Opened(ReadPicture(buffer)));
            const QString difference = PixelDifference(opened, s->pixels, s->width);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
    }

    // ---- other formats, whatever the file's name ----

    void otherFormatsOpenWhateverTheName_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVector<QRgb>>("pixels");
        QTest::addColumn<int>("tolerance");
        const QVector<QRgb> colors{qRgb(200, 10, 30), qRgb(5, 250, 60), qRgb(70, 80, 240),
                                   qRgb(255, 255, 255)};
        const QVector<int> indices{0, 1, 2, 3, 3, 2, 1, 0};
        QVector<QRgb> indexed;
        for (int i : indices)
            indexed << colors[i];
        const QByteArray png = samples::MakePng(4, 2, indexed);
        const QByteArray gif = samples::MakeGif(4, 2, colors, indices);
        for (const char* name : {"picture.bmp", "picture.BMP", "picture.png", "picture"}) {
            QTest::addRow("PNG as %s", name) << png << name << indexed << 0;
            QTest::addRow("GIF as %s", name) << gif << name << indexed << 0;
        }
        QTest::newRow("JPEG as picture.bmp")
            << FlatJpeg() << "picture.bmp" << QVector<QRgb>(16 * 16, qRgb(40, 120, 200)) << 3;
        const Sample& bmp = SampleNamed("h40_24bit");
        QVector<QRgb> bmpPixels = bmp.pixels;
        QTest::newRow("BMP as picture.png") << bmp.bytes << "picture.png" << bmpPixels << 0;
        QTest::newRow("BMP as picture.gif") << bmp.bytes << "picture.gif" << bmpPixels << 0;
    }
    void otherFormatsOpenWhateverTheName() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QVector<QRgb>, pixels);
        QFETCH(int, tolerance);
        const QString path = dir_.filePath(name);
        QVERIFY(PutFile(path, bytes));
        QVector<QRgb> opened;
        MUST_SUCCEED(opened = Opened(ReadPicture(path)));
        QCOMPARE(opened.size(), pixels.size());
        for (int i = 0; i < pixels.size(); ++i)
            QVERIFY2(std::abs(qRed(opened[i]) - qRed(pixels[i])) <= tolerance &&
                         std::abs(qGreen(opened[i]) - qGreen(pixels[i])) <= tolerance &&
                         std::abs(qBlue(opened[i]) - qBlue(pixels[i])) <= tolerance,
                     qPrintable(QStringLiteral("pixel %1: %2 instead of %3")
                                    .arg(i)
                                    .arg(opened[i] & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                    .arg(pixels[i] & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
    }

    // ---- refusals ----

    void unreadableContentIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QString unknown = QStringLiteral("Неизвестный формат рисунка");
        const QString unsupported = QStringLiteral("Такой рисунок BMP не поддерживается");
        const QString damaged = QStringLiteral("Файл повреждён");
        QTest::newRow("empty") << QByteArray() << unknown;
        QTest::newRow("text") << QByteArray("just some text\n") << unknown;
        QTest::newRow("PPM") << QByteArray("P6\n1 1\n255\n\x10\x20\x30", 14) << unknown;
        QTest::newRow("XPM") << QByteArray("/* XPM */\nstatic char* x[] = {\"1 1 1 1\", \". c "
                                           "#102030\", \".\"};\n")
                             << unknown;
        QTest::newRow("BM alone") << QByteArray("BM") << damaged;
        const Sample& s = SampleNamed("h40_24bit");
        auto patched = [&](int at, quint32 value, int size = 4) {
            QByteArray b = s.bytes;
            for (int i = 0; i < size; ++i)
                b[at + i] = static_cast<char>(value >> (8 * i));
            return b;
        };
        QTest::newRow("16-byte header") << patched(14, 16) << unsupported;
        QTest::newRow("20-byte header") << patched(14, 20) << unsupported;
        QTest::newRow("200-byte header") << patched(14, 200) << unsupported;
        QTest::newRow("0 bits") << patched(28, 0, 2) << unsupported;
        QTest::newRow("2 bits") << patched(28, 2, 2) << unsupported;
        QTest::newRow("64 bits") << patched(28, 64, 2) << unsupported;
        QTest::newRow("JPEG compression") << patched(30, 4) << unsupported;
        QTest::newRow("PNG compression") << patched(30, 5) << unsupported;
        QTest::newRow("alpha bit fields") << patched(30, 6) << unsupported;
        QTest::newRow("RLE8 on 24 bits") << patched(30, 1) << unsupported;
        QTest::newRow("bit fields on 24 bits") << patched(30, 3) << unsupported;
        const Sample& four = SampleNamed("h40_4bit");
        QByteArray rle8on4 = four.bytes;
        rle8on4[30] = 1;
        QTest::newRow("RLE8 on 4 bits") << rle8on4 << unsupported;
        QByteArray os2fields = SampleNamed("h64_16bit_plain555").bytes;
        os2fields[30] = 3;
        QTest::newRow("bit fields in the OS/2 header") << os2fields << unsupported;
        QTest::newRow("width 0") << patched(18, 0) << damaged;
        QTest::newRow("height 0") << patched(22, 0) << damaged;
        QTest::newRow("negative width") << patched(18, 0xFFFFFFF3u) << damaged;
        QTest::newRow("data inside the header") << patched(10, 20) << damaged;
        QTest::newRow("data past the end") << patched(10, 100000) << damaged;
    }
    void unreadableContentIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString error = ErrorOf([&] { ReadBytes(bytes); });
        QVERIFY2(error.startsWith(reason), qPrintable(error));
    }

    // Qt would load these and fill the missing rows with black.
    void truncatedFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cut");
        auto cuts = [](const char* name, const Sample& s, const QVector<int>& at) {
            for (int cut : at)
                QTest::addRow("%s cut to %d of %d", name, cut, int(s.bytes.size()))
                    << s.bytes << cut;
        };
        const Sample& rgb = SampleNamed("h40_24bit");
        const int rgbRow = 40; // 13 pixels of 3 bytes, padded
        cuts("24-bit", rgb,
             {2, 20, 40, 53, 54, 54 + rgbRow / 2, 54 + rgbRow, 54 + 4 * rgbRow + 7,
              int(rgb.bytes.size()) - 2, int(rgb.bytes.size()) - 1});
        const Sample& indexed = SampleNamed("h40_8bit");
        const int palette = 54 + 256 * 4;
        cuts("8-bit", indexed, {60, palette - 1, palette + 1, int(indexed.bytes.size()) - 1});
        const Sample& fields = SampleNamed("h40_16bit_fields565");
        cuts("16-bit bit fields", fields, {56, 65, 66, 66 + 28 * 3, int(fields.bytes.size()) - 1});
        const Sample& big = SampleNamed("h124_32bit_fields_alpha");
        cuts("32-bit, 124-byte header", big, {100, 137, 138 + 52, int(big.bytes.size()) - 3});
        const Sample& core = SampleNamed("h12_4bit");
        cuts("4-bit core header", core, {24, 26 + 16 * 3 - 1, int(core.bytes.size()) - 1});

        // Run-length data of the samples: the bottom row starts with a run of four, then a
        // literal of nine pixels; the last row ends with the pixels and the end-of-bitmap code.
        const Sample& rle8 = SampleNamed("h40_rle8");
        const int data8 = 54 + 256 * 4;
        QTest::addRow("RLE8 in the middle of a run") << rle8.bytes << data8 + 1;
        QTest::addRow("RLE8 in the middle of a literal") << rle8.bytes << data8 + 2 + 2 + 4;
        QTest::addRow("RLE8 before a literal's padding") << rle8.bytes << data8 + 2 + 2 + 9;
        QTest::addRow("RLE8 without the end-of-bitmap code")
            << rle8.bytes << int(rle8.bytes.size()) - 2;
        QTest::addRow("RLE8 with half the end-of-bitmap code")
            << rle8.bytes << int(rle8.bytes.size()) - 1;
        const Sample& rle4 = SampleNamed("h40_rle4");
        const int data4 = 54 + 16 * 4;
        QTest::addRow("RLE4 in the middle of a run") << rle4.bytes << data4 + 1;
        QTest::addRow("RLE4 in the middle of a literal") << rle4.bytes << data4 + 2 + 2 + 2;
        QTest::addRow("RLE4 in the middle of the palette") << rle4.bytes << 54 + 30;
        QTest::addRow("RLE4 without the end-of-bitmap code")
            << rle4.bytes << int(rle4.bytes.size()) - 2;
        // Every row ended, but the end-of-bitmap code is missing.
        QByteArray ended = rle8.bytes;
        ended[ended.size() - 1] = 0; // 00 01 becomes an end of row
        QTest::addRow("RLE8 ending with an end of row") << ended << int(ended.size());
        const QByteArray handMade = Hex("424D 46000000 00000000 42000000"
                                        "28000000 04000000 01000000 0100 0800 01000000 04000000"
                                        "130B0000 130B0000 03000000 00000000"
                                        "10203000 0000FF00 00FF0000"
                                        "0401 0000");
        QTest::addRow("RLE8 one full row, no end-of-bitmap code") << handMade << 70;
    }
    void truncatedFilesAreRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cut);
        QVERIFY(cut <= bytes.size());
        if (cut < bytes.size()) // the whole file is fine
            MUST_SUCCEED(ReadBytes(bytes));
        QByteArray cutBytes = bytes.left(cut);
        const QString error = ErrorOf([&] { ReadBytes(cutBytes); });
        QVERIFY2(error.startsWith(QStringLiteral("Файл повреждён")), qPrintable(error));
        QBuffer buffer(&cutBytes);
        buffer.open(QIODevice::ReadOnly);
        QVERIFY(!ErrorOf([&] { CheckBmp(buffer); }).isEmpty());
        const QString name = dir_.filePath(QStringLiteral("cut.bmp"));
        QVERIFY(PutFile(name, cutBytes));
        QVERIFY(!ErrorOf([&] { ReadPicture(name); }).isEmpty());
    }

    // A header that promises more than the bounds is refused from the header alone: nothing
    // past the headers is read and nothing of the promised size is allocated.
    void picturesBeyondTheBoundsAreRefusedAtOnce_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("readable"); // bytes that may be read; 0: any
        QTest::newRow("40000 x 40000, 24 bits") << HeaderOnly(40000, 40000, 24, 0) << 66;
        QTest::newRow("70000 x 1, 24 bits") << HeaderOnly(70000, 1, 24, 0) << 66;
        QTest::newRow("1 x 70000, 1 bit") << HeaderOnly(1, 70000, 1, 0) << 66;
        QTest::newRow("1 x -70000, top-down") << HeaderOnly(1, -70000, 1, 0) << 66;
        QTest::newRow("65535 x 4097, 8 bits") << HeaderOnly(65535, 4097, 8, 0) << 66;
        QTest::newRow("40000 x 40000, RLE8") << EmptyRunLengths(40000, 40000) << 66;
        QTest::newRow("65535 x 4097, RLE8") << EmptyRunLengths(65535, 4097) << 66;
        QTest::newRow("65535 x 65535, core header") << EmptyRunLengths(65535, 65535, 12) << 66;
        QTest::newRow("height -2^31")
            << HeaderOnly(1, std::numeric_limits<qint32>::min(), 8, 1) << 66;
        QTest::newRow("width 2^31 - 1")
            << HeaderOnly(std::numeric_limits<qint32>::max(), 1, 32, 3) << 66;
        QTest::newRow("PNG 40000 x 40000") << samples::MakePng(40000, 40000, {}) << 0;
        QTest::newRow("PNG 70000 x 1") << samples::MakePng(70000, 1, {}) << 0;
        QTest::newRow("GIF 65535 x 65535")
            << samples::MakeGif(65535, 65535, {qRgb(1, 2, 3)}, QVector<int>(4, 0)) << 0;
    }
    void picturesBeyondTheBoundsAreRefusedAtOnce() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, readable);
        const long residentBefore = MaxResidentKilobytes();
        QElapsedTimer timer;
        timer.start();
        CountingBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        const QString error = ErrorOf([&] { ReadPicture(buffer); });
        QVERIFY2(!error.isEmpty(), "read");
        QVERIFY2(error.contains(QStringLiteral("слишком велик")), qPrintable(error));
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
        if (readable > 0)
            QVERIFY2(buffer.furthest <= readable, qPrintable(QString::number(buffer.furthest)));
        QVERIFY2(MaxResidentKilobytes() - residentBefore < 64 * 1024,
                 qPrintable(
                     QStringLiteral("grew by %1 kB").arg(MaxResidentKilobytes() - residentBefore)));
    }

    // What a file declares costs no memory beyond its own size: a chunk, a segment or a frame
    // that claims more than the file holds or than the bounds allow is refused before anything
    // is read, and chunks that the picture does not need are not kept.
    void declaredSizesCostNoMemory_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // empty: opens to `pixels`
        QTest::addColumn<QVector<QRgb>>("pixels");
        const QVector<QRgb> pixels{qRgb(200, 10, 30),   qRgb(5, 250, 60), qRgb(70, 80, 240),
                                   qRgb(255, 255, 255), qRgb(1, 2, 3),    qRgb(9, 8, 7)};
        const QByteArray png = samples::MakePng(3, 2, pixels);
        const QByteArray text = QByteArrayLiteral("Comment\0a picture");
        const QString longer = QStringLiteral("обрывается");
        const QString tooMuch = QStringLiteral("слишком много");
        const QString tooLarge = QStringLiteral("слишком велик");
        const qint64 most = std::numeric_limits<qint32>::max();
        const auto chunks = [](const char* type, const QByteArray& data, int count) {
            QByteArray all;
            for (int i = 0; i < count; ++i)
                all += samples::PngChunkBytes(type, data);
            return all;
        };
        // After the image data nothing is read: it cannot change the picture.
        QTest::newRow("PNG text after the image data claiming 2^31 - 1 bytes")
            << samples::WithPngChunks(png, {}, samples::PngChunkBytes("tEXt", text, most))
            << QString() << pixels;
        QTest::newRow("PNG text before the image data claiming 2^31 - 1 bytes")
            << samples::WithPngChunks(png, samples::PngChunkBytes("tEXt", text, most), {}) << longer
            << pixels;
        QByteArray idat = png;
        qToBigEndian<quint32>(most, idat.data() + 33);
        QTest::newRow("PNG image data claiming 2^31 - 1 bytes") << idat << longer << pixels;
        QTest::newRow("PNG with 5000 tiny text chunks")
            << samples::WithPngChunks(png, chunks("tEXt", "k\0v", 5000), {}) << tooMuch << pixels;
        QTest::newRow("PNG with 5 MB of private chunks, skipped")
            << samples::WithPngChunks(png, chunks("prIv", QByteArray(1 << 20, 'x'), 5), {})
            << QString() << pixels;
        QTest::newRow("animated PNG of 30 frames of 180 kB, the first shown")
            << samples::WithPngChunks(png,
                                      samples::PngChunkBytes("acTL", Hex("0000001e 00000000")) +
                                          chunks("fcTL", QByteArray(26, '\0'), 1),
                                      chunks("fdAT", QByteArray(180000, 'x'), 30))
            << QString() << pixels;
        // libpng inflates each (up to 8 MB) and keeps them all.
        const QByteArray inflating =
            QByteArrayLiteral("Comment\0\0") + qCompress(QByteArray(7900000, 'a'), 9).mid(4);
        QTest::newRow("PNG with 20 text chunks inflating to 7.9 MB each")
            << samples::WithPngChunks(png, chunks("zTXt", inflating, 20), {}) << QString()
            << pixels;
        QVector<QRgb> many;
        for (int i = 0; i < 100 * 100; ++i)
            many << qRgb(i % 251, i / 100, 7);
        QTest::newRow("PNG in 5000 image data chunks")
            << samples::MakePng(100, 100, many, 9) << QString() << many;

        const QByteArray jpeg = FlatJpeg();
        QByteArray comments;
        for (int i = 0; i < 5000; ++i)
            comments += Hex("FFFE 0003 41");
        QTest::newRow("JPEG with 5000 comments")
            << jpeg.left(2) + comments + jpeg.mid(2) << tooMuch << pixels;
        QTest::newRow("JPEG segment claiming more than the file holds")
            << jpeg.left(2) + Hex("FFE1 FFFF 4578 6966 0000") << longer << pixels;
        // A progressive 16384 x 16384 header with too little data for even a bit a block, and
        // with enough of it in a process that has 1.5 GB: the coefficients need 0.8 GB more.
        const QByteArray progressive = Hex("FFD8 FFC2 0011 08 4000 4000 03 012200 021101 031101"
                                           "FFDA 000C 03 0100 0211 0311 003F00");
        QTest::newRow("progressive JPEG of 16384 x 16384 in 265 bytes")
            << progressive + QByteArray(265 - progressive.size(), '\x55')
            << QStringLiteral("обрываются") << pixels;
        QTest::newRow("progressive JPEG of 16384 x 16384 in 1.5 GB")
            << progressive + QByteArray(600000, '\x55') << QStringLiteral("Недостаточно памяти")
            << pixels;
        QByteArray gif = samples::MakeGif(4, 3, {qRgb(1, 2, 3)}, QVector<int>(12, 0));
        gif.replace(26, 2, samples::Bytes().U16(60000).data); // left of the first frame
        gif.replace(30, 2, samples::Bytes().U16(10000).data); // its width
        QTest::newRow("GIF frame reaching past x = 65535") << gif << tooLarge << pixels;
    }
    void declaredSizesCostNoMemory() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(QVector<QRgb>, pixels);
        const ChildRead read = ReadInChild([&] {
            SetMemoryProbe([] { return std::int64_t{1536} << 20; });
            return ReadBytes(bytes);
        });
        QVERIFY(read.ended);
        if (error.isEmpty()) {
            QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
            QCOMPARE(read.pixels, pixels);
        } else {
            QVERIFY2(read.error.contains(error), qPrintable(read.error));
        }
        QVERIFY2(read.grownKb >= 0 && read.grownKb < 64 * 1024,
                 qPrintable(QStringLiteral("grew by %1 kB").arg(read.grownKb)));
    }

    // A file of 3 GiB, nearly all of it a hole, whose image data claims 2 GB for a picture of
    // 100 x 100: refused at once, without being read.
    void aFileLargerThanItsPictureIsNotRead() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("huge.png"));
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(samples::MakePng(100, 100, {}).left(8 + 25) + Hex("7FFFFFFF") + "IDAT");
        QVERIFY(file.resize(std::int64_t{3} << 30));
        file.close();
        QElapsedTimer clock;
        clock.start();
        const ChildRead read = ReadInChild([&] { return ReadPicture(name); });
        QVERIFY(read.ended);
        QVERIFY2(read.error.contains(QStringLiteral("больше данных")), qPrintable(read.error));
        QVERIFY2(read.grownKb >= 0 && read.grownKb < 16 * 1024,
                 qPrintable(QStringLiteral("grew by %1 kB").arg(read.grownKb)));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    // What each decoding path takes, measured, against what ReadingMemory says it takes: never
    // less (the kernel would kill the editor), and at most 30 % more (a picture that fits would
    // be refused). A picture of 2000 x 2000 is opened, or pasted into one of its size, the way
    // the editor does it, once to load the libraries and once measured.
    void readingTakesWhatItsEstimateSays_data() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer pads every block and keeps freed ones: the memory is its own");
#endif
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("paste");
        const QImage colour = Translucent(2000, 2000);
        const QImage opaque = colour.convertToFormat(QImage::Format_RGB32);
        const QImage grey = opaque.convertToFormat(QImage::Format_Grayscale8);
        const QImage palette = opaque.convertToFormat(QImage::Format_Indexed8);
        QByteArray gif =
            samples::MakeGif(2000, 2000, {0, qRgb(200, 10, 5)}, QVector<int>(4000000, 1));
        gif.insert(25, Hex("21F904 0D 0000 00 00")); // colour 0 transparent, the frame restored
        const QByteArray jpeg = Encoded(opaque, "jpeg");
        const QByteArray comments = (Hex("FFFE FA02") + QByteArray(64000, 'c')).repeated(100);
        const QList<QPair<const char*, QByteArray>> files{
            {"PNG grey", Encoded(grey, "png")},
            {"PNG palette", Encoded(palette, "png")},
            {"PNG RGB", Encoded(opaque, "png")},
            {"PNG RGBA", Encoded(colour, "png")},
            {"PNG RGB 16 bits", Encoded(opaque.convertToFormat(QImage::Format_RGBX64), "png")},
            {"GIF", gif},
            {"JPEG colour", jpeg},
            {"JPEG with 6 MB of comments", jpeg.left(2) + comments + jpeg.mid(2)},
            {"JPEG grey", Encoded(grey, "jpeg")},
            {"JPEG progressive colour", Encoded(opaque, "jpeg", -1, true)},
            {"JPEG progressive grey", Encoded(grey, "jpeg", -1, true)},
            {"BMP 1 bit", Encoded(opaque.convertToFormat(QImage::Format_Mono), "bmp")},
            {"BMP 8 bits", Encoded(palette, "bmp")},
            {"BMP 24 bits", Encoded(opaque, "bmp")},
            {"BMP 32 bits", Encoded(colour, "bmp")}};
        for (const auto& file : files) {
            QTest::addRow("Open %s", file.first) << file.second << false;
            QTest::addRow("Paste %s", file.first) << file.second << true;
        }
    }
    void readingTakesWhatItsEstimateSays() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, paste);
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        const std::int64_t estimate = ReadingMemory(
            device, kMaxBitmapPixels, paste ? Conversion::InStrips : Conversion::Whole);
        // A paste draws into a picture there already. Open replaces it: a picture of the parent's
        // in huge pages, given up in the child, would blur what the child's pages show.
        TBitmap picture(paste ? 2000 : 0, paste ? 2000 : 0);
        QMimeData offer;
        offer.setData(QStringLiteral("image/bmp"), bytes); // read for what it is
        const auto read = [&] {
            FakeClipboard clipboard;
            if (paste && (clipboard.offered = ReadOfferedImage(offer)))
                DrawFromClipboard(0, 0, picture);
            else if (!paste)
                picture.AssignImage(ReadBytes(bytes));
            return QImage();
        };
        const ChildRead measured = ReadInChild(read, read);
        QVERIFY2(measured.ended && measured.error.isEmpty(), qPrintable(measured.error));
        const double ratio = estimate / (measured.grownKb * 1024.0);
        QVERIFY2(
            ratio >= 1.0 && ratio <= 1.3,
            qPrintable(QStringLiteral("%1 of %2 kB").arg(measured.grownKb).arg(estimate >> 10)));
    }

    // The inputs that the fuzzing targets found faults with, replayed the way the targets read
    // them: each ends in a picture or a refusal, in little memory, and an offer is asked only
    // what a paste may ask.
    void fuzzingFindingsAreReadInLittleMemory_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("offered");
        const QDir findings(QStringLiteral(LIMNORA_FUZZ_FINDINGS));
        for (const QString& target :
             {QStringLiteral("read_picture"), QStringLiteral("offered_image")})
            for (const QFileInfo& f : QDir(findings.filePath(target)).entryInfoList(QDir::Files))
                QTest::addRow("%s/%s", qPrintable(target), qPrintable(f.fileName()))
                    << f.filePath() << (target == QLatin1String("offered_image"));
    }
    void fuzzingFindingsAreReadInLittleMemory() {
        QFETCH(QString, file);
        QFETCH(bool, offered);
        const QByteArray bytes = FileBytes(file);
        QVERIFY(!bytes.isEmpty());
        const ChildRead read = ReadInChild([&] {
            if (!offered)
                return ReadBytes(bytes, fuzzing::kMaxPixels);
            const fuzzing::Offer offer(bytes);
            return ReadOfferedImage(offer, fuzzing::kMaxPixels).value_or(QImage());
        });
        QVERIFY2(read.ended, "the read ended the process");
        QVERIFY2(read.grownKb >= 0 && read.grownKb < 64 * 1024,
                 qPrintable(QStringLiteral("grew by %1 kB").arg(read.grownKb)));
    }

    // The bounds themselves may be read; one pixel more may not. The pixel bound is lowered
    // here so that the pictures stay small.
    void boundsAreInclusive_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("maxPixels");
        QTest::addColumn<bool>("opens");
        QTest::newRow("64 x 1 of 64") << EmptyRunLengths(64, 1) << qint64{64} << true;
        QTest::newRow("65 x 1 of 64") << EmptyRunLengths(65, 1) << qint64{64} << false;
        QTest::newRow("8 x 8 of 64") << EmptyRunLengths(8, 8) << qint64{64} << true;
        QTest::newRow("8 x 9 of 64") << EmptyRunLengths(8, 9) << qint64{64} << false;
        QTest::newRow("8 x -9 of 64") << EmptyRunLengths(8, -9) << qint64{64} << false;
        QTest::newRow("PNG 8 x 8 of 64")
            << samples::MakePng(8, 8, QVector<QRgb>(64, qRgb(1, 2, 3))) << qint64{64} << true;
        QTest::newRow("PNG 8 x 9 of 64")
            << samples::MakePng(8, 9, QVector<QRgb>(72, qRgb(1, 2, 3))) << qint64{64} << false;
        const qint64 all = kMaxBitmapPixels;
        QTest::newRow("65535 x 1") << EmptyRunLengths(65535, 1) << all << true;
        QTest::newRow("65536 x 1") << EmptyRunLengths(65536, 1) << all << false;
        QTest::newRow("1 x 65535") << EmptyRunLengths(1, 65535) << all << true;
        QTest::newRow("1 x 65536") << EmptyRunLengths(1, 65536) << all << false;
        QTest::newRow("1 x -65536") << EmptyRunLengths(1, -65536) << all << false;
        BmpLayout oneBit;
        oneBit.bits = 1;
        oneBit.palette = {qRgb(9, 9, 9), qRgb(1, 1, 1)};
        QTest::newRow("65535 x 1, 1 bit, plain")
            << samples::MakeBmp(oneBit, 65535, 1, QByteArray(8192, '\0')) << all << true;
    }
    void boundsAreInclusive() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, maxPixels);
        QFETCH(bool, opens);
        const QString error = ErrorOf([&] { ReadBytes(bytes, maxPixels); });
        if (opens)
            QVERIFY2(error.isEmpty(), qPrintable(error));
        else
            QVERIFY2(error.contains(QStringLiteral("слишком велик")), qPrintable(error));
    }

    // ---- writing ----

    void savedFileHasExactBytes() {
        TBitmap picture(3, 2);
        QImage& image = picture.MutableImage();
        image.setPixel(0, 0, qRgb(0x11, 0x12, 0x13));
        image.setPixel(1, 0, qRgb(0x21, 0x22, 0x23));
        image.setPixel(2, 0, qRgb(0x31, 0x32, 0x33));
        image.setPixel(0, 1, qRgb(0x41, 0x42, 0x43));
        image.setPixel(1, 1, qRgb(0x51, 0x52, 0x53));
        image.setPixel(2, 1, qRgb(0x61, 0x62, 0x63));
        const QString name = dir_.filePath(QStringLiteral("exact.bmp"));
        MUST_SUCCEED(WritePicture(picture, name));
        const QByteArray expected =
            Hex("424D 4E000000 00000000 36000000"
                "28000000 03000000 02000000 0100 1800 00000000 18000000 C40E0000 C40E0000"
                "00000000 00000000"
                "434241 535251 636261 000000"   // the bottom row first, blue green red
                "131211 232221 333231 000000"); // each row padded to 4 bytes
        QCOMPARE(FileBytes(name).toHex(' '), expected.toHex(' '));
    }

    void savedVariantReopensToTheSamePixels_data() {
        everyVariantOpensToItsPixels_data();
    }
    void savedVariantReopensToTheSamePixels() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QVector<QRgb>, pixels);
        TBitmap picture;
        MUST_SUCCEED(picture.AssignImage(ReadBytes(bytes)));
        const QString name = dir_.filePath(QStringLiteral("saved.bmp"));
        MUST_SUCCEED(WritePicture(picture, name));
        const QByteArray saved = FileBytes(name);
        QCOMPARE(saved.left(54).toHex(' '), WrittenHeader(width, height).toHex(' '));
        QCOMPARE(saved.size(), 54 + (width * 3 + 3) / 4 * 4 * height);
        QVector<QRgb> reopened;
        MUST_SUCCEED(reopened = Opened(ReadPicture(name)));
        const QString difference = PixelDifference(reopened, pixels, width);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void noiseSurvivesSaveAndOpen_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        for (const QSize& s :
             {QSize(1, 1), QSize(2, 3), QSize(4, 2), QSize(37, 11), QSize(300, 200), QSize(1, 257)})
            QTest::addRow("%dx%d", s.width(), s.height()) << s.width() << s.height();
    }
    void noiseSurvivesSaveAndOpen() {
        QFETCH(int, width);
        QFETCH(int, height);
        TBitmap picture(width, height);
        FillNoise(picture, static_cast<std::uint32_t>(width * 1000 + height));
        const QString name = dir_.filePath(QStringLiteral("noise.bmp"));
        MUST_SUCCEED(WritePicture(picture, name));
        QCOMPARE(FileBytes(name).left(54).toHex(' '), WrittenHeader(width, height).toHex(' '));
        TBitmap reopened;
        MUST_SUCCEED(reopened.AssignImage(ReadPicture(name)));
        QVERIFY2(Differences(picture, reopened).isEmpty(),
                 qPrintable(FirstDifference(picture, reopened)));
    }

    void saveFileOfTheCallerIsCommitted() {
        TBitmap picture(5, 4);
        FillNoise(picture, 7);
        const QString name = dir_.filePath(QStringLiteral("caller.bmp"));
        QVERIFY(PutFile(name, "old"));
        FailingSaveFile file(name, 1 << 20, QStringLiteral("never"));
        MUST_SUCCEED(WritePicture(picture, file));
        TBitmap reopened;
        MUST_SUCCEED(reopened.AssignImage(ReadPicture(name)));
        QVERIFY(Differences(picture, reopened).isEmpty());
    }

    void emptyPictureIsNotSaved() {
        const QString name = dir_.filePath(QStringLiteral("empty.bmp"));
        QVERIFY(PutFile(name, "old content"));
        TBitmap empty;
        const QString error = ErrorOf([&] { WritePicture(empty, name); });
        QVERIFY2(error.contains(name), qPrintable(error));
        QCOMPARE(FileBytes(name), QByteArray("old content"));
    }

    // A failed save leaves the file it was replacing byte for byte as it was, leaves nothing
    // else behind, and says why it failed.
    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("failAfter");
        QTest::newRow("folder does not exist") << "missing folder" << qint64{-1};
        QTest::newRow("name of a directory") << "directory" << qint64{-1};
        QTest::newRow("read-only file system") << "read-only" << qint64{-1};
        QTest::newRow("full file system") << "full" << qint64{-1};
        for (qint64 n : {0, 1, 53, 54, 1000, 54 + 600 * 120 - 1})
            QTest::addRow("write fails after %lld bytes", static_cast<long long>(n))
                << "injected" << n;
    }
    void failedSaveKeepsTheOldFile() {
        QFETCH(QString, kind);
        QFETCH(qint64, failAfter);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString folder = root.filePath(QStringLiteral("mount"));
        QVERIFY(QDir().mkdir(folder));
        QString name = folder + QStringLiteral("/old.bmp");
        const QByteArray old = SampleNamed("h40_8bit").bytes;
        TBitmap picture(200, 120); // 72 kB, more than the small file system holds
        FillNoise(picture, 3);

        std::unique_ptr<SmallFileSystem> fs;
        QString expectedReason;
        if (kind == QLatin1String("read-only") || kind == QLatin1String("full")) {
            fs = std::make_unique<SmallFileSystem>(folder);
            const int code = kind == QLatin1String("full") ? ENOSPC : EROFS;
            expectedReason = QString::fromLocal8Bit(std::strerror(code));
            if (!fs->Mounted()) {
                // No right to mount here: the same failure, injected into the writes.
                qInfo("cannot mount a tmpfs (%s); injecting \"%s\" instead",
                      qPrintable(fs->Error()), qPrintable(expectedReason));
                failAfter = kind == QLatin1String("full") ? 4096 : 0;
                kind = QStringLiteral("injected");
            }
        }
        if (kind != QLatin1String("missing folder") && kind != QLatin1String("directory"))
            QVERIFY(PutFile(name, old));
        if (kind == QLatin1String("read-only"))
            QVERIFY(fs->MakeReadOnly());
        if (kind == QLatin1String("missing folder")) {
            name = root.filePath(QStringLiteral("no such folder/old.bmp"));
            expectedReason = QString::fromLocal8Bit(std::strerror(ENOENT));
        }
        if (kind == QLatin1String("directory"))
            name = folder;
        if (kind == QLatin1String("injected") && expectedReason.isEmpty())
            expectedReason = QStringLiteral("injected failure");
        const QStringList before = QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

        QString error;
        if (kind == QLatin1String("injected")) {
            FailingSaveFile file(name, failAfter, expectedReason);
            error = ErrorOf([&] { WritePicture(picture, file); });
        } else {
            error = ErrorOf([&] { WritePicture(picture, name); });
        }
        QVERIFY2(!error.isEmpty(), "the save did not fail");
        QVERIFY2(error.contains(name), qPrintable(error));
        // The reason in the system's words or in Qt's, which are translated when the program
        // runs in Russian.
        const QString translatedReason =
            QCoreApplication::translate("QIODevice", expectedReason.toUtf8().constData());
        const bool givesReason = error.contains(expectedReason) || error.contains(translatedReason);
        if (kind == QLatin1String("read-only")) // Qt looks at the old file first
            QVERIFY2(givesReason || error.contains(QStringLiteral("is not writable")) ||
                         error.contains(QStringLiteral("защищён от записи")),
                     qPrintable(error));
        else if (kind != QLatin1String("directory"))
            QVERIFY2(givesReason, qPrintable(error));
        const QString reason = error.section(QLatin1Char('\n'), 1);
        QVERIFY2(!reason.trimmed().isEmpty() && !reason.contains(QStringLiteral("Unknown error")),
                 qPrintable(error));
        if (kind == QLatin1String("directory"))
            QVERIFY(QFileInfo(folder).isDir());
        else if (kind == QLatin1String("missing folder"))
            QVERIFY(!QFileInfo::exists(name));
        else
            QCOMPARE(FileBytes(name), old);
        QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    }

private:
    QTemporaryDir dir_;
};

LIMNORA_TEST_CLASS(TestPictureFiles)
#include "tst_picturefiles.moc"
