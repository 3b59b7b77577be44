// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The editor as a person uses it: the real program runs under an X server, gets real pointer
// events through xdotool, and what it shows is read back from the screen.
//
// In its start-up mode a left-button drag over the picture selects a rectangle; on release the
// selection's outline is left in the picture, drawn dotted (3 pixels on, 3 off) in not-xor mode,
// which makes the dots black on the white start-up picture. The outline covers columns
// left..right-1 and rows top..bottom-1 of the normalised drag rectangle; nothing else changes.
// F1 gives the guide's page to the desktop's browser: here a stand-in that notes what it got.
#include "SystemSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace systemtest;

class SystemDrag : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void dragLeavesDottedOutline();
    void nextDragReplacesOutline();
    void f1OpensTheGuide();

private:
    QImage Picture() { return GrabScreen(screen_.picture); }

    Editor editor_;
    EditorScreen screen_;
    QTemporaryDir browser_; // xdg-open, first on the editor's PATH
};

void SystemDrag::initTestCase() {
    QFile xdgOpen(browser_.filePath(QStringLiteral("xdg-open")));
    QVERIFY(xdgOpen.open(QIODevice::WriteOnly) &&
            xdgOpen.write(
                "#!/bin/sh\nprintf %s \"$1\" >\"$0.part\" && mv \"$0.part\" \"$0.got\"\n") > 0);
    xdgOpen.close();
    QVERIFY(xdgOpen.setPermissions(xdgOpen.permissions() | QFileDevice::ExeOwner));
    qputenv("PATH", QFile::encodeName(browser_.path()) + ':' + qgetenv("PATH"));
    QString error;
    QVERIFY2(StartEditor(editor_, 1, &screen_, &error), qPrintable(error));
}

void SystemDrag::cleanupTestCase() {
    editor_.Stop();
}

void SystemDrag::dragLeavesDottedOutline() {
    QVERIFY(editor_.Running());
    QString error;
    QImage picture = Picture();
    QCOMPARE(NotOfColour(picture, kWhite), 0);

    // Over the mark and back: the rubber band of the bigger rectangle must leave no trace.
    const QPoint start(40, 30), end(301, 201);
    QVERIFY2(Drag(screen_, start, {{120, 90}, {250, 160}, {352, 247}, {330, 230}, end}, &error),
             qPrintable(error));
    const Selection selection = Selection::Of(start, end);
    error = WaitForScreen(
        screen_.picture, [&](const QImage& p) { return CheckOutline(p, selection); }, &picture);
    if (!error.isEmpty())
        SaveForInspection(picture, QStringLiteral("first-drag"));
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
    QVERIFY2(Drag(screen_, firstStart, {{200, 300}, {300, 400}, firstEnd}, &error),
             qPrintable(error));
    const Selection first = Selection::Of(firstStart, firstEnd);
    error = WaitForScreen(
        screen_.picture, [&](const QImage& p) { return CheckOutline(p, first); }, &picture);
    if (!error.isEmpty())
        SaveForInspection(picture, QStringLiteral("before-second-drag"));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Elsewhere, and from the bottom right up to the top left: the rectangle is the same as if
    // dragged the other way.
    const QPoint secondStart(712, 478), secondEnd(455, 88);
    QVERIFY2(Drag(screen_, secondStart, {{650, 400}, {520, 200}, {430, 60}, secondEnd}, &error),
             qPrintable(error));
    const Selection second = Selection::Of(secondStart, secondEnd);
    error = WaitForScreen(
        screen_.picture, [&](const QImage& p) { return CheckOutline(p, second); }, &picture);
    if (!error.isEmpty())
        SaveForInspection(picture, QStringLiteral("second-drag"));
    const int leftOver = BlackOnOutline(picture, first);
    QVERIFY2(leftOver == 0,
             qPrintable(QStringLiteral("%1 dots of the first outline %2 are still there")
                            .arg(leftOver)
                            .arg(first.Text())));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

void SystemDrag::f1OpensTheGuide() {
    QString error;
    QVERIFY2(Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), screen_.windowId},
                     nullptr, &error) &&
                 Xdotool({QStringLiteral("key"), QStringLiteral("F1")}, nullptr, &error),
             qPrintable(error));
    QFile got(browser_.filePath(QStringLiteral("xdg-open.got")));
    QTRY_VERIFY_WITH_TIMEOUT(got.exists(), kWindowTimeoutMs);
    QVERIFY(got.open(QIODevice::ReadOnly));
    QCOMPARE(QFileInfo(QString::fromLocal8Bit(got.readAll())).canonicalFilePath(),
             QFileInfo(QStringLiteral(LIMNORA_BUILT_GUIDE_PAGE)).canonicalFilePath());
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

QTEST_MAIN(SystemDrag)
#include "tst_system_drag.moc"
