// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The editor on a screen scaled by 2 (QT_SCALE_FACTOR=2), driven with real pointer events through
// xdotool and read back from the screen.
//
// One picture pixel is one logical pixel: a 2 x 2 block of screen pixels, drawn crisp, with no
// smoothing between neighbours. The white start-up picture shows as exactly 1522 x 1010 white
// screen pixels, and the dotted outline a drag leaves (3 picture pixels on, 3 off) as runs of 6
// black and 6 white screen pixels, every dot exactly black. Picture pixel p covers screen pixels
// 2p and 2p + 1 from the picture's origin; the pointer aims at 2p + 1, half a picture pixel in,
// and the drag must end at p itself: the outline of the normalised rectangle (left, top, right,
// bottom) then covers exactly the screen pixels (2 left, 2 top) to (2 right - 1, 2 bottom - 1).
#include "SystemSupport.h"

#include <QImage>
#include <QTest>
#include <QThread>

using namespace systemtest;

namespace {

constexpr int kScale = 2;

// The picture as the editor holds it, from its picture as shown: every kScale x kScale block of
// screen pixels must be of one colour, which the picture pixel then is. A complaint about the
// first block that is not goes to problem.
QImage Unscaled(const QImage& shown, QString* problem) {
    QImage picture(shown.width() / kScale, shown.height() / kScale, QImage::Format_RGB32);
    int mixed = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = shown.pixel(x * kScale, y * kScale);
            picture.setPixel(x, y, c);
            for (int dy = 0; dy < kScale; ++dy)
                for (int dx = 0; dx < kScale; ++dx) {
                    const QRgb d = shown.pixel(x * kScale + dx, y * kScale + dy);
                    if (d != c && mixed++ == 0)
                        *problem = QStringLiteral("picture pixel (%1, %2) shows as %3 at screen "
                                                  "pixel (%4, %5) but as %6 at (%7, %8)")
                                       .arg(x)
                                       .arg(y)
                                       .arg(PixelText(c))
                                       .arg(x * kScale)
                                       .arg(y * kScale)
                                       .arg(PixelText(d))
                                       .arg(x * kScale + dx)
                                       .arg(y * kScale + dy);
                }
        }
    if (mixed > 0)
        *problem = QStringLiteral("%1 screen pixels differ from the rest of their picture "
                                  "pixel's block (smoothed?); first: %2")
                       .arg(mixed)
                       .arg(*problem);
    return picture;
}

QString RectText(const QRect& r) {
    return QStringLiteral("(%1, %2)-(%3, %4)")
        .arg(r.left())
        .arg(r.top())
        .arg(r.right())
        .arg(r.bottom());
}

// Checks the picture as shown (screen pixels, from the picture's origin) against the white
// picture with the dotted outline of one selection; empty when it matches.
QString CheckScaledOutline(const QImage& shown, const Selection& s) {
    const QSize size(kPictureWidth * kScale, kPictureHeight * kScale);
    if (shown.size() != size)
        return QStringLiteral("grabbed %1 x %2 screen pixels instead of the picture's %3 x %4")
            .arg(shown.width())
            .arg(shown.height())
            .arg(size.width())
            .arg(size.height());
    QStringList problems;

    // Every screen pixel is exactly white or exactly black, and the black ones span exactly the
    // outline's screen pixels.
    QRect black;
    int grey = 0;
    QString firstGrey;
    for (int y = 0; y < shown.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            if (row[x] == kBlack)
                black |= QRect(x, y, 1, 1);
            else if (row[x] != kWhite && grey++ == 0)
                firstGrey = QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(PixelText(row[x]));
        }
    }
    if (grey > 0)
        problems << QStringLiteral("%1 screen pixels are neither black nor white, first %2")
                        .arg(grey)
                        .arg(firstGrey);
    const QRect expected(QPoint(kScale * s.left, kScale * s.top),
                         QPoint(kScale * s.right - 1, kScale * s.bottom - 1));
    if (black != expected)
        problems << QStringLiteral("the black screen pixels span %1, expected %2")
                        .arg(black.isNull() ? QStringLiteral("nothing") : RectText(black),
                             RectText(expected));

    // Along the top edge leftwards from its right end, where the outline starts: 6 black screen
    // pixels, 6 white, and so on, on both screen rows of the picture's row.
    const int last = kScale * s.right - 1;
    for (int y = kScale * s.top; y < kScale * (s.top + 1); ++y) {
        QString runs;
        bool exact = true;
        for (int x = last; x >= kScale * s.left; --x) {
            const bool on = shown.pixel(x, y) == kBlack;
            exact = exact && on == ((last - x) % (6 * kScale) < 3 * kScale);
            if (runs.size() < 48)
                runs += on ? QLatin1Char('#') : QLatin1Char('.');
        }
        if (!exact)
            problems << QStringLiteral("screen row %1 leftwards from x=%2 reads %3..., expected "
                                       "######......######")
                            .arg(y)
                            .arg(last)
                            .arg(runs);
    }

    // Block by block, the picture is the one a drag leaves at one screen pixel a picture pixel.
    QString mixed;
    const QImage picture = Unscaled(shown, &mixed);
    if (!mixed.isEmpty())
        problems << mixed;
    const QString outline = CheckOutline(picture, s);
    if (!outline.isEmpty())
        problems << outline;
    if (problems.isEmpty())
        return QString();
    return QStringLiteral("selection %1 on the screen: %2")
        .arg(s.Text(), problems.join(QStringLiteral("; ")));
}

} // namespace

class SystemHiDpi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void startUpPictureIsCrispAndTwiceAsLarge();
    void dragEndsAtTheAimedPixels_data();
    void dragEndsAtTheAimedPixels();

private:
    QImage Shown() { return GrabScreen(screen_.picture); }

    Editor editor_;
    EditorScreen screen_;
};

void SystemHiDpi::initTestCase() {
    QString error;
    // Started with QT_SCALE_FACTOR=2, it must show exactly one white area of 1522 x 1010 screen
    // pixels, bounded by pixels that are not white.
    QVERIFY2(StartEditor(editor_, kScale, &screen_, &error), qPrintable(error));
}

void SystemHiDpi::cleanupTestCase() {
    editor_.Stop();
}

void SystemHiDpi::startUpPictureIsCrispAndTwiceAsLarge() {
    const QImage shown = Shown();
    QCOMPARE(shown.size(), QSize(kPictureWidth * kScale, kPictureHeight * kScale));
    QCOMPARE(NotOfColour(shown, kWhite), 0);
    // The screen pixels around it are not white: the white area is the picture and no more.
    const QImage ring = GrabScreen(screen_.picture.adjusted(-1, -1, 1, 1));
    int white = 0;
    for (int x = 1; x < ring.width() - 1; ++x)
        white += (ring.pixel(x, 0) == kWhite) + (ring.pixel(x, ring.height() - 1) == kWhite);
    for (int y = 1; y < ring.height() - 1; ++y)
        white += (ring.pixel(0, y) == kWhite) + (ring.pixel(ring.width() - 1, y) == kWhite);
    QCOMPARE(white, 0);
}

void SystemHiDpi::dragEndsAtTheAimedPixels_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QList<QPoint>>("through");
    QTest::addColumn<QPoint>("to");
    // Odd and even coordinates, in every direction, long sides and short ones.
    QTest::newRow("down right") << QPoint(40, 30) << QList<QPoint>{{120, 90}, {352, 247}}
                                << QPoint(301, 201);
    QTest::newRow("up left") << QPoint(712, 478) << QList<QPoint>{{650, 400}, {430, 60}}
                             << QPoint(455, 87);
    QTest::newRow("down left") << QPoint(600, 101) << QList<QPoint>{{500, 300}} << QPoint(333, 444);
    QTest::newRow("up right") << QPoint(7, 500) << QList<QPoint>{{100, 200}} << QPoint(250, 3);
    QTest::newRow("small") << QPoint(100, 400) << QList<QPoint>{{130, 430}} << QPoint(113, 409);
    QTest::newRow("corner to corner") << QPoint(0, 0) << QList<QPoint>{{380, 250}}
                                      << QPoint(kPictureWidth - 1, kPictureHeight - 1);
}

void SystemHiDpi::dragEndsAtTheAimedPixels() {
    QFETCH(QPoint, from);
    QFETCH(QList<QPoint>, through);
    QFETCH(QPoint, to);
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
    QString error;
    QVERIFY2(Drag(screen_, from, through + QList<QPoint>{to}, &error), qPrintable(error));
    // The outline of this drag, and no trace of the rubber band or of the drag before.
    const Selection selection = Selection::Of(from, to);
    QImage shown;
    error = WaitForScreen(
        screen_.picture, [&](const QImage& s) { return CheckScaledOutline(s, selection); }, &shown);
    if (!error.isEmpty())
        SaveForInspection(shown, QStringLiteral("drag"));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // And it stays.
    QThread::msleep(300);
    error = CheckScaledOutline(Shown(), selection);
    QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("later: %1").arg(error)));
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

QTEST_MAIN(SystemHiDpi)
#include "tst_system_hidpi.moc"
