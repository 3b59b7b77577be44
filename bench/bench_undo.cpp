// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Undo snapshots: the time of saving a small rectangle of the picture and stepping back, which
// must depend on the rectangle and not on the picture; the memory a full history of whole-picture
// snapshots holds; and the time of a whole-picture step, which must cost about a copy.
//
// Beside the times, the same pixels moved with memcpy in the same run: the rows of the rectangle
// copied out of the picture into a buffer and back, as a snapshot and a step back move them; the
// whole picture copied into a buffer already in use.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "BenchPictures.h"
#include "BenchSupport.h"
#include "canvas/TBitmap.h"
#include "canvas/TImage.h"
#include "desktop/Dialogs.h"
#include "undo/TGraphUnDo.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The sizes are measured in turn, several rounds, so that a change in the machine's load falls on
// both alike; each round times kTimedPairs pairs of each case after kWarmUpPairs.
constexpr int kRounds = 5;
constexpr int kWarmUpPairs = 100;
constexpr int kTimedPairs = 400;

constexpr TRect kSmallRect{330, 200, 430, 300}; // 100 x 100, inside the smallest picture

constexpr int kHistoryWidth = 6000;
constexpr int kHistoryHeight = 4500;

// Whole-picture steps: the first fill the history, the rest each push out its oldest step.
constexpr int kWholeSteps = 24;

// A failing snapshot shows an error box; here it goes to stderr, so that the run never waits for
// a click.
class ConsoleDialogs : public IDialogs {
public:
    int messages = 0;

    TModalResult ShowMessage(QWidget*, TMsgKind, const QString& text, TMsgButtons) override {
        ++messages;
        std::fprintf(stderr, "message box: %s\n", qPrintable(MessageLines(text)));
        return TModalResult::Ok;
    }
    std::optional<TColor> PickColor(QWidget*, TColor) override { return std::nullopt; }
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    int ExecModal(QDialog&) override { return 0; }
};

// Resident memory of this process, bytes.
std::int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0, resident = -1;
    statm >> size >> resident;
    return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

// The peak resident memory (VmHWM), bytes; -1 when unknown.
std::int64_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::istringstream fields(line.substr(6));
            std::int64_t kib = -1;
            fields >> kib;
            return kib < 0 ? -1 : kib * 1024;
        }
    }
    return -1;
}

// Starts the peak afresh from the current resident size; false when the kernel does not allow it.
bool ResetPeakResident() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

// Pixels of rect that differ from the pattern.
std::int64_t PatternMismatches(const TBitmap& bitmap, const TRect& rect) {
    std::int64_t count = 0;
    const QImage& image = bitmap.Image();
    for (int y = rect.top; y < rect.bottom; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = rect.left; x < rect.right; ++x)
            count += row[x] != PatternPixel(x, y);
    }
    return count;
}

// Overwrites rect with one colour.
void Scribble(TBitmap& bitmap, const TRect& rect) {
    QImage& image = bitmap.MutableImage();
    for (int y = rect.top; y < rect.bottom; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + rect.left, rect.Width(),
                    qRgb(1, 2, 3));
}

struct SizeCase {
    int width;
    int height;
    std::unique_ptr<TImage> image;
    std::vector<double> undo;  // SaveRegion + StepBack, us
    std::vector<double> plain; // memcpy out and back, us
};

void TimeUndo(SizeCase& c) {
    TGraphUnDo undo;
    for (int i = 0; i < kWarmUpPairs + kTimedPairs; ++i) {
        const Clock::time_point t0 = Clock::now();
        undo.SaveRegion(c.image.get(), kSmallRect);
        undo.StepBack(c.image.get());
        const Clock::time_point t1 = Clock::now();
        if (i >= kWarmUpPairs)
            c.undo.push_back(Micros(t0, t1));
    }
}

void TimePlainCopy(SizeCase& c, std::vector<QRgb>& buffer) {
    QImage& image = c.image->Picture().MutableImage();
    const int w = kSmallRect.Width(), h = kSmallRect.Height();
    const std::size_t rowBytes = sizeof(QRgb) * static_cast<std::size_t>(w);
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto rowAt = [&](int y) {
        return bits + (kSmallRect.top + y) * stride + kSmallRect.left * sizeof(QRgb);
    };
    for (int i = 0; i < kWarmUpPairs + kTimedPairs; ++i) {
        const Clock::time_point t0 = Clock::now();
        for (int y = 0; y < h; ++y)
            std::memcpy(buffer.data() + y * w, rowAt(y), rowBytes);
        // Keeps the compiler from folding the copy back into the copy out.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        for (int y = 0; y < h; ++y)
            std::memcpy(rowAt(y), buffer.data() + y * w, rowBytes);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        const Clock::time_point t1 = Clock::now();
        if (i >= kWarmUpPairs)
            c.plain.push_back(Micros(t0, t1));
    }
}

// A whole-picture step as the editor makes it when a rectangle is drawn around the picture: the
// snapshot of the whole picture, then the rectangle (solid pen, clear brush). Each step is
// followed by the baseline: the picture copied with memcpy into a buffer already in use.
void TimeWholeSteps(TImage* image, std::vector<double>& steps, std::vector<double>& plain) {
    TBitmap& picture = image->Picture();
    const TRect whole = picture.BoundsRect();
    const std::size_t bytes = static_cast<std::size_t>(picture.Image().sizeInBytes());
    std::vector<uchar> buffer(bytes, 1); // allocated and every page touched
    TCanvas& canvas = picture.Canvas();
    canvas.Pen = {psSolid, pmCopy, clBlack, 1};
    canvas.Brush = {bsClear, clWhite};
    TGraphUnDo undo;
    for (int i = 0; i < kWholeSteps; ++i) {
        canvas.Pen.Color = i % 2 ? clBlack : clRed;
        const Clock::time_point t0 = Clock::now();
        undo.SaveRegion(image, whole);
        canvas.Rectangle(whole.left, whole.top, whole.right, whole.bottom);
        const Clock::time_point t1 = Clock::now();
        std::memcpy(buffer.data(), picture.Image().constBits(), bytes);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        const Clock::time_point t2 = Clock::now();
        steps.push_back(Millis(t0, t1));
        plain.push_back(Millis(t1, t2));
    }
}

// A snapshot, a change and a step back must give the picture back as it was.
bool StepBackRestores(TImage* image, const TRect& rect) {
    TGraphUnDo undo;
    undo.SaveRegion(image, rect);
    Scribble(image->Picture(), rect);
    undo.StepBack(image);
    return undo.Count() == 0 && PatternMismatches(image->Picture(), rect) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ConsoleDialogs dialogs;
    SetDialogs(&dialogs);
    const Clock::time_point runStart = Clock::now();
    bool sound = true;

    // ---- a small rectangle on a small and on a large picture ----
    std::vector<SizeCase> cases;
    cases.push_back({761, 505, std::make_unique<TImage>(), {}, {}});
    cases.push_back({8000, 8000, std::make_unique<TImage>(), {}, {}});
    for (SizeCase& c : cases) {
        c.image->Picture().SetSize(c.width, c.height);
        FillPattern(c.image->Picture());
        if (!StepBackRestores(c.image.get(), kSmallRect)) {
            std::fprintf(stderr, "error: %dx%d: a step back did not restore the rectangle\n",
                         c.width, c.height);
            sound = false;
        }
    }
    std::vector<QRgb> buffer(static_cast<std::size_t>(kSmallRect.Width()) * kSmallRect.Height());
    for (int round = 0; round < kRounds; ++round) {
        for (SizeCase& c : cases) {
            TimeUndo(c);
            TimePlainCopy(c, buffer);
        }
    }
    for (SizeCase& c : cases) {
        if (PatternMismatches(c.image->Picture(), c.image->Picture().BoundsRect()) != 0) {
            std::fprintf(stderr, "error: %dx%d: the picture changed during the timing\n", c.width,
                         c.height);
            sound = false;
        }
        c.image.reset(); // frees the pictures before the memory is measured
    }

    // ---- a full history of whole-picture snapshots ----
    auto history = std::make_unique<TImage>();
    history->Picture().SetSize(kHistoryWidth, kHistoryHeight);
    FillPattern(history->Picture()); // allocated and every page touched
    const TRect whole = history->Picture().BoundsRect();
    const double pictureBytes = static_cast<double>(history->Picture().Image().sizeInBytes());
    TGraphUnDo undo;
    const int snapshots = undo.Capacity();
    const bool peakKnown = ResetPeakResident();
    const std::int64_t before = ResidentBytes();
    const Clock::time_point s0 = Clock::now();
    for (int i = 0; i < snapshots; ++i)
        undo.SaveRegion(history.get(), whole);
    const Clock::time_point s1 = Clock::now();
    const std::int64_t after = ResidentBytes();
    const std::int64_t peak = PeakResidentBytes();
    if (undo.Count() != snapshots || !undo.Enabled()) {
        std::fprintf(stderr, "error: %d of %d snapshots kept (undo %s)\n", undo.Count(), snapshots,
                     undo.Enabled() ? "on" : "switched off");
        sound = false;
    }
    Scribble(history->Picture(), whole);
    undo.StepBack(history.get());
    if (PatternMismatches(history->Picture(), whole) != 0) {
        std::fprintf(stderr, "error: a step back did not restore the whole picture\n");
        sound = false;
    }
    undo.Clear();

    // ---- whole-picture steps ----
    std::vector<double> wholeSteps, wholePlain;
    TimeWholeSteps(history.get(), wholeSteps, wholePlain);
    const int filling = undo.Capacity();
    const std::vector<double> firstSteps(wholeSteps.begin(), wholeSteps.begin() + filling);
    const std::vector<double> fullSteps(wholeSteps.begin() + filling, wholeSteps.end());
    const double wholePlainMs = Median(wholePlain);
    // The steps into new memory are the goal's figure: a history of steps of other sizes has no
    // bitmap of the right size to give.
    const double wholeRatio = Median(firstSteps) / wholePlainMs;
    const double reuseRatio = Median(fullSteps) / wholePlainMs;

    const double growth = static_cast<double>(after - before);
    const double perPicture = growth / pictureBytes;
    const double peakPerPicture =
        peakKnown && peak > 0 ? static_cast<double>(peak - before) / pictureBytes : -1;

    // ---- report ----
    const double undoSmall = Median(cases[0].undo), undoLarge = Median(cases[1].undo);
    const double ratio = undoLarge / undoSmall;
    std::printf("Snapshot + step back = TGraphUnDo::SaveRegion + StepBack of the 100x100 "
                "rectangle (330,200)-(430,300) on a TImage; median of %d pairs (%d rounds over "
                "the sizes, each %d pairs after %d warm-up pairs).\n",
                kRounds * kTimedPairs, kRounds, kTimedPairs, kWarmUpPairs);
    std::printf("memcpy: the same 100 rows of 400 bytes copied out of the picture into a buffer "
                "and back. Times in us.\n\n");
    std::printf("%-10s | %8s %7s | %8s %7s | %6s\n", "picture", "undo", "min", "memcpy", "min",
                "ratio");
    for (const SizeCase& c : cases) {
        char picture[32];
        std::snprintf(picture, sizeof picture, "%dx%d", c.width, c.height);
        std::printf("%-10s | %8.2f %7.2f | %8.2f %7.2f | %6.2f\n", picture, Median(c.undo),
                    Min(c.undo), Median(c.plain), Min(c.plain), Median(c.undo) / Median(c.plain));
    }
    std::printf("(ratio = undo / memcpy)\n\n");

    std::printf("History: %d snapshots of the whole %dx%d picture (%.1f MB each in memory), "
                "taken in %.0f ms.\n",
                snapshots, kHistoryWidth, kHistoryHeight, pictureBytes / 1e6,
                std::chrono::duration<double, std::milli>(s1 - s0).count());
    std::printf("resident before %.1f MB, after %.1f MB: growth %.1f MB = %.3f pictures",
                static_cast<double>(before) / 1e6, static_cast<double>(after) / 1e6, growth / 1e6,
                perPicture);
    if (peakPerPicture >= 0)
        std::printf(" (peak during the snapshots %.3f pictures above before)\n", peakPerPicture);
    else
        std::printf(" (peak unknown: /proc/self/clear_refs not writable)\n");
    std::printf("\n");

    std::printf("Whole-picture step on %dx%d: SaveRegion of the whole picture + a rectangle "
                "around it (solid pen, clear brush); %d steps, the first %d fill the history. "
                "memcpy: the picture into a buffer already in use, after each step. Times in "
                "ms.\n",
                kHistoryWidth, kHistoryHeight, kWholeSteps, filling);
    std::printf("%-22s | %8s %7s | %6s\n", "steps", "step", "min", "ratio");
    std::printf("%-22s | %8.2f %7.2f | %6.2f\n", "filling the history", Median(firstSteps),
                Min(firstSteps), wholeRatio);
    std::printf("%-22s | %8.2f %7.2f | %6.2f\n", "into a full history", Median(fullSteps),
                Min(fullSteps), reuseRatio);
    std::printf("%-22s | %8.2f %7.2f |\n", "memcpy", wholePlainMs, Min(wholePlain));
    std::printf("(ratio = step / memcpy)\n\n");

    const bool ratioMet = ratio <= 1.5;
    const double memoryGoal = snapshots * 1.1;
    const bool memoryMet = perPicture <= memoryGoal;
    std::printf("goal: 8000x8000 / 761x505 snapshot at most 1.5 .......... %s (%.2f)\n",
                ratioMet ? "met" : "NOT met", ratio);
    std::printf("goal: growth after %d full snapshots at most %.1f pictures .. %s (%.3f)\n",
                snapshots, memoryGoal, memoryMet ? "met" : "NOT met", perPicture);
    const bool wholeMet = wholeRatio <= 2;
    std::printf("goal: new whole-picture step / memcpy at most 2 ......... %s (%.2f)\n",
                wholeMet ? "met" : "NOT met", wholeRatio);
    std::printf("whole run: %.1f s%s\n\n",
                std::chrono::duration<double>(Clock::now() - runStart).count(),
                sound ? "" : " (checks failed: see errors)");

    std::printf("RESULT snapshot_us_100x100_on_761x505 %.2f\n", undoSmall);
    std::printf("RESULT snapshot_us_100x100_on_8000x8000 %.2f\n", undoLarge);
    std::printf("RESULT snapshot_ratio %.3f\n", ratio);
    std::printf("RESULT rss_per_picture_after_8_full_snapshots %.3f\n", perPicture);
    std::printf("RESULT memcpy_us_100x100_on_8000x8000 %.2f\n", Median(cases[1].plain));
    std::printf("RESULT whole_snapshot_ratio_6000x4500 %.3f\n", wholeRatio);
    std::printf("RESULT whole_snapshot_reuse_ratio_6000x4500 %.3f\n", reuseRatio);
    std::printf("RESULT whole_snapshot_ms_6000x4500 %.2f\n", Median(firstSteps));
    std::printf("RESULT whole_memcpy_ms_6000x4500 %.2f\n", wholePlainMs);
    SetDialogs(nullptr);
    return sound && dialogs.messages == 0 ? 0 : 1;
}
