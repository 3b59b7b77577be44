// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Scaling of large pictures through the fragment buffer's scaler: TImageScale::SetZoom followed by
// Execute on two image controls (source and target), as the buffer window scales its preview.
//
// Beside each figure, in the same run: a newly allocated buffer of the result's size filled with
// one value, the least any scaler must do to hand over a new picture of that size. For information
// also Qt's own smooth scaling of the same picture (QImage::scaled) and a plain read of every
// source pixel.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "BenchPictures.h"
#include "BenchSupport.h"
#include "canvas/TBitmap.h"
#include "canvas/TImage.h"
#include "desktop/EditorApplication.h"
#include "fragments/ImgScale01.h"

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Cases are measured in turn, several rounds, so that a change in the machine's load falls on all
// of them alike; the first round only warms up.
constexpr int kRounds = 8;

// The editor's way: SetZoom and Execute, the target's earlier picture dropped beforehand (not
// timed), so that every run makes its result in new memory.
double TimeScaler(TImageScale& scale, TImage& target, double factor) {
    target.Picture().SetSize(0, 0);
    scale.WorkBitmap->SetSize(0, 0);
    const Clock::time_point t0 = Clock::now();
    scale.SetZoom(factor);
    scale.Execute();
    return Millis(t0, Clock::now());
}

// The baseline: a newly allocated buffer of the result's size, filled (freed afterwards, untimed).
double TimeFill(std::int64_t pixels, std::uint32_t value) {
    const Clock::time_point t0 = Clock::now();
    std::unique_ptr<std::uint32_t[]> buffer(new std::uint32_t[static_cast<std::size_t>(pixels)]);
    std::fill_n(buffer.get(), pixels, value);
    const double ms = Millis(t0, Clock::now());
    volatile std::uint32_t keep = buffer[static_cast<std::size_t>(pixels / 2)];
    (void)keep;
    return ms;
}

// For information: Qt's smooth scaling of the same picture to the same size.
double TimeQtScaled(const QImage& source, int width, int height) {
    const Clock::time_point t0 = Clock::now();
    QImage scaled = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double ms = Millis(t0, Clock::now());
    if (scaled.width() != width)
        std::fprintf(stderr, "warning: Qt's scaling gave %d pixels wide\n", scaled.width());
    return ms;
}

// For information: every source pixel read once (the least a reduction that looks at every pixel
// must do).
double TimeRead(const QImage& source) {
    const int width = source.width(), height = source.height();
    const Clock::time_point t0 = Clock::now();
    std::uint32_t sum = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(source.constScanLine(y));
        for (int x = 0; x < width; ++x)
            sum += row[x];
    }
    const double ms = Millis(t0, Clock::now());
    volatile std::uint32_t keep = sum;
    (void)keep;
    return ms;
}

struct Case {
    const char* name; // the RESULT name's stem
    int sourceWidth;
    int sourceHeight;
    double factor;
    double goal; // at most this many times the baseline
    std::vector<double> ours, fill, qt, read;
    int width = 0;
    int height = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#if defined(__GLIBC__)
    // Every large buffer comes fresh from the system, for the scaler and for the baseline alike.
    // Otherwise glibc raises its threshold after the first large buffer is freed and serves the
    // next ones of up to 32 MB from memory already touched, which makes the figures depend on
    // the order of the runs.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    EditorApplication application(argc, argv);

    std::vector<Case> cases = {
        {"scale50", 6000, 4500, 0.5, 6.0, {}, {}, {}, {}},
        {"scale10", 6000, 4500, 0.1, 3.0, {}, {}, {}, {}},
        {"scale200", 3000, 2250, 2.0, 1.5, {}, {}, {}, {}},
    };

    const Clock::time_point wholeRun = Clock::now();
    TImage large, medium, target;
    large.Picture().SetSize(6000, 4500);
    FillPattern(large.Picture());
    medium.Picture().SetSize(3000, 2250);
    FillPattern(medium.Picture());

    TImageScale scale;
    scale.DstImage = &target;
    bool sizesRight = true;
    for (int round = 0; round < kRounds; ++round) {
        for (Case& c : cases) {
            TImage& source = c.sourceWidth == 6000 ? large : medium;
            scale.SetSource(&source);
            const double ours = TimeScaler(scale, target, c.factor);
            c.width = target.Picture().Width();
            c.height = target.Picture().Height();
            if (c.width != static_cast<int>(c.sourceWidth * c.factor + 0.5) ||
                c.height != static_cast<int>(c.sourceHeight * c.factor + 0.5)) {
                std::fprintf(stderr, "warning: %s gave %dx%d\n", c.name, c.width, c.height);
                sizesRight = false;
            }
            const double fill = TimeFill(std::int64_t{c.width} * c.height,
                                         0xFF000000u | static_cast<unsigned>(round));
            const double qt = TimeQtScaled(source.Picture().Image(), c.width, c.height);
            const double read = TimeRead(source.Picture().Image());
            if (round == 0)
                continue; // warm-up
            c.ours.push_back(ours);
            c.fill.push_back(fill);
            c.qt.push_back(qt);
            c.read.push_back(read);
        }
    }
    target.Picture().SetSize(0, 0);

    std::printf("Scaling through TImageScale (SetZoom + Execute from one image control into "
                "another), median of %d runs after one warm-up, times in ms.\n",
                kRounds - 1);
    std::printf("fill: a newly allocated buffer of the result's size filled with one value (the "
                "baseline). qt: QImage::scaled(..., Qt::SmoothTransformation) of the same "
                "picture. read: every source pixel read once.\n\n");
    std::printf("%-9s %-10s %-10s | %8s %8s %7s %6s | %8s %8s\n", "case", "source", "result",
                "limnora", "fill", "ratio", "goal", "qt", "read");
    for (const Case& c : cases) {
        const double ours = Median(c.ours), fill = Median(c.fill);
        const double ratio = ours / fill;
        char source[24], result[24];
        std::snprintf(source, sizeof source, "%dx%d", c.sourceWidth, c.sourceHeight);
        std::snprintf(result, sizeof result, "%dx%d", c.width, c.height);
        std::printf("%-9s %-10s %-10s | %8.2f %8.2f %7.2f %6.1f | %8.2f %8.2f  %s\n", c.name,
                    source, result, ours, fill, ratio, c.goal, Median(c.qt), Median(c.read),
                    ratio <= c.goal ? "met" : "NOT met");
    }
    std::printf("(ratio = limnora / fill; goal: the ratio at most this)\n");
    std::printf("whole run: %.1f s\n\n", Millis(wholeRun, Clock::now()) / 1000.0);

    for (const Case& c : cases) {
        const double ours = Median(c.ours);
        std::printf("RESULT %s_ratio %.3f\n", c.name, ours / Median(c.fill));
        std::printf("RESULT %s_ms %.2f\n", c.name, ours);
        std::printf("RESULT %s_fill_ms %.2f\n", c.name, Median(c.fill));
    }
    const Case& tenth = cases[1];
    std::printf("RESULT scale10_source_read_ms %.2f\n", Median(tenth.read));
    return sizesRight ? 0 : 1;
}
