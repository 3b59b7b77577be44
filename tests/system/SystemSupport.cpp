// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SystemSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <vector>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

#ifndef LIMNORA_EXECUTABLE
#error "LIMNORA_EXECUTABLE must name the editor's binary"
#endif
#ifndef XDOTOOL_EXECUTABLE
#define XDOTOOL_EXECUTABLE "xdotool"
#endif

namespace systemtest {

namespace {

// A run of pixels along one edge follows the dotted pattern: 3 on, 3 off, in some phase (the
// pattern runs on around the corners, so an edge need not start with a whole dash).
bool Dotted(const std::vector<bool>& on) {
    for (int phase = 0; phase < 6; ++phase) {
        bool all = true;
        for (std::size_t i = 0; i < on.size() && all; ++i)
            all = on[i] == ((static_cast<int>(i) + phase) % 6 < 3);
        if (all)
            return true;
    }
    return false;
}

QString Pattern(const std::vector<bool>& on, std::size_t limit = 48) {
    QString text;
    for (std::size_t i = 0; i < on.size() && i < limit; ++i)
        text += on[i] ? QLatin1Char('#') : QLatin1Char('.');
    if (on.size() > limit)
        text += QStringLiteral("...");
    return text;
}

} // namespace

void KillWithParent(QProcess& process) {
#if defined(Q_OS_LINUX) && QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#else
    // Qt 5 has no hook in the child: there the end of the X server ends what is left.
    Q_UNUSED(process);
#endif
}

void StopProcess(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(10000);
    }
    process.reset();
}

bool Run(const QString& program, const QStringList& args, QByteArray* output, QString* error,
         int timeoutMs) {
    QProcess tool;
    KillWithParent(tool);
    tool.start(program, args);
    if (!tool.waitForStarted(kToolTimeoutMs)) {
        *error = QStringLiteral("cannot run %1: %2").arg(program, tool.errorString());
        return false;
    }
    tool.closeWriteChannel();
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(5000);
        *error = QStringLiteral("%1 %2 did not finish in %3 ms")
                     .arg(program, args.join(QLatin1Char(' ')))
                     .arg(timeoutMs);
        return false;
    }
    if (output)
        *output = tool.readAllStandardOutput();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        *error = QStringLiteral("%1 %2 failed (%3): %4")
                     .arg(program, args.join(QLatin1Char(' ')))
                     .arg(tool.exitCode())
                     .arg(QString::fromLocal8Bit(tool.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

bool Xdotool(const QStringList& args, QString* output, QString* error, int timeoutMs) {
    QByteArray bytes;
    const bool ok = Run(QStringLiteral(XDOTOOL_EXECUTABLE), args, &bytes, error, timeoutMs);
    if (output)
        *output = QString::fromLocal8Bit(bytes);
    return ok;
}

bool ScreenReady(QString* error) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        *error = QStringLiteral("the test runs on the %1 platform, not on an X server (xcb)")
                     .arg(QGuiApplication::platformName());
        return false;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        *error = QStringLiteral("no screen");
        return false;
    }
    // Grabs are read pixel by pixel: the test's own view of the screen must not be scaled.
    if (screen->devicePixelRatio() != 1.0) {
        *error = QStringLiteral("the test's screen is scaled by %1; run it without Qt's scaling")
                     .arg(screen->devicePixelRatio());
        return false;
    }
    return true;
}

bool Editor::Start(QString* error, const QProcessEnvironment& extra) {
    process_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                             "QT_ENABLE_HIGHDPI_SCALING", "QT_AUTO_SCREEN_SCALE_FACTOR"})
        env.remove(QLatin1String(name));
    env.insert(extra);
    process_->setProcessEnvironment(env);
    process_->setProcessChannelMode(keepErrors ? QProcess::ForwardedOutputChannel
                                               : QProcess::ForwardedChannels);
    KillWithParent(*process_);
    process_->start(QStringLiteral(LIMNORA_EXECUTABLE), QStringList());
    if (!process_->waitForStarted(kToolTimeoutMs)) {
        *error = QStringLiteral("cannot start %1: %2")
                     .arg(QStringLiteral(LIMNORA_EXECUTABLE), process_->errorString());
        return false;
    }
    return true;
}

QString Editor::ExitReport() const {
    if (!process_)
        return QStringLiteral("not started");
    if (Running())
        return QStringLiteral("running");
    return QStringLiteral("ended (exit status %1, code %2)")
        .arg(process_->exitStatus() == QProcess::CrashExit ? QStringLiteral("crash")
                                                           : QStringLiteral("normal"))
        .arg(process_->exitCode());
}

QByteArray Editor::Errors() {
    if (!process_)
        return QByteArray();
    process_->setReadChannel(QProcess::StandardError);
    while (process_->waitForReadyRead(200)) {
    }
    return process_->readAllStandardError();
}

QImage GrabScreen(const QRect& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QImage();
    const QPixmap shot =
        area.isNull() ? screen->grabWindow(0)
                      : screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

QList<QPoint> FindWhiteAreas(const QImage& screen, QSize size) {
    const int w = screen.width(), h = screen.height();
    // rowRun[y * w + x]: x starts a white run of exactly size.width() pixels on row y.
    std::vector<bool> rowRun(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), false);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        int x = 0;
        while (x < w) {
            if (row[x] != kWhite) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < w && row[x] == kWhite)
                ++x;
            if (x - start == size.width())
                rowRun[static_cast<std::size_t>(y) * w + start] = true;
        }
    }
    auto fullRow = [&](int x, int y) {
        if (y < 0 || y >= h)
            return false;
        const auto* row = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        for (int i = x; i < x + size.width(); ++i)
            if (row[i] != kWhite)
                return false;
        return true;
    };
    QList<QPoint> found;
    for (int x = 0; x + size.width() <= w; ++x) {
        int y = 0;
        while (y < h) {
            if (!rowRun[static_cast<std::size_t>(y) * w + x]) {
                ++y;
                continue;
            }
            const int start = y;
            while (y < h && rowRun[static_cast<std::size_t>(y) * w + x])
                ++y;
            if (y - start == size.height() && !fullRow(x, start - 1) && !fullRow(x, y))
                found << QPoint(x, start);
        }
    }
    return found;
}

QString PixelText(QRgb c) {
    return QStringLiteral("#%1").arg(c & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

bool WindowGeometry(const QString& id, QRect* geometry, QString* error) {
    QString shell;
    if (!Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}, &shell,
                 error))
        return false;
    QHash<QString, int> values;
    for (const QString& line : shell.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1).toInt());
    }
    *geometry =
        QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
              values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
    return true;
}

bool FindEditorWindow(const Editor& editor, int scale, EditorScreen* found, QString* error) {
    QString ids;
    if (!Xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                  QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                  QStringLiteral("Limnora")},
                 &ids, error, kWindowTimeoutMs)) {
        *error = QStringLiteral("the editor's window did not show up: %1; the editor %2")
                     .arg(*error, editor.ExitReport());
        return false;
    }
    const QStringList list = ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (list.isEmpty()) {
        *error = QStringLiteral("xdotool found no window");
        return false;
    }
    found->windowId = list.first().trimmed();
    found->scale = scale;
    if (!WindowGeometry(found->windowId, &found->window, error))
        return false;
    const QSize shown(kPictureWidth * scale, kPictureHeight * scale);
    if (found->window.width() <= shown.width() || found->window.height() <= shown.height()) {
        *error = QStringLiteral("window %1 is %2 x %3, too small for the picture")
                     .arg(found->windowId)
                     .arg(found->window.width())
                     .arg(found->window.height());
        return false;
    }

    // The window may still be painting itself: look until exactly one white area of the
    // picture's size is on the screen.
    QElapsedTimer clock;
    clock.start();
    QList<QPoint> areas;
    QImage screen;
    do {
        screen = GrabScreen();
        areas = FindWhiteAreas(screen, shown);
        if (areas.size() == 1)
            break;
        QThread::msleep(kPollIntervalMs);
    } while (clock.elapsed() < kScreenTimeoutMs);
    if (areas.size() != 1) {
        SaveForInspection(screen, QStringLiteral("start"));
        *error = QStringLiteral("found %1 white areas of %2 x %3 on the screen, expected the one "
                                "picture; the editor %4")
                     .arg(areas.size())
                     .arg(shown.width())
                     .arg(shown.height())
                     .arg(editor.ExitReport());
        return false;
    }
    found->picture = QRect(areas.first(), shown);
    if (!found->window.contains(found->picture)) {
        *error = QStringLiteral("the white area at (%1, %2) is not inside the window (%3, %4) "
                                "%5 x %6")
                     .arg(found->picture.x())
                     .arg(found->picture.y())
                     .arg(found->window.x())
                     .arg(found->window.y())
                     .arg(found->window.width())
                     .arg(found->window.height());
        return false;
    }
    const QPoint offset = found->picture.topLeft() - found->window.topLeft();
    if (offset.x() >= 20 * scale || offset.y() <= 20 * scale) {
        *error = QStringLiteral("the picture lies at (%1, %2) in the window, expected at its left "
                                "below the menu bar and the tool bands")
                     .arg(offset.x())
                     .arg(offset.y());
        return false;
    }
    return true;
}

bool StartEditor(Editor& editor, int scale, EditorScreen* found, QString* error) {
    QProcessEnvironment scaled;
    if (scale != 1)
        scaled.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    return ScreenReady(error) && editor.Start(error, scaled) &&
           FindEditorWindow(editor, scale, found, error);
}

bool MovePointer(QPoint at, QString* error) {
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
                    QString::number(at.y())},
                   nullptr, error);
}

bool Drag(const EditorScreen& screen, QPoint from, const QList<QPoint>& through, QString* error) {
    const QString move = QStringLiteral("mousemove"), sync = QStringLiteral("--sync");
    auto moveTo = [&](QStringList& args, QPoint at) {
        args << move << sync << QString::number(at.x()) << QString::number(at.y());
    };
    QStringList args;
    moveTo(args, screen.ScreenPoint(from));
    args << QStringLiteral("mousedown") << QStringLiteral("1");
    for (const QPoint& p : through)
        moveTo(args, screen.ScreenPoint(p));
    args << QStringLiteral("mouseup") << QStringLiteral("1");
    moveTo(args, screen.Away());
    return Xdotool(args, nullptr, error);
}

QString WaitForScreen(const QRect& area, const std::function<QString(const QImage&)>& check,
                      QImage* last) {
    QElapsedTimer clock;
    clock.start();
    QString complaint;
    QImage shot;
    for (;;) {
        shot = GrabScreen(area);
        complaint = check(shot);
        if (complaint.isEmpty() || clock.elapsed() > kScreenTimeoutMs)
            break;
        QThread::msleep(kPollIntervalMs);
    }
    if (last)
        *last = shot;
    return complaint;
}

void SaveForInspection(const QImage& image, const QString& what) {
    const QString name = QStringLiteral("%1-%2.png").arg(QCoreApplication::applicationName(), what);
    if (image.save(name))
        qWarning("screenshot kept as %s", qPrintable(name));
}

QString Selection::Text() const {
    return QStringLiteral("(%1, %2)-(%3, %4)").arg(left).arg(top).arg(right).arg(bottom);
}

QString CheckOutline(const QImage& picture, const Selection& s) {
    if (picture.size() != QSize(kPictureWidth, kPictureHeight))
        return QStringLiteral("grabbed %1 x %2 pixels instead of the picture")
            .arg(picture.width())
            .arg(picture.height());
    QStringList problems;
    auto pixel = [&](int x, int y) { return picture.pixel(x, y); };

    // The top edge, leftwards from its right end, where the outline starts: 3 black, 3 white,
    // and so on, ending at left.
    std::vector<bool> top;
    for (int x = s.right - 1; x >= s.left; --x)
        top.push_back(pixel(x, s.top) == kBlack);
    bool topExact = true;
    for (std::size_t i = 0; i < top.size(); ++i)
        topExact = topExact && top[i] == (i % 6 < 3);
    if (!topExact)
        problems << QStringLiteral("top edge y=%1 leftwards from x=%2 reads %3, expected "
                                   "###...###...")
                        .arg(s.top)
                        .arg(s.right - 1)
                        .arg(Pattern(top));

    // The other edges: the same dotted pattern; corners belong to the top and bottom rows.
    std::vector<bool> bottom, left, right;
    for (int x = s.left; x < s.right; ++x)
        bottom.push_back(pixel(x, s.bottom - 1) == kBlack);
    for (int y = s.top + 1; y < s.bottom - 1; ++y) {
        left.push_back(pixel(s.left, y) == kBlack);
        right.push_back(pixel(s.right - 1, y) == kBlack);
    }
    if (!Dotted(bottom))
        problems << QStringLiteral("bottom edge y=%1 is not dotted: %2")
                        .arg(s.bottom - 1)
                        .arg(Pattern(bottom));
    if (!Dotted(left))
        problems
            << QStringLiteral("left edge x=%1 is not dotted: %2").arg(s.left).arg(Pattern(left));
    if (!Dotted(right))
        problems << QStringLiteral("right edge x=%1 is not dotted: %2")
                        .arg(s.right - 1)
                        .arg(Pattern(right));

    // Dots are black, gaps white; every other pixel of the picture, inside the rectangle or out
    // of it, is still white.
    int outlineOdd = 0, insideChanged = 0, outsideChanged = 0;
    QString firstOdd, firstInside, firstOutside;
    auto note = [](int& count, QString& first, int x, int y, QRgb c) {
        if (count++ == 0)
            first = QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(PixelText(c));
    };
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = row[x];
            if (s.OnOutline(x, y)) {
                if (c != kBlack && c != kWhite)
                    note(outlineOdd, firstOdd, x, y, c);
            } else if (c != kWhite) {
                if (s.StrictlyInside(x, y))
                    note(insideChanged, firstInside, x, y, c);
                else
                    note(outsideChanged, firstOutside, x, y, c);
            }
        }
    }
    if (outlineOdd > 0)
        problems << QStringLiteral("%1 outline pixels are neither black nor white, first %2")
                        .arg(outlineOdd)
                        .arg(firstOdd);
    if (insideChanged > 0)
        problems << QStringLiteral("%1 pixels inside the rectangle are not white, first %2")
                        .arg(insideChanged)
                        .arg(firstInside);
    if (outsideChanged > 0)
        problems << QStringLiteral("%1 pixels outside the outline are not white, first %2")
                        .arg(outsideChanged)
                        .arg(firstOutside);
    if (problems.isEmpty())
        return QString();
    return QStringLiteral("selection %1: %2").arg(s.Text(), problems.join(QStringLiteral("; ")));
}

int BlackOnOutline(const QImage& picture, const Selection& s) {
    int count = 0;
    for (int y = s.top; y < s.bottom; ++y)
        for (int x = s.left; x < s.right; ++x)
            if (s.OnOutline(x, y) && picture.pixel(x, y) == kBlack)
                ++count;
    return count;
}

} // namespace systemtest
