// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Picture files: the time to open and to save a large 24-bit BMP the way the editor does, and the
// peak memory of an open.
//
// Open is ReadPicture followed by TBitmap::AssignImage (as File > Open does); save is
// WritePicture (through a QSaveFile). Beside each, in the same run, a baseline that moves the same
// bytes plainly: for open, reading the file's bytes in 256 KiB pieces and then filling a newly
// allocated buffer of the picture's size in memory (width * height * 4 bytes); for save, writing
// as many bytes as the BMP has to a new file in 256 KiB pieces and closing it, without fsync.
//
// QSaveFile::commit does call fdatasync before it puts the file in place, so the same plain write
// followed by fdatasync is timed as well and shown beside the save, for information.
//
// The peak memory of an open is measured in a fresh process: this program runs itself with a
// hidden argument, opens the file there and reports the growth of its peak resident size (VmHWM)
// over the resident size just before the open.
//
// The files live in a temporary directory made for the run, removed at the end, on an error and
// when a signal ends the program.

#include "BenchPictures.h"
#include "BenchSupport.h"
#include "canvas/TBitmap.h"
#include "files/PictureFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

// Each size is measured kWarmUpRuns + kTimedRuns times; the order of an operation and its
// baselines turns from run to run, so that the state of the page cache falls on all of them alike.
constexpr int kWarmUpRuns = 1;
constexpr int kTimedRuns = 5;
constexpr int kPeakRuns = 3; // fresh processes for the peak memory of an open

// The baselines read and write in pieces of 256 KiB. With 1 MiB pieces a plain write right after
// a save was seen to take up to ten times as long as otherwise (the kernel's copy into new page
// cache pages slows down), which made the baseline unreliable.
constexpr qint64 kPiece = qint64{1} << 18;

constexpr const char* kPeakChildArgument = "--open-peak-child";

double Max(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

// ---- removal of the files when a signal ends the program ----

// The temporary directory of the run, for the signal handler (which may not allocate).
char cleanupDir[4096];

// Removes every file of the directory and the directory itself, with system calls only, then lets
// the signal do what it would have done.
extern "C" void RemoveFilesOnSignal(int signalNumber) {
    if (cleanupDir[0] != '\0') {
        const int dir = open(cleanupDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            // Entries are read afresh after each removal until none is left.
            for (bool removed = true; removed;) {
                removed = false;
                alignas(dirent64) char entries[4096];
                lseek(dir, 0, SEEK_SET);
                const long n = syscall(SYS_getdents64, dir, entries, sizeof entries);
                for (long at = 0; at < n;) {
                    const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
                    const char* name = entry->d_name;
                    const bool dots =
                        name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
                    if (!dots && unlinkat(dir, name, 0) == 0)
                        removed = true;
                    at += entry->d_reclen;
                }
            }
            close(dir);
            rmdir(cleanupDir);
        }
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS};

// Arms the handler for the directory while it exists.
class RemoveOnSignal {
public:
    explicit RemoveOnSignal(const QString& dir) {
        const QByteArray path = QFile::encodeName(dir);
        if (static_cast<std::size_t>(path.size()) < sizeof cleanupDir)
            std::memcpy(cleanupDir, path.constData(), static_cast<std::size_t>(path.size()) + 1);
        for (int s : kCleanupSignals)
            std::signal(s, RemoveFilesOnSignal);
    }
    ~RemoveOnSignal() {
        for (int s : kCleanupSignals)
            std::signal(s, SIG_DFL);
        cleanupDir[0] = '\0';
    }
    RemoveOnSignal(const RemoveOnSignal&) = delete;
    RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;
};

// ---- memory ----

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); -1 when missing.
std::int64_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ':';
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) {
            std::istringstream fields(line.substr(key.size()));
            std::int64_t kib = -1;
            fields >> kib;
            return kib < 0 ? -1 : kib * 1024;
        }
    }
    return -1;
}

// The child: opens the file as the editor does and prints the resident size before the open and
// the peak at the end.
int PeakChild(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QString fileName = QFile::decodeName(argv[2]);
    try {
        TBitmap picture;
        const std::int64_t before = StatusBytes("VmRSS");
        const std::int64_t peakBefore = StatusBytes("VmHWM");
        picture.AssignImage(ReadPicture(fileName));
        const std::int64_t peak = StatusBytes("VmHWM");
        std::printf("PEAK %lld %lld %lld %lld\n", static_cast<long long>(before),
                    static_cast<long long>(peakBefore), static_cast<long long>(peak),
                    static_cast<long long>(picture.Image().sizeInBytes()));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "open of %s failed: %s\n", argv[2], e.what());
        return 1;
    }
}

struct Peak {
    std::int64_t before = 0;     // VmRSS just before the open
    std::int64_t peakBefore = 0; // VmHWM then
    std::int64_t peak = 0;       // VmHWM after the open
    std::int64_t pictureBytes = 0;
};

Peak MeasurePeakInChild(const QString& fileName) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kPeakChildArgument), fileName});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        throw std::runtime_error("the child process measuring the peak memory failed");
    const QList<QByteArray> fields = child.readAllStandardOutput().simplified().split(' ');
    if (fields.size() != 5 || fields[0] != "PEAK")
        throw std::runtime_error("the child process measuring the peak memory said nothing");
    return {fields[1].toLongLong(), fields[2].toLongLong(), fields[3].toLongLong(),
            fields[4].toLongLong()};
}

// ---- the picture and the baselines ----

bool SamePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if ((ra[x] ^ rb[x]) & 0x00FFFFFFu)
                return false;
    }
    return true;
}

[[noreturn]] void Fail(const QString& what, const QFile& file) {
    throw std::runtime_error(qPrintable(what + ' ' + file.fileName() + ": " + file.errorString()));
}

// Reads the file's bytes, then fills a new buffer of the picture's size; the buffer is handed to
// the caller so that freeing it is not timed.
std::unique_ptr<uchar[]> PlainOpen(const QString& fileName, std::size_t pictureBytes,
                                   std::vector<char>& piece) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot open"), file);
    for (;;) {
        const qint64 n = file.read(piece.data(), kPiece);
        if (n < 0)
            Fail(QStringLiteral("cannot read"), file);
        if (n == 0)
            break;
    }
    std::unique_ptr<uchar[]> pixels(new uchar[pictureBytes]);
    std::memset(pixels.get(), 0xFF, pictureBytes);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    return pixels;
}

// Writes bytes bytes to a new file and closes it; with sync, fdatasync comes before the close.
void PlainSave(const QString& fileName, qint64 bytes, const std::vector<char>& piece, bool sync) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        Fail(QStringLiteral("cannot create"), file);
    for (qint64 left = bytes; left > 0;) {
        const qint64 n = std::min(left, kPiece);
        if (file.write(piece.data(), n) != n)
            Fail(QStringLiteral("cannot write"), file);
        left -= n;
    }
    if (sync && (!file.flush() || fdatasync(file.handle()) != 0))
        Fail(QStringLiteral("cannot sync"), file);
    file.close();
    if (file.error() != QFileDevice::NoError)
        Fail(QStringLiteral("cannot close"), file);
}

void Remove(const QString& fileName) {
    if (QFile::exists(fileName) && !QFile::remove(fileName))
        throw std::runtime_error(qPrintable("cannot remove " + fileName));
}

struct SizeCase {
    int width;
    int height;
    qint64 fileBytes = 0;
    std::vector<double> open, plainOpen, save, plainSave, syncedSave; // ms
    std::vector<double> peakRatio;                                    // peak growth / picture bytes
    double pictureBytes = 0;
};

// Runs the operations once each, starting with a different one in each run, so that each takes
// its turn right after each of the others.
void RunInTurn(int run, const std::vector<std::function<void()>>& operations) {
    const std::size_t n = operations.size();
    for (std::size_t i = 0; i < n; ++i)
        operations[(static_cast<std::size_t>(run) + i) % n]();
}

void Measure(SizeCase& c, const QString& dir, std::vector<char>& piece) {
    const QString name = QStringLiteral("%1/picture_%2x%3.bmp").arg(dir).arg(c.width).arg(c.height);
    const QString plainName =
        QStringLiteral("%1/plain_%2x%3.bin").arg(dir).arg(c.width).arg(c.height);
    const std::size_t pictureBytes =
        std::size_t{4} * static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height);
    c.pictureBytes = static_cast<double>(pictureBytes);

    auto source = std::make_unique<TBitmap>(c.width, c.height);
    FillPattern(*source);
    // The first save makes the file and gives its size.
    WritePicture(*source, name);
    c.fileBytes = QFile(name).size();
    if (c.fileBytes != 54 + (qint64{c.width} * 3 + 3) / 4 * 4 * c.height)
        throw std::runtime_error(qPrintable(name + " does not have the size of a 24-bit BMP"));

    bool timed = false;
    auto timeIt = [&timed](std::vector<double>& times, const std::function<void()>& operation) {
        const Clock::time_point t0 = Clock::now();
        operation();
        const Clock::time_point t1 = Clock::now();
        if (timed)
            times.push_back(Millis(t0, t1));
    };
    // Every write goes to a file that does not exist yet; removing the old one is not timed.
    const std::vector<std::function<void()>> saves{
        [&] {
            Remove(name);
            timeIt(c.save, [&] { WritePicture(*source, name); });
        },
        [&] {
            Remove(plainName);
            timeIt(c.plainSave, [&] { PlainSave(plainName, c.fileBytes, piece, false); });
            Remove(plainName);
        },
        [&] {
            Remove(plainName);
            timeIt(c.syncedSave, [&] { PlainSave(plainName, c.fileBytes, piece, true); });
            Remove(plainName);
        },
    };
    bool checked = false;
    const std::vector<std::function<void()>> opens{
        [&] {
            // Freeing the picture is not timed.
            auto opened = std::make_unique<TBitmap>();
            timeIt(c.open, [&] { opened->AssignImage(ReadPicture(name)); });
            if (!checked && !SamePixels(opened->Image(), source->Image()))
                throw std::runtime_error(qPrintable("the picture read back from " + name +
                                                    " differs from the one written"));
            checked = true;
        },
        [&] {
            std::unique_ptr<uchar[]> pixels;
            timeIt(c.plainOpen, [&] { pixels = PlainOpen(name, pictureBytes, piece); });
        },
    };
    for (int run = 0; run < kWarmUpRuns + kTimedRuns; ++run) {
        timed = run >= kWarmUpRuns;
        RunInTurn(run, saves);
        RunInTurn(run, opens);
    }
    source.reset();

    for (int i = 0; i < kPeakRuns; ++i) {
        const Peak p = MeasurePeakInChild(name);
        if (p.pictureBytes != static_cast<std::int64_t>(pictureBytes))
            throw std::runtime_error("the child process opened a picture of another size");
        c.peakRatio.push_back(static_cast<double>(p.peak - p.before) / c.pictureBytes);
    }
    Remove(name);
}

int Run() {
    const Clock::time_point runStart = Clock::now();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/limnora-bench-files-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_files: cannot make a temporary directory: %s\n",
                     qPrintable(dir.errorString()));
        return 1;
    }
    RemoveOnSignal removeOnSignal(dir.path());

    std::vector<SizeCase> cases{{6000, 4500, 0, {}, {}, {}, {}, {}, {}, 0},
                                {12000, 9000, 0, {}, {}, {}, {}, {}, {}, 0}};
    // At most two files of the largest size exist at a time; room for a third is kept.
    const qint64 needed = 3 * (qint64{12000} * 9000 * 3 + 54) + (qint64{64} << 20);
    const qint64 available = QStorageInfo(dir.path()).bytesAvailable();
    if (available >= 0 && available < needed) {
        std::fprintf(stderr, "bench_files: %s has %.0f MB free, %.0f MB needed\n",
                     qPrintable(dir.path()), static_cast<double>(available) / 1e6,
                     static_cast<double>(needed) / 1e6);
        return 1;
    }

    std::vector<char> piece(static_cast<std::size_t>(kPiece));
    std::fill(piece.begin(), piece.end(), '\x5A');
    try {
        for (SizeCase& c : cases)
            Measure(c, dir.path(), piece);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_files: %s\n", e.what());
        return 1; // the temporary directory goes with its files
    }
    const bool removed = dir.remove();

    std::printf("open = ReadPicture + TBitmap::AssignImage of a 24-bit BMP; save = WritePicture "
                "(QSaveFile). Median of %d runs after %d warm-up run, in ms (min - max in "
                "brackets).\n",
                kTimedRuns, kWarmUpRuns);
    std::printf("plain open: read the file in %lld KiB pieces + fill a new buffer of "
                "width*height*4 bytes. plain save: write the BMP's number of bytes to a new file "
                "in %lld KiB pieces and close it (no fsync); + fdatasync: the same with fdatasync "
                "before the close, as QSaveFile::commit does.\n",
                static_cast<long long>(kPiece / 1024), static_cast<long long>(kPiece / 1024));
    std::printf("peak: growth of VmHWM over VmRSS before the open, in a fresh process, per "
                "picture in memory (width*height*4 bytes); median of %d processes.\n\n",
                kPeakRuns);
    auto cell = [](const std::vector<double>& v) {
        char text[64];
        std::snprintf(text, sizeof text, "%6.0f (%5.0f - %5.0f)", Median(v), Min(v), Max(v));
        return std::string(text);
    };
    auto ratio = [](const std::vector<double>& ours, const std::vector<double>& plain) {
        return Median(ours) / Median(plain);
    };
    std::printf("%-10s %7s | %20s %20s %6s | %6s\n", "picture", "file MB", "open", "plain open",
                "ratio", "peak");
    for (const SizeCase& c : cases)
        std::printf("%-10s %7.1f | %20s %20s %6.2f | %6.3f\n",
                    (std::to_string(c.width) + 'x' + std::to_string(c.height)).c_str(),
                    static_cast<double>(c.fileBytes) / 1e6, cell(c.open).c_str(),
                    cell(c.plainOpen).c_str(), ratio(c.open, c.plainOpen), Median(c.peakRatio));
    std::printf("\n%-10s %7s | %20s %20s %6s | %20s %6s\n", "picture", "file MB", "save",
                "plain save", "ratio", "+ fdatasync", "ratio");
    for (const SizeCase& c : cases)
        std::printf("%-10s %7.1f | %20s %20s %6.2f | %20s %6.2f\n",
                    (std::to_string(c.width) + 'x' + std::to_string(c.height)).c_str(),
                    static_cast<double>(c.fileBytes) / 1e6, cell(c.save).c_str(),
                    cell(c.plainSave).c_str(), ratio(c.save, c.plainSave),
                    cell(c.syncedSave).c_str(), ratio(c.save, c.syncedSave));
    std::printf("(ratio = editor / plain)\n\n");

    bool openMet = true, saveMet = true;
    for (const SizeCase& c : cases) {
        openMet = openMet && ratio(c.open, c.plainOpen) <= 1.15;
        saveMet = saveMet && ratio(c.save, c.plainSave) <= 3.5;
    }
    const double peak = Median(cases[0].peakRatio);
    const bool peakMet = peak <= 1.1;
    std::printf("goal: open within 1.15 x plain open on both sizes ....... %s\n",
                openMet ? "met" : "NOT met");
    std::printf("goal: save within 3.5 x plain save on both sizes ........ %s\n",
                saveMet ? "met" : "NOT met");
    std::printf("goal: peak of an open of 6000x4500 at most 1.1 pictures .. %s (%.3f)\n",
                peakMet ? "met" : "NOT met", peak);
    std::printf("whole run: %.1f s%s\n\n",
                std::chrono::duration<double>(Clock::now() - runStart).count(),
                removed ? "" : " (the temporary directory could not be removed)");

    for (const SizeCase& c : cases) {
        std::printf("RESULT open_ratio_%dx%d %.3f\n", c.width, c.height,
                    ratio(c.open, c.plainOpen));
        std::printf("RESULT save_ratio_%dx%d %.3f\n", c.width, c.height,
                    ratio(c.save, c.plainSave));
    }
    std::printf("RESULT open_peak_rss_ratio_6000x4500 %.3f\n", peak);
    for (const SizeCase& c : cases) {
        std::printf("RESULT open_ms_%dx%d %.1f\n", c.width, c.height, Median(c.open));
        std::printf("RESULT save_ms_%dx%d %.1f\n", c.width, c.height, Median(c.save));
        std::printf("RESULT save_ratio_fdatasync_baseline_%dx%d %.3f\n", c.width, c.height,
                    ratio(c.save, c.syncedSave));
    }
    return removed ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], kPeakChildArgument) == 0)
        return PeakChild(argc, argv);
    QCoreApplication application(argc, argv);
    return Run();
}
