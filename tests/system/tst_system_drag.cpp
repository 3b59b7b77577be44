// The editor as a person uses it: the real program runs under an X server, gets real pointer
// events through xdotool, and what it shows is read back from the screen.
//
// In its start-up mode a left-button drag over the picture selects a rectangle; on release the
// selection's outline is left in the picture, drawn dotted (3 pixels on, 3 off) in not-xor mode,
// which makes the dots black on the white start-up picture. The outline covers columns
// left..right-1 and rows top..bottom-1 of the normalised drag rectangle; nothing else changes.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <functional>
#include <memory>
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

namespace {

// The picture a new editor window starts with.
constexpr int kPictureWidth = 761;
constexpr int kPictureHeight = 505;

constexpr int kToolTimeoutMs = 30000;
constexpr int kWindowTimeoutMs = 30000;
constexpr int kScreenTimeoutMs = 20000;
constexpr int kPollIntervalMs = 100;

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

// The program under test, killed whatever way the test ends.
class Editor {
public:
    Editor() = default;
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;
    ~Editor() { Stop(); }

    bool Start(QString* error) {
        process_ = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // One picture pixel must be one screen pixel.
        for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                                 "QT_ENABLE_HIGHDPI_SCALING", "QT_AUTO_SCREEN_SCALE_FACTOR"})
            env.remove(QLatin1String(name));
        process_->setProcessEnvironment(env);
        process_->setProcessChannelMode(QProcess::ForwardedChannels);
#ifdef Q_OS_LINUX
        // Should this test die without cleaning up, the editor goes with it.
        process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
        process_->start(QStringLiteral(LIMNORA_EXECUTABLE), {});
        if (!process_->waitForStarted(kToolTimeoutMs)) {
            *error = QStringLiteral("cannot start %1: %2")
                         .arg(QStringLiteral(LIMNORA_EXECUTABLE), process_->errorString());
            return false;
        }
        return true;
    }

    bool Running() const {
        return process_ && process_->state() == QProcess::Running;
    }
    qint64 Pid() const {
        return process_ ? process_->processId() : 0;
    }
    QString ExitReport() const {
        if (!process_)
            return QStringLiteral("not started");
        if (Running())
            return QStringLiteral("running");
        return QStringLiteral("ended (exit status %1, code %2)")
            .arg(process_->exitStatus() == QProcess::CrashExit ? QStringLiteral("crash")
                                                               : QStringLiteral("normal"))
            .arg(process_->exitCode());
    }

    void Stop() {
        if (!process_)
            return;
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(10000);
        }
        process_.reset();
    }

private:
    std::unique_ptr<QProcess> process_;
};

// Runs xdotool; false with a message when it fails or hangs.
bool Xdotool(const QStringList& args, QString* output, QString* error,
             int timeoutMs = kToolTimeoutMs) {
    QProcess tool;
    tool.start(QStringLiteral(XDOTOOL_EXECUTABLE), args);
    if (!tool.waitForStarted(kToolTimeoutMs)) {
        *error = QStringLiteral("cannot run xdotool: %1").arg(tool.errorString());
        return false;
    }
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(5000);
        *error = QStringLiteral("xdotool %1 did not finish in %2 ms")
                     .arg(args.join(QLatin1Char(' ')))
                     .arg(timeoutMs);
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(tool.readAllStandardOutput());
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        *error = QStringLiteral("xdotool %1 failed (%2): %3")
                     .arg(args.join(QLatin1Char(' ')))
                     .arg(tool.exitCode())
                     .arg(QString::fromLocal8Bit(tool.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

// What the X server shows: the whole screen, or a part of it.
QImage GrabScreen(const QRect& area = QRect()) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QImage();
    const QPixmap shot =
        area.isNull() ? screen->grabWindow(0)
                      : screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

// Top left corners of the white areas of exactly the given size, bounded on all sides by the
// screen's edge or by pixels that are not white.
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

// A drag's rectangle the way the editor normalises it: right and bottom are the larger
// coordinates themselves, so the outline covers columns left..right-1 and rows top..bottom-1.
struct Selection {
    int left, top, right, bottom;
    static Selection Of(QPoint a, QPoint b) {
        return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
                std::max(a.y(), b.y())};
    }
    bool OnOutline(int x, int y) const {
        if (x < left || x > right - 1 || y < top || y > bottom - 1)
            return false;
        return x == left || x == right - 1 || y == top || y == bottom - 1;
    }
    bool StrictlyInside(int x, int y) const {
        return x > left && x < right - 1 && y > top && y < bottom - 1;
    }
    QString Text() const {
        return QStringLiteral("(%1, %2)-(%3, %4)").arg(left).arg(top).arg(right).arg(bottom);
    }
};

QString PixelText(QRgb c) {
    return QStringLiteral("#%1").arg(c & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

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

// Checks a picture (as shown on the screen) against a white picture with the dotted outline of
// one selection; an empty result means it matches.
QString CheckOutline(const QImage& picture, const Selection& s) {
    if (picture.size() != QSize(kPictureWidth, kPictureHeight))
        return QStringLiteral("grabbed %1 x %2 pixels instead of the picture")
            .arg(picture.width())
            .arg(picture.height());
    QStringList problems;
    auto pixel = [&](int x, int y) { return picture.pixel(x, y); };

    // The top edge, from its left end: 3 black, 3 white, and so on, ending at right - 1.
    std::vector<bool> top;
    for (int x = s.left; x < s.right; ++x)
        top.push_back(pixel(x, s.top) == kBlack);
    bool topExact = true;
    for (std::size_t i = 0; i < top.size(); ++i)
        topExact = topExact && top[i] == (i % 6 < 3);
    if (!topExact)
        problems << QStringLiteral("top edge y=%1 from x=%2 reads %3, expected ###...###...")
                        .arg(s.top)
                        .arg(s.left)
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

// Number of black pixels on a selection's outline: a gone outline has none.
int BlackOnOutline(const QImage& picture, const Selection& s) {
    int count = 0;
    for (int y = s.top; y < s.bottom; ++y)
        for (int x = s.left; x < s.right; ++x)
            if (s.OnOutline(x, y) && picture.pixel(x, y) == kBlack)
                ++count;
    return count;
}

int NotWhite(const QImage& picture) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        count += static_cast<int>(
            std::count_if(row, row + picture.width(), [](QRgb c) { return c != kWhite; }));
    }
    return count;
}

} // namespace

class SystemDrag : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void dragLeavesDottedOutline();
    void nextDragReplacesOutline();

private:
    // Presses the left button at from, moves through the points and releases at the last one;
    // all in picture coordinates. The pointer is then taken off the window.
    bool Drag(QPoint from, const QList<QPoint>& through, QString* error);
    QImage Picture() { return GrabScreen(picture_); }
    // Grabs the picture until check accepts it or time runs out; the last complaint otherwise.
    QString WaitForPicture(const std::function<QString(const QImage&)>& check,
                           QImage* last = nullptr);
    void SaveForInspection(const QImage& image, const char* what);

    Editor editor_;
    QString windowId_;
    QRect window_;
    QRect picture_; // on the screen
};

void SystemDrag::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(QGuiApplication::primaryScreen() != nullptr);

    QString error;
    QVERIFY2(editor_.Start(&error), qPrintable(error));

    QString found;
    QVERIFY2(Xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                      QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                      QStringLiteral("Limnora")},
                     &found, &error, kWindowTimeoutMs),
             qPrintable(QStringLiteral("the editor's window did not show up: %1; the editor %2")
                            .arg(error, editor_.ExitReport())));
    const QStringList ids = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(!ids.isEmpty(), "xdotool found no window");
    windowId_ = ids.first().trimmed();

    QString geometry;
    QVERIFY2(Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId_},
                     &geometry, &error),
             qPrintable(error));
    QHash<QString, int> values;
    for (const QString& line : geometry.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1).toInt());
    }
    window_ = QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                    values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
    QVERIFY2(window_.width() > kPictureWidth && window_.height() > kPictureHeight,
             qPrintable(QStringLiteral("window %1 is %2 x %3, too small for the picture")
                            .arg(windowId_)
                            .arg(window_.width())
                            .arg(window_.height())));

    // The window may still be painting itself: look until exactly one white area of the
    // picture's size is on the screen.
    QElapsedTimer clock;
    clock.start();
    QList<QPoint> areas;
    QImage screen;
    do {
        screen = GrabScreen();
        areas = FindWhiteAreas(screen, QSize(kPictureWidth, kPictureHeight));
        if (areas.size() == 1)
            break;
        QThread::msleep(kPollIntervalMs);
    } while (clock.elapsed() < kScreenTimeoutMs);
    if (areas.size() != 1)
        SaveForInspection(screen, "start");
    QVERIFY2(areas.size() == 1,
             qPrintable(QStringLiteral("found %1 white areas of %2 x %3 on the screen, expected "
                                       "the one picture; the editor %4")
                            .arg(areas.size())
                            .arg(kPictureWidth)
                            .arg(kPictureHeight)
                            .arg(editor_.ExitReport())));
    picture_ = QRect(areas.first(), QSize(kPictureWidth, kPictureHeight));
    QVERIFY2(window_.contains(picture_),
             qPrintable(QStringLiteral("the white area at (%1, %2) is not inside the window "
                                       "(%3, %4) %5 x %6")
                            .arg(picture_.x())
                            .arg(picture_.y())
                            .arg(window_.x())
                            .arg(window_.y())
                            .arg(window_.width())
                            .arg(window_.height())));
    // The picture sits at the top left of the client area, below the menu bar and tool bands.
    QVERIFY(picture_.x() - window_.x() < 20);
    QVERIFY(picture_.y() - window_.y() > 20);
}

void SystemDrag::cleanupTestCase() {
    editor_.Stop();
}

bool SystemDrag::Drag(QPoint from, const QList<QPoint>& through, QString* error) {
    auto screenX = [this](QPoint p) { return QString::number(picture_.x() + p.x()); };
    auto screenY = [this](QPoint p) { return QString::number(picture_.y() + p.y()); };
    const QString move = QStringLiteral("mousemove"), sync = QStringLiteral("--sync");
    QStringList args{
        move, sync, screenX(from), screenY(from), QStringLiteral("mousedown"), QStringLiteral("1")};
    for (const QPoint& p : through)
        args << move << sync << screenX(p) << screenY(p);
    args << QStringLiteral("mouseup") << QStringLiteral("1");
    // Off the window, so that neither the pointer nor a hover effect can land on the picture.
    args << move << sync << QString::number(std::max(0, window_.left() - 5))
         << QString::number(std::max(0, window_.top() - 5));
    return Xdotool(args, nullptr, error);
}

QString SystemDrag::WaitForPicture(const std::function<QString(const QImage&)>& check,
                                   QImage* last) {
    QElapsedTimer clock;
    clock.start();
    QString complaint;
    QImage picture;
    for (;;) {
        picture = Picture();
        complaint = check(picture);
        if (complaint.isEmpty() || clock.elapsed() > kScreenTimeoutMs)
            break;
        QThread::msleep(kPollIntervalMs);
    }
    if (last)
        *last = picture;
    return complaint;
}

void SystemDrag::SaveForInspection(const QImage& image, const char* what) {
    const QString name = QStringLiteral("tst_system_drag-%1.png").arg(QLatin1String(what));
    if (image.save(name))
        qWarning("screenshot kept as %s", qPrintable(name));
}

void SystemDrag::dragLeavesDottedOutline() {
    QVERIFY(editor_.Running());
    QString error;
    QImage picture = Picture();
    QCOMPARE(NotWhite(picture), 0);

    // Over the mark and back: the rubber band of the bigger rectangle must leave no trace.
    const QPoint start(40, 30), end(301, 201);
    QVERIFY2(Drag(start, {{120, 90}, {250, 160}, {352, 247}, {330, 230}, end}, &error),
             qPrintable(error));
    const Selection selection = Selection::Of(start, end);
    error = WaitForPicture([&](const QImage& p) { return CheckOutline(p, selection); }, &picture);
    if (!error.isEmpty())
        SaveForInspection(picture, "first-drag");
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // And it stays.
    QThread::msleep(500);
    picture = Picture();
    error = CheckOutline(picture, selection);
    QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("later: %1").arg(error)));
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

void SystemDrag::nextDragReplacesOutline() {
    QVERIFY(editor_.Running());
    QString error;
    QImage picture;

    const QPoint firstStart(120, 260), firstEnd(333, 437);
    QVERIFY2(Drag(firstStart, {{200, 300}, {300, 400}, firstEnd}, &error), qPrintable(error));
    const Selection first = Selection::Of(firstStart, firstEnd);
    error = WaitForPicture([&](const QImage& p) { return CheckOutline(p, first); }, &picture);
    if (!error.isEmpty())
        SaveForInspection(picture, "before-second-drag");
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Elsewhere, and from the bottom right up to the top left: the rectangle is the same as if
    // dragged the other way.
    const QPoint secondStart(712, 478), secondEnd(455, 88);
    QVERIFY2(Drag(secondStart, {{650, 400}, {520, 200}, {430, 60}, secondEnd}, &error),
             qPrintable(error));
    const Selection second = Selection::Of(secondStart, secondEnd);
    error = WaitForPicture([&](const QImage& p) { return CheckOutline(p, second); }, &picture);
    if (!error.isEmpty())
        SaveForInspection(picture, "second-drag");
    const int leftOver = BlackOnOutline(picture, first);
    QVERIFY2(leftOver == 0,
             qPrintable(QStringLiteral("%1 dots of the first outline %2 are still there")
                            .arg(leftOver)
                            .arg(first.Text())));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

QTEST_MAIN(SystemDrag)
#include "tst_system_drag.moc"
