// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The editor on a real Wayland compositor: Weston shows its output in a window of the X server,
// the editor is its client through Qt's Wayland platform, xdotool works Weston's window, and the
// X screen shows what Weston shows. The output has just room for the main window, so that
// wherever Weston puts the about box, it lies over the picture.
#include "SystemSupport.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace systemtest;

// Where the pointer rests between steps: on Weston's panel. Weston moves its own pointer by the X
// pointer's steps and draws it where it saw it last; coming into its window from outside puts it
// where the X pointer is.
const QPoint kRest(400, 10);
const QPoint kOutside(900, 800);
// No idle fade, no animations, no on-screen keyboard over a focused field, and a panel whose only
// launcher starts nothing: a click that went astray onto the default one would open a terminal
// over the editor.
const char kWestonIni[] = "[core]\nidle-time=0\n[input-method]\npath=\n"
                          "[shell]\nanimation=none\nstartup-animation=none\nlocking=false\n"
                          "[launcher]\nicon=/usr/share/weston/terminal.png\npath=/bin/true\n";

class SystemWayland : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editorOnWeston();

private:
    bool Click(QPoint at, QString* error) {
        return MovePointer(kOutside, error) && MovePointer(at, error) &&
               Xdotool({"click", "1"}, nullptr, error) && MovePointer(kRest, error);
    }
    QString PictureIs(const QImage& expected) {
        QImage shown;
        const QString complaint = WaitForScreen(
            screen_.picture, [&](const QImage& shot) { return ImageDifference(shot, expected); },
            &shown);
        if (!complaint.isEmpty())
            SaveForInspection(GrabScreen(QRect(0, 0, 800, 700)), QStringLiteral("weston"));
        return complaint;
    }
    // The picture with one more rectangle as a drag in mode 2 draws it: a blue outline, the right
    // and bottom edges left out.
    QString Outlined(QPoint from, QPoint to) {
        QPainter painter(&want_);
        painter.setPen(QColor(Qt::blue));
        painter.drawRect(QRect(from, to - QPoint(2, 2)));
        painter.end();
        return PictureIs(want_);
    }
    // The item of the edit menu down steps below its first: a click on the menu bar's first item,
    // two menus to the right.
    QString EditCommand(int down, const QImage& after) {
        QString error;
        QStringList keys{"key", "--delay", "200", "Right", "Right"};
        for (int i = 0; i < down; ++i)
            keys << "Down";
        if (!Click(screen_.picture.topLeft() + QPoint(29, -39), &error) ||
            !Xdotool(keys << "Return", nullptr, &error))
            return error;
        return PictureIs(after);
    }

    QTemporaryDir runtime_;
    QProcess weston_;
    Editor editor_;
    EditorScreen screen_;
    QImage want_{kPictureWidth, kPictureHeight, QImage::Format_RGB32};
};

void SystemWayland::editorOnWeston() {
    if (QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms")
            .entryList({"libqwayland*"})
            .isEmpty())
        QSKIP("Qt's Wayland platform (qt6-wayland) is not installed");
    QString error;
    QVERIFY2(ScreenReady(&error) && runtime_.isValid(), qPrintable(error));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    QVERIFY(PutFile(runtime_.filePath("weston.ini"), kWestonIni));
    KillWithParent(weston_);
    weston_.setProcessChannelMode(QProcess::ForwardedChannels); // its log
    weston_.start(WESTON_EXECUTABLE, {"--backend=x11-backend.so", "--use-pixman",
                                      "--config=" + runtime_.filePath("weston.ini"),
                                      "--socket=limnora-test", "--width=800", "--height=700"});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtime_.filePath("limnora-test")), kWindowTimeoutMs);
    qputenv("WAYLAND_DISPLAY", "limnora-test"); // for the editor, wl-copy and wl-paste
    // Coming into Weston's window from outside, its pointer is where the X pointer is.
    QVERIFY2(MovePointer(kOutside, &error) && MovePointer(kRest, &error), qPrintable(error));
    editor_.keepErrors = true;
    QProcessEnvironment wayland;
    wayland.insert("QT_QPA_PLATFORM", "wayland");
    // Qt 6.8 warns on stderr in a locale that is not UTF-8 (a bare login, CI) and takes C.UTF-8.
    wayland.insert("LC_ALL", "C.UTF-8");
    QVERIFY2(editor_.Start(&error, wayland), qPrintable(error));
    QList<QPoint> areas;
    error = WaitForScreen(QRect(0, 0, 800, 700), [&](const QImage& shot) {
        areas = FindWhiteAreas(shot, QSize(kPictureWidth, kPictureHeight));
        return areas.size() == 1 ? QString() : QStringLiteral("no white picture shown");
    });
    QVERIFY2(error.isEmpty(), qPrintable(error + "; the editor " + editor_.ExitReport()));
    screen_.picture = QRect(areas.first(), QSize(kPictureWidth, kPictureHeight));
    screen_.window = QRect(kRest + QPoint(5, 5), QSize(1, 1)); // Drag ends at the rest
    const QPoint corner = screen_.picture.topLeft();
    want_.fill(kWhite);

    // Mode 2: over the end and back, the rubber band leaves no trace. A click that comes while
    // Weston 14 still maps the new window can be lost: it is given again until the pen band (its
    // colour swatch) shows.
    const QRect swatch(corner + QPoint(248, -20), QSize(8, 8));
    const QImage bands = GrabScreen(swatch);
    for (int click = 0; click < 5 && GrabScreen(swatch) == bands; ++click) {
        QVERIFY2(Click(corner + QPoint(48, -16), &error), qPrintable(error));
        for (int wait = 0; wait < 20 && GrabScreen(swatch) == bands; ++wait)
            QThread::msleep(50);
    }
    QVERIFY2(GrabScreen(swatch) != bands, "mode 2's bands never showed");
    QVERIFY2(Drag(screen_, {40, 30}, {{120, 90}, {352, 247}, {301, 201}}, &error),
             qPrintable(error));
    QCOMPARE(Outlined({40, 30}, {301, 201}), QString());

    // With the about box open, a drag on a strip of the picture at the side the box (530 wide)
    // leaves free: the main window answers nothing and stays under the box.
    QVERIFY2(Click(corner + QPoint(336, -39), &error), qPrintable(error)); // "Справка"
    QImage shown; // the picture and the box over it, once two grabs in a row are the same
    error = WaitForScreen(screen_.picture, [&](const QImage& shot) {
        const bool settled = shot != want_ && shot == shown;
        shown = shot;
        return settled ? QString() : QStringLiteral("no about box over the picture");
    });
    QVERIFY2(error.isEmpty(), qPrintable(error));
    int covered = 0; // the first column of the picture the box covers
    while (covered < kPictureWidth &&
           shown.copy(covered, 0, 1, kPictureHeight) == want_.copy(covered, 0, 1, kPictureHeight))
        ++covered;
    const int x = covered > 20 ? 2 : kPictureWidth - 10;
    QVERIFY2(Drag(screen_, {x, 150}, {{x + 6, 350}}, &error), qPrintable(error));
    QThread::msleep(1000);
    // The drag drew nothing, and the box is still over the picture (the box itself may be drawn
    // anew meanwhile: a button under the pointer at rest, the box activated again).
    const QImage after = GrabScreen(screen_.picture);
    const QRect dragged(x - 2, 140, 12, 220);
    QCOMPARE(ImageDifference(after.copy(dragged), shown.copy(dragged)), QString());
    QVERIFY2(after.copy(covered, 0, 1, kPictureHeight) != want_.copy(covered, 0, 1, kPictureHeight),
             "the about box went under the main window");
    // Closed with its default button, the box gives the main window back.
    QVERIFY2(Xdotool({"key", "Return"}, nullptr, &error), qPrintable(error));
    QCOMPARE(PictureIs(want_), QString());
    QVERIFY2(Drag(screen_, {x, 150}, {{x + 6, 350}}, &error), qPrintable(error));
    QCOMPARE(Outlined({x, 150}, {x + 6, 350}), QString());

    // The picture to another program, and another program's picture to the top left corner.
    QCOMPARE(EditCommand(2, want_), QString());
    QByteArray png;
    QVERIFY2(Run(WL_PASTE_EXECUTABLE, {"--type", "image/png"}, &png, &error), qPrintable(error));
    QCOMPARE(ImageDifference(QImage::fromData(png, "PNG"), want_), QString());
    const QImage noise = NoiseImage(200, 120, 26);
    QVERIFY(PutFile(runtime_.filePath("noise.png"), Encoded(noise, "PNG")));
    // wl-copy leaves a process of its own serving the clipboard once it owns it.
    QVERIFY2(Run("sh",
                 {"-c", "exec \"$0\" --type image/png <\"$1\"", WL_COPY_EXECUTABLE,
                  runtime_.filePath("noise.png")},
                 nullptr, &error),
             qPrintable(error));
    QCOMPARE(EditCommand(3, Drawn(want_, noise)), QString());

    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
    QCOMPARE(QString::fromLocal8Bit(editor_.Errors()), QString());
}

QTEST_MAIN(SystemWayland)
#include "tst_system_wayland.moc"
