// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole picture through the X clipboard, with xclip as the other program: how long the
// editor's window stands still, and how long the other program waits, while the editor serves its
// copy as image/png and as image/bmp, and how large the PNG is against zlib's level 6 on the same
// rows: for a 6000x4500 picture of noise, a pupil's drawing of 6000x4500 and of 800x600, drawings
// of 1920x1080 and 6000x4500 with a photo pasted in, and a 6000x4500 photo. And the paste of the
// editor's own copy.
//
// A 10 ms timer runs in the editor's event loop; the longest gap between its ticks while a request
// is served is the time the window could not repaint or take input.
//
// Needs an X server and xclip: xvfb-run -a build/release/bench/bench_clipboard

#include "BenchPictures.h"
#include "BenchSupport.h"
#include "canvas/TBitmap.h"
#include "canvas/TImage.h"
#include "desktop/EditorApplication.h"
#include "main/EditorWindows.h"
#include "main/Form1.h"

#include <QAction>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4500;
constexpr int kRounds = 5;
constexpr int kTickMs = 10;
constexpr int kRequestTimeoutMs = 120000;

// The ticks of a timer in the event loop.
class Ticker {
public:
    Ticker() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { ticks_.push_back(Clock::now()); });
        timer_.start();
    }

    // Runs the event loop until the next tick, so that what comes next starts right after one.
    void WaitForTick() {
        QEventLoop loop;
        const QMetaObject::Connection tick =
            QObject::connect(&timer_, &QTimer::timeout, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(tick);
    }

    // The longest gap between two ticks that overlaps the time from `from` to `to`; the event
    // loop runs a little longer first, so that the gap that ends after `to` is seen too.
    double LongestGapMs(Clock::time_point from, Clock::time_point to) {
        QEventLoop loop;
        QTimer::singleShot(3 * kTickMs, &loop, &QEventLoop::quit);
        loop.exec();
        double longest = 0;
        for (std::size_t i = 1; i < ticks_.size(); ++i)
            if (ticks_[i] > from && ticks_[i - 1] < to)
                longest = std::max(longest, Millis(ticks_[i - 1], ticks_[i]));
        ticks_.clear();
        return longest;
    }

private:
    QTimer timer_;
    std::vector<Clock::time_point> ticks_;
};

struct Request {
    double serveMs = 0; // from the start of xclip to its end, with all the bytes
    double stallMs = 0; // the longest gap between ticks meanwhile
    QByteArray bytes;
};

// Lets xclip read the clipboard in the given target into a file, while the event loop runs.
bool Read(const QString& xclip, const QString& target, const QString& file, Ticker& ticker,
          Request* request) {
    QFile::remove(file);
    QProcess process;
    process.setStandardOutputFile(file);
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(kRequestTimeoutMs, &loop, &QEventLoop::quit);
    ticker.WaitForTick(); // the first gap starts with a tick, not with whatever came before
    const Clock::time_point t0 = Clock::now();
    process.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                          QStringLiteral("-o"), QStringLiteral("-t"), target});
    loop.exec();
    const Clock::time_point t1 = Clock::now();
    request->serveMs = Millis(t0, t1);
    request->stallMs = ticker.LongestGapMs(t0, t1);
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "error: xclip did not read %s (%s)\n", qPrintable(target),
                     qPrintable(process.errorString()));
        process.kill();
        process.waitForFinished();
        return false;
    }
    QFile read(file);
    if (!read.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "error: cannot read what xclip wrote\n");
        return false;
    }
    request->bytes = read.readAll();
    return true;
}

void Copy(TForm1& form) {
    form.Copy1->trigger();
    QCoreApplication::processEvents();
}

bool SameAs(const QByteArray& bytes, const char* format, const QImage& picture) {
    return QImage::fromData(bytes, format).convertToFormat(QImage::Format_RGB32) == picture;
}

struct Figures {
    std::vector<double> serve, stall;
    qsizetype bytes = 0;
    void Add(const Request& r) {
        serve.push_back(r.serveMs);
        stall.push_back(r.stallMs);
        bytes = r.bytes.size();
    }
};

// The PNG rows of a picture unfiltered (a zero before each), deflated by zlib at level 6: what
// the size of the served PNG is measured against.
qsizetype Level6Bytes(const QImage& picture) {
    QByteArray rows;
    rows.reserve(picture.height() * (1 + 3 * qsizetype{picture.width()}));
    for (int y = 0; y < picture.height(); ++y) {
        rows.append('\0');
        const auto* p = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const char rgb[3] = {char(qRed(p[x])), char(qGreen(p[x])), char(qBlue(p[x]))};
            rows.append(rgb, 3);
        }
    }
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::vector<Bytef> out(size);
    compress2(out.data(), &size, reinterpret_cast<const Bytef*>(rows.constData()),
              static_cast<uLong>(rows.size()), 6);
    return static_cast<qsizetype>(size);
}

// A copy read as image/png twice, then a new copy read as image/bmp, kRounds times; false after
// an error message when a read fails or does not give the picture back.
bool ServeRounds(TForm1& form, const QString& xclip, const QString& file, Ticker& ticker,
                 Figures* png, Figures* pngAgain, Figures* bmp) {
    const QImage original = form.Image1->Picture().Image().copy();
    for (int round = 0; round < kRounds; ++round) {
        Request r;
        Copy(form);
        if (!Read(xclip, QStringLiteral("image/png"), file, ticker, &r))
            return false;
        png->Add(r);
        const QByteArray first = r.bytes;
        if (!Read(xclip, QStringLiteral("image/png"), file, ticker, &r))
            return false;
        pngAgain->Add(r);
        if (round == 0 && (!SameAs(first, "PNG", original) || r.bytes != first)) {
            std::fprintf(stderr, "error: the PNG read is not the picture, or not the same twice\n");
            return false;
        }
        Copy(form);
        if (!Read(xclip, QStringLiteral("image/bmp"), file, ticker, &r))
            return false;
        bmp->Add(r);
        if (round == 0 && !SameAs(r.bytes, "BMP", original)) {
            std::fprintf(stderr, "error: the BMP read is not the picture\n");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_clipboard needs an X server: run it under xvfb-run -a\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    EditorApplication application(argc, argv);
    const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
    QTemporaryDir folder;
    if (xclip.isEmpty() || !folder.isValid()) {
        std::fprintf(stderr, "bench_clipboard needs xclip and a temporary folder\n");
        return 2;
    }
    const QString file = folder.filePath(QStringLiteral("read"));
    const Clock::time_point runStart = Clock::now();

    EditorWindows windows;
    TForm1& form = *windows.Form1;
    form.show();
    for (int i = 0; i < 500 && !(form.windowHandle() && form.windowHandle()->isExposed()); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    TBitmap& picture = form.Image1->Picture();
    Ticker ticker;

    // ---- other programs read the copy: drawings, drawings with a photo, a photo ----
    struct Drawing {
        const char* kind;
        int width, height;
        QRect photo; // where a photo is pasted in
        Figures png, pngAgain, bmp;
        qsizetype level6 = 0;
    };
    Drawing drawings[] = {{"drawing", 800, 600, {}, {}, {}, {}},
                          {"drawing", kWidth, kHeight, {}, {}, {}, {}},
                          {"mixed", 1920, 1080, QRect(320, 180, 1280, 720), {}, {}, {}},
                          {"mixed", kWidth, kHeight, QRect(1000, 750, 4000, 3000), {}, {}, {}},
                          {"photo", kWidth, kHeight, QRect(0, 0, kWidth, kHeight), {}, {}, {}}};
    for (Drawing& d : drawings) {
        form.NewBlankPicture(picture, d.width, d.height);
        FillDrawing(picture);
        if (!d.photo.isEmpty())
            FillPhoto(picture, d.photo);
        QCoreApplication::processEvents();
        d.level6 = Level6Bytes(picture.Image());
        if (!ServeRounds(form, xclip, file, ticker, &d.png, &d.pngAgain, &d.bmp))
            return 1;
    }

    // ---- other programs read the copy: noise ----
    form.NewBlankPicture(picture, kWidth, kHeight);
    QImage& pixels = picture.MutableImage();
    QRandomGenerator noise(15);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = noise.generate() | 0xFF000000u;
    }
    picture.Changed(picture.BoundsRect());
    QCoreApplication::processEvents();
    const QImage original = picture.Image().copy();
    Figures png, pngAgain, bmp;
    if (!ServeRounds(form, xclip, file, ticker, &png, &pngAgain, &bmp))
        return 1;
    bool sound = true;
    // ---- the paste of the own copy ----
    // After the copy the picture changes (not timed), so that the paste has something to do;
    // right after the copy the picture still shares its pixels with the copy.
    const std::size_t bytes = static_cast<std::size_t>(original.sizeInBytes());
    std::vector<uchar> buffer(bytes, 1); // allocated and every page touched
    std::vector<double> paste, pasteAtOnce, plain;
    TCanvas& canvas = picture.Canvas();
    for (int round = 0; round < kRounds; ++round) {
        Copy(form);
        Clock::time_point t0 = Clock::now();
        form.Paste1->trigger();
        QCoreApplication::processEvents();
        pasteAtOnce.push_back(Millis(t0, Clock::now()));
        canvas.Brush = {bsSolid, round % 2 ? clRed : clBlue};
        canvas.FillRect(picture.BoundsRect());
        QCoreApplication::processEvents();
        t0 = Clock::now();
        form.Paste1->trigger();
        QCoreApplication::processEvents();
        paste.push_back(Millis(t0, Clock::now()));
        if (round == 0 && picture.Image() != original) {
            std::fprintf(stderr, "error: the paste did not give the copied picture back\n");
            sound = false;
        }
        t0 = Clock::now();
        std::memcpy(buffer.data(), picture.Image().constBits(), bytes);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        plain.push_back(Millis(t0, Clock::now()));
    }

    // ---- report ----
    const double stallRatio = Median(png.stall) / Median(bmp.stall);
    const double serveRatio = Median(png.serve) / Median(bmp.serve);
    const double bytesRatio = static_cast<double>(png.bytes) / static_cast<double>(bmp.bytes);
    const double pasteRatio = Median(paste) / Median(plain);
    std::printf("Pictures copied with \"Копировать в DDE\" and read by xclip (%d rounds: a copy "
                "read as image/png twice, then a new copy read as image/bmp). serve: from the "
                "start of xclip to its end; stall: the longest gap between the ticks of a %d ms "
                "timer in the editor meanwhile. Medians, ms. level 6: zlib's level 6 on the same "
                "rows unfiltered.\n\n",
                kRounds, kTickMs);
    std::printf("%-34s | %8s %8s | %8s %8s | %11s\n", "picture, request", "serve", "min", "stall",
                "min", "bytes");
    auto row = [](const QString& name, const Figures& f) {
        std::printf("%-34s | %8.0f %8.0f | %8.0f %8.0f | %11lld\n", qPrintable(name),
                    Median(f.serve), Min(f.serve), Median(f.stall), Min(f.stall),
                    static_cast<long long>(f.bytes));
    };
    for (const Drawing& d : drawings) {
        const QString name =
            QStringLiteral("%1 %2x%3, ").arg(QLatin1String(d.kind)).arg(d.width).arg(d.height);
        row(name + QStringLiteral("image/png"), d.png);
        row(name + QStringLiteral("image/png again"), d.pngAgain);
        row(name + QStringLiteral("image/bmp"), d.bmp);
        std::printf("%-34s | %48lld\n", qPrintable(name + QStringLiteral("level 6")),
                    static_cast<long long>(d.level6));
    }
    row(QStringLiteral("noise, image/png"), png);
    row(QStringLiteral("noise, image/png again"), pngAgain);
    row(QStringLiteral("noise, image/bmp"), bmp);
    std::printf("\nPaste of the own copy with \"Вставить из DDE\" (the handler and the events it "
                "causes), ms: after a change of the picture %.1f (min %.1f); right after the copy "
                "%.1f (min %.1f). memcpy of the picture into a buffer already in use: %.1f (min "
                "%.1f).\n\n",
                Median(paste), Min(paste), Median(pasteAtOnce), Min(pasteAtOnce), Median(plain),
                Min(plain));

    const Drawing& small = drawings[0];
    const Drawing& large = drawings[1];
    const Drawing& mixed = drawings[2];
    const Drawing& largeMixed = drawings[3];
    const Drawing& photo = drawings[4];
    const auto bytesAgainstLevel6 = [](const Drawing& d) {
        return static_cast<double>(d.png.bytes) / static_cast<double>(d.level6);
    };
    const auto stallAgainstBmp = [](const Drawing& d) {
        return Median(d.png.stall) / Median(d.bmp.stall);
    };
    const double smallBytes = bytesAgainstLevel6(small), largeBytes = bytesAgainstLevel6(large);
    const double drawingStall = stallAgainstBmp(large);
    const double mixedBytes = bytesAgainstLevel6(mixed), mixedStall = stallAgainstBmp(largeMixed);
    const double photoBytes = bytesAgainstLevel6(photo), photoStall = stallAgainstBmp(photo);
    const auto goal = [](const char* what, double limit, double value) {
        std::printf("goal: %-48s at most %.1f ... %s (%.2f)\n", what, limit,
                    value <= limit ? "met" : "NOT met", value);
    };
    goal("PNG bytes / level 6, drawing 800x600", 1.5, smallBytes);
    goal("PNG bytes / level 6, drawing 6000x4500", 1.5, largeBytes);
    goal("PNG stall / BMP stall, drawing 6000x4500", 2.5, drawingStall);
    goal("PNG bytes / level 6, mixed 1920x1080", 1.3, mixedBytes);
    goal("PNG stall / BMP stall, mixed 6000x4500", 2.5, mixedStall);
    goal("PNG stall / BMP stall, photo 6000x4500", 2.5, photoStall);
    goal("PNG bytes / level 6, photo 6000x4500 (with that)", 1.3, photoBytes);
    const bool serveMet = serveRatio <= 3, pasteMet = pasteRatio <= 2;
    std::printf("goal: PNG stall / BMP stall at most 2.5 ....... %s (%.2f)\n",
                stallRatio <= 2.5 ? "met" : "NOT met", stallRatio);
    std::printf("goal: PNG serve / BMP serve at most 3 ......... %s (%.2f)\n",
                serveMet ? "met" : "NOT met", serveRatio);
    std::printf("goal: paste of the own copy / memcpy at most 2 . %s (%.2f)\n",
                pasteMet ? "met" : "NOT met", pasteRatio);
    std::printf("whole run: %.1f s%s\n\n",
                std::chrono::duration<double>(Clock::now() - runStart).count(),
                sound ? "" : " (checks failed: see errors)");

    std::printf("RESULT clipboard_png_bytes_ratio_drawing_800x600 %.3f\n", smallBytes);
    std::printf("RESULT clipboard_png_bytes_ratio_drawing_6000x4500 %.3f\n", largeBytes);
    std::printf("RESULT clipboard_png_stall_ratio_drawing_6000x4500 %.3f\n", drawingStall);
    std::printf("RESULT clipboard_png_stall_ms_drawing_6000x4500 %.1f\n", Median(large.png.stall));
    std::printf("RESULT clipboard_bmp_stall_ms_drawing_6000x4500 %.1f\n", Median(large.bmp.stall));
    std::printf("RESULT clipboard_png_bytes_ratio_mixed_1920x1080 %.3f\n", mixedBytes);
    std::printf("RESULT clipboard_png_stall_ratio_mixed_6000x4500 %.3f\n", mixedStall);
    std::printf("RESULT clipboard_png_stall_ms_mixed_6000x4500 %.1f\n",
                Median(largeMixed.png.stall));
    std::printf("RESULT clipboard_bmp_stall_ms_mixed_6000x4500 %.1f\n",
                Median(largeMixed.bmp.stall));
    std::printf("RESULT clipboard_png_bytes_ratio_photo_6000x4500 %.3f\n", photoBytes);
    std::printf("RESULT clipboard_png_stall_ratio_photo_6000x4500 %.3f\n", photoStall);
    std::printf("RESULT clipboard_png_stall_ratio_6000x4500 %.3f\n", stallRatio);
    std::printf("RESULT clipboard_png_serve_ratio_6000x4500 %.3f\n", serveRatio);
    std::printf("RESULT clipboard_png_bytes_ratio_6000x4500 %.3f\n", bytesRatio);
    std::printf("RESULT paste_own_ratio_6000x4500 %.3f\n", pasteRatio);
    std::printf("RESULT clipboard_png_stall_ms_6000x4500 %.1f\n", Median(png.stall));
    std::printf("RESULT clipboard_bmp_stall_ms_6000x4500 %.1f\n", Median(bmp.stall));
    std::printf("RESULT clipboard_png_serve_ms_6000x4500 %.1f\n", Median(png.serve));
    std::printf("RESULT clipboard_bmp_serve_ms_6000x4500 %.1f\n", Median(bmp.serve));
    std::printf("RESULT paste_own_ms_6000x4500 %.2f\n", Median(paste));
    return sound ? 0 : 1;
}
