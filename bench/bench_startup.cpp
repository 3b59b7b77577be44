// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up time of the editor, measured from outside: from starting the program to the first paint
// of its main window on the X server, beside the same figure for a bare Qt main window
// (bench_bare_qt) measured in the same run.
//
// The first paint is seen on the screen itself. Both windows are centred on the screen and, with
// no window manager (xvfb-run starts none), their windows have no background of their own, so the
// screen there keeps showing the empty root window until the program draws. A few small patches
// where the window will appear are read back from the root window about every half millisecond;
// the first change is the first paint. Then the program is killed and the next launch waits until
// the patches show the empty root again.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_startup [--launches N]
//            [EDITOR [BARE_QT]]

#include "BenchSupport.h"
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int kWindowWidth = 789;
constexpr int kWindowHeight = 629;
constexpr int kPatchSide = 8;
constexpr auto kPollInterval = std::chrono::microseconds(500);
constexpr auto kLaunchTimeout = std::chrono::seconds(10);
constexpr auto kVanishTimeout = std::chrono::seconds(5);

double MillisecondsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Small areas of the screen inside the window-to-be: its centre and four points near its corners,
// clear of the frame, the menu and the status bar edges.
class ScreenPatches {
public:
    explicit ScreenPatches(QScreen* screen) : screen_(screen) {
        const QRect available = screen->availableGeometry();
        const QRect window(available.center() - QRect(0, 0, kWindowWidth, kWindowHeight).center(),
                           QSize(kWindowWidth, kWindowHeight));
        const QPoint offsets[] = {{kWindowWidth / 2, kWindowHeight / 2},
                                  {40, 40},
                                  {kWindowWidth - 40, 40},
                                  {40, kWindowHeight - 40},
                                  {kWindowWidth - 40, kWindowHeight - 40}};
        const QRect screenRect = screen->geometry();
        for (const QPoint& o : offsets) {
            const QRect patch(window.topLeft() + o, QSize(kPatchSide, kPatchSide));
            if (screenRect.contains(patch))
                patches_.push_back(patch.translated(-screenRect.topLeft()));
        }
        window_ = window;
    }

    bool Valid() const { return !patches_.empty(); }
    QRect Window() const { return window_; }

    std::vector<QImage> Grab() const {
        std::vector<QImage> images;
        images.reserve(patches_.size());
        for (const QRect& p : patches_)
            images.push_back(screen_->grabWindow(0, p.x(), p.y(), p.width(), p.height()).toImage());
        return images;
    }

private:
    QScreen* screen_;
    QRect window_;
    std::vector<QRect> patches_;
};

struct Launch {
    bool ok = false;
    double ms = 0;
    QString failure;
};

pid_t Spawn(const QString& program) {
    const QByteArray path = program.toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The programs' own diagnostics would only clutter the table.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

void Stop(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Waits until the patches show what they showed before the launch (the window is gone).
bool WaitForEmptyScreen(const ScreenPatches& patches, const std::vector<QImage>& empty) {
    const Clock::time_point t0 = Clock::now();
    while (Clock::now() - t0 < kVanishTimeout) {
        if (patches.Grab() == empty)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

Launch TimeLaunch(const QString& program, const ScreenPatches& patches,
                  const std::vector<QImage>& empty) {
    Launch launch;
    const Clock::time_point t0 = Clock::now();
    const pid_t pid = Spawn(program);
    if (pid < 0) {
        launch.failure = QStringLiteral("cannot start %1").arg(program);
        return launch;
    }
    while (Clock::now() - t0 < kLaunchTimeout) {
        if (patches.Grab() != empty) {
            launch.ms = MillisecondsSince(t0);
            launch.ok = true;
            break;
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            launch.failure = QStringLiteral("%1 ended before its window was painted (status %2)")
                                 .arg(program)
                                 .arg(status);
            WaitForEmptyScreen(patches, empty);
            return launch;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    if (!launch.ok)
        launch.failure =
            QStringLiteral("no window of %1 appeared at the centre of the screen within %2 s")
                .arg(program)
                .arg(std::chrono::duration_cast<std::chrono::seconds>(kLaunchTimeout).count());
    Stop(pid);
    if (!WaitForEmptyScreen(patches, empty) && launch.ok)
        launch.failure = QStringLiteral("the window of %1 did not go away").arg(program);
    return launch;
}

QString Locate(const QString& given, const char* configured, const QString& besideUs) {
    if (!given.isEmpty())
        return given;
    const QString path = QString::fromLocal8Bit(configured);
    if (QFileInfo::exists(path))
        return path;
    return besideUs;
}

int Usage() {
    std::fprintf(stderr, "usage: bench_startup [--launches N] [EDITOR [BARE_QT]]\n"
                         "  under an X server, for example:\n"
                         "  xvfb-run -a -s \"-screen 0 1280x1024x24\" bench_startup\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr,
                     "bench_startup: no X server (DISPLAY is not set). It watches the screen of an "
                     "X server to see the first paint; run it as\n"
                     "  xvfb-run -a -s \"-screen 0 1280x1024x24\" %s\n",
                     argc > 0 ? argv[0] : "bench_startup");
        return 2;
    }
    // This program and the programs it starts use the X server.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);

    int launches = 10;
    QStringList paths;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--launches") && i + 1 < args.size()) {
            bool ok = false;
            launches = args[++i].toInt(&ok);
            if (!ok || launches < 1)
                return Usage();
        } else if (args[i].startsWith(QLatin1Char('-'))) {
            return Usage();
        } else {
            paths << args[i];
        }
    }
    if (paths.size() > 2)
        return Usage();
    const QString here = QCoreApplication::applicationDirPath();
    const QString editor = Locate(paths.value(0), LIMNORA_EDITOR_PATH, here + "/../limnora");
    const QString bare = Locate(paths.value(1), LIMNORA_BARE_QT_PATH, here + "/bench_bare_qt");
    for (const QString& program : {editor, bare}) {
        if (!QFileInfo(program).isExecutable()) {
            std::fprintf(stderr, "bench_startup: %s is not an executable program\n",
                         qPrintable(program));
            return 1;
        }
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "bench_startup: the X server has no screen\n");
        return 1;
    }
    const ScreenPatches patches(screen);
    if (!patches.Valid()) {
        std::fprintf(stderr, "bench_startup: the screen is too small for a %dx%d window\n",
                     kWindowWidth, kWindowHeight);
        return 1;
    }
    const std::vector<QImage> empty = patches.Grab();
    for (const QImage& image : empty) {
        if (image.isNull()) {
            std::fprintf(stderr, "bench_startup: cannot read the screen back\n");
            return 1;
        }
    }

    struct Subject {
        const char* name;
        QString program;
        std::vector<double> ms;
    };
    Subject subjects[] = {{"limnora", editor, {}}, {"bare Qt", bare, {}}};

    // One launch of each first, untimed, so that both start with their files in the page cache;
    // then the two alternate, so that both see the same load of the machine.
    for (int round = -1; round < launches; ++round) {
        for (Subject& s : subjects) {
            const Launch launch = TimeLaunch(s.program, patches, empty);
            if (!launch.failure.isEmpty()) {
                std::fprintf(stderr, "bench_startup: %s\n", qPrintable(launch.failure));
                return 1;
            }
            if (round >= 0)
                s.ms.push_back(launch.ms);
        }
    }

    const QRect screenRect = screen->geometry();
    std::printf("Start-up: program started -> first paint of its main window on the screen\n");
    std::printf("screen %dx%d, window %dx%d at (%d, %d), %d launches each after one untimed, "
                "poll every %lld us\n\n",
                screenRect.width(), screenRect.height(), kWindowWidth, kWindowHeight,
                patches.Window().x(), patches.Window().y(), launches,
                static_cast<long long>(kPollInterval.count()));
    std::printf("%-8s %9s %9s %9s   %s\n", "program", "median ms", "min ms", "max ms",
                "each launch, ms");
    for (const Subject& s : subjects) {
        QString each;
        for (double v : s.ms)
            each += QString::number(v, 'f', 1) + QLatin1Char(' ');
        std::printf("%-8s %9.1f %9.1f %9.1f   %s\n", s.name, Median(s.ms),
                    *std::min_element(s.ms.begin(), s.ms.end()),
                    *std::max_element(s.ms.begin(), s.ms.end()), qPrintable(each.trimmed()));
    }
    const double editorMs = Median(subjects[0].ms);
    const double bareMs = Median(subjects[1].ms);
    const double ratio = editorMs / bareMs;
    std::printf("\nlimnora / bare Qt: %.2f; goal: at most 1.2 .. %s\n\n", ratio,
                ratio <= 1.2 ? "met" : "NOT met");
    std::printf("RESULT startup_ratio %.3f\n", ratio);
    std::printf("RESULT startup_ms %.1f\n", editorMs);
    std::printf("RESULT bare_qt_startup_ms %.1f\n", bareMs);
    return 0;
}
