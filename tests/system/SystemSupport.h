// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// What the system tests share: the real editor as a child process, xdotool for the pointer and
// the keyboard, and the X server's screen read back as pixels.
//
// The editor's binary is named by LIMNORA_EXECUTABLE and xdotool by XDOTOOL_EXECUTABLE, both
// given when this library is built.
#pragma once

#include "support/TestImages.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>

namespace systemtest {

// The picture a new editor window starts with: white.
constexpr int kPictureWidth = 761;
constexpr int kPictureHeight = 505;

constexpr int kToolTimeoutMs = 30000;
constexpr int kWindowTimeoutMs = 30000;
constexpr int kScreenTimeoutMs = 20000;
constexpr int kPollIntervalMs = 100;

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

// The process is killed when the test that started it dies, however it dies.
void KillWithParent(QProcess& process);

// Kills the process if it still runs, waits for its end and lets it go.
void StopProcess(std::unique_ptr<QProcess>& process);

// A program run to its end; false with a message when it cannot start, hangs or fails.
bool Run(const QString& program, const QStringList& args, QByteArray* output, QString* error,
         int timeoutMs = kToolTimeoutMs);
bool Xdotool(const QStringList& args, QString* output, QString* error,
             int timeoutMs = kToolTimeoutMs);

// The test itself must see the screen in its own pixels: false with a message otherwise.
bool ScreenReady(QString* error);

// The program under test, killed whatever way the test ends.
class Editor {
public:
    Editor() = default;
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;
    ~Editor() { Stop(); }

    // Starts the editor on the X server. Qt's scaling variables of the test's environment are
    // dropped, so that one picture pixel is one screen pixel, unless extra sets them again.
    bool Start(QString* error, const QProcessEnvironment& extra = QProcessEnvironment());
    bool Running() const { return process_ && process_->state() == QProcess::Running; }
    qint64 Pid() const { return process_ ? process_->processId() : 0; }
    // "running", or how it ended: for failure messages.
    QString ExitReport() const;
    void Stop() { StopProcess(process_); }
    // Set before Start: what the editor writes to stderr is kept for Errors(), not passed on.
    bool keepErrors = false;
    QByteArray Errors();

private:
    std::unique_ptr<QProcess> process_;
};

// What the X server shows: the whole screen, or a part of it, in RGB32.
QImage GrabScreen(const QRect& area = QRect());

// Top left corners of the white areas of exactly the given size, bounded on all sides by the
// screen's edge or by pixels that are not white.
QList<QPoint> FindWhiteAreas(const QImage& screen, QSize size);

QString PixelText(QRgb c);

// A window's place and size on the screen, as xdotool reports them.
bool WindowGeometry(const QString& id, QRect* geometry, QString* error);

// Where the editor's main window and its picture are on the screen.
struct EditorScreen {
    QString windowId;
    QRect window;
    QRect picture; // the picture as shown: scale screen pixels a picture pixel
    int scale = 1; // screen pixels a picture pixel, each way

    // The screen pixel the pointer aims at for picture pixel p: of the scale x scale screen
    // pixels that show it, the one at the middle (for a scale of 2, the second each way).
    QPoint ScreenPoint(QPoint p) const {
        return picture.topLeft() + p * scale + QPoint(scale / 2, scale / 2);
    }
    // A pointer position off the window, where neither the pointer nor a hover effect can land
    // on the picture.
    QPoint Away() const {
        return QPoint(std::max(0, window.left() - 5), std::max(0, window.top() - 5));
    }
};

// Waits for the editor's main window and for its start-up picture to show as exactly one white
// area of the picture's size times scale, at the top left of the client area below the menu bar
// and the tool bands; false with a message (and the last screen kept for inspection) otherwise.
bool FindEditorWindow(const Editor& editor, int scale, EditorScreen* found, QString* error);

// Checks the test's own screen, starts the editor with Qt scaling it by scale (1: not at all)
// and finds its window and picture.
bool StartEditor(Editor& editor, int scale, EditorScreen* found, QString* error);

// Moves the pointer to a screen point and waits until it is there.
bool MovePointer(QPoint at, QString* error);

// Presses the left button on picture pixel from, moves through the others and releases on the
// last one, with real pointer events; then the pointer goes off the window.
bool Drag(const EditorScreen& screen, QPoint from, const QList<QPoint>& through, QString* error);

// Grabs a screen area until check accepts it (returns an empty complaint) or time runs out; the
// last complaint then. The last grab goes to last.
QString WaitForScreen(const QRect& area, const std::function<QString(const QImage&)>& check,
                      QImage* last = nullptr);

// Keeps a picture next to the test as <test program>-<what>.png and says so.
void SaveForInspection(const QImage& image, const QString& what);

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
    QString Text() const;
};

// Checks a picture (one screen pixel a picture pixel) against the white start-up picture with
// the dotted outline a drag leaves: 3 black pixels on, 3 white off, starting with a whole dash at
// the top left and running on around the corners; nothing else changed. Empty when it matches.
QString CheckOutline(const QImage& picture, const Selection& s);

// Number of black pixels on a selection's outline: a gone outline has none.
int BlackOnOutline(const QImage& picture, const Selection& s);

} // namespace systemtest
