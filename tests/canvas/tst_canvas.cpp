// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The canvas on real bitmaps: exact pixels of every shape, pen style, pen mode and brush style.
#include "canvas/TBitmap.h"
#include "support/TestPictures.h"
#include "support/TestRunner.h"
#include "system/EditorError.h"

#include <QTest>
#include <functional>

Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(TPoint)

namespace {

constexpr TColor kPen = 0x2040E0;
constexpr TColor kBrush = 0x30C050;

enum Kind { kLine, kRectangle, kEllipse, kRoundRect };

// Draws one shape over the box with the canvas's current tools, the way the editor does.
void DrawKind(TCanvas& c, int kind, const TRect& box) {
    switch (kind) {
    case kLine:
        c.MoveTo(box.left, box.top);
        c.LineTo(box.right, box.bottom);
        break;
    case kRectangle:
        c.Rectangle(box.left, box.top, box.right, box.bottom);
        break;
    case kEllipse:
        c.Ellipse(box.left, box.top, box.right, box.bottom);
        break;
    default:
        c.RoundRect(box.left, box.top, box.right, box.bottom, std::abs(box.Width()) / 2,
                    std::abs(box.Height()) / 2);
        break;
    }
}

void UseTools(TCanvas& c, TPenStyle pen, TBrushStyle brush, TPenMode mode = pmCopy) {
    c.Pen.Style = pen;
    c.Pen.Mode = mode;
    c.Pen.Color = kPen;
    c.Pen.Width = 1;
    c.Brush.Style = brush;
    c.Brush.Color = kBrush;
}

} // namespace

class TestCanvas : public QObject {
    Q_OBJECT
private slots:
    // ---- exact shapes on small bitmaps ----
    void rectangleOutlineExcludesRightAndBottom() {
        TBitmap b(8, 6);
        UseTools(b.Canvas(), psSolid, bsClear);
        b.Canvas().Rectangle(1, 1, 6, 5);
        const QStringList expected{"........", ".#####..", ".#...#..",
                                   ".#...#..", ".#####..", "........"};
        QCOMPARE(Mask(b, kPen), expected);
    }

    void reversedCornersAreNormalised() {
        TBitmap a(12, 12), b(12, 12);
        for (TBitmap* p : {&a, &b})
            UseTools(p->Canvas(), psSolid, bsSolid);
        a.Canvas().Ellipse(2, 3, 10, 9);
        b.Canvas().Ellipse(10, 9, 2, 3);
        QVERIFY2(Differences(a, b).isEmpty(), qPrintable(FirstDifference(a, b)));
        a.Canvas().RoundRect(0, 0, 12, 12, 6, 6);
        b.Canvas().RoundRect(12, 0, 0, 12, -6, 6);
        QVERIFY2(Differences(a, b).isEmpty(), qPrintable(FirstDifference(a, b)));
    }

    void filledRectangleHasPenBorderAndBrushInside() {
        TBitmap b(7, 6);
        UseTools(b.Canvas(), psSolid, bsSolid);
        b.Canvas().Rectangle(1, 1, 6, 5);
        QCOMPARE(Mask(b, kPen),
                 (QStringList{".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."}));
        QCOMPARE(Mask(b, kBrush),
                 (QStringList{".......", ".......", "..###..", "..###..", ".......", "......."}));
    }

    void penNoneFillsTheWholeBox() {
        TBitmap b(6, 5);
        UseTools(b.Canvas(), psClear, bsSolid);
        b.Canvas().Rectangle(1, 1, 5, 4);
        QCOMPARE(CountColor(b, kBrush, b.BoundsRect()), 4 * 3);
        QCOMPARE(CountColor(b, kBrush, {1, 1, 5, 4}), 4 * 3);
    }

    void emptyBoxesDrawNothing() {
        for (int kind : {kRectangle, kEllipse, kRoundRect}) {
            TBitmap b(10, 10), before(10, 10);
            UseTools(b.Canvas(), psSolid, bsSolid);
            DrawKind(b.Canvas(), kind, {3, 3, 3, 8});
            DrawKind(b.Canvas(), kind, {2, 5, 9, 5});
            QVERIFY(Differences(b, before).isEmpty());
        }
        TBitmap b(10, 10), before(10, 10);
        UseTools(b.Canvas(), psSolid, bsClear);
        b.Canvas().MoveTo(4, 4);
        b.Canvas().LineTo(4, 4); // a line to its own first point has no pixels
        QVERIFY(Differences(b, before).isEmpty());
    }

    void smallEllipses() {
        TBitmap b(6, 6);
        UseTools(b.Canvas(), psSolid, bsClear);
        b.Canvas().Ellipse(1, 1, 3, 3); // 2 x 2: all four pixels
        QCOMPARE(CountColor(b, kPen, b.BoundsRect()), 4);
        FillColor(b, clWhite);
        b.Canvas().Ellipse(0, 2, 6, 3); // one row: a horizontal line of 6
        QCOMPARE(Mask(b, kPen)[2], QStringLiteral("######"));
        QCOMPARE(CountColor(b, kPen, b.BoundsRect()), 6);
        FillColor(b, clWhite);
        b.Canvas().Ellipse(3, 0, 4, 6); // one column
        QCOMPARE(CountColor(b, kPen, {3, 0, 4, 6}), 6);
        QCOMPARE(CountColor(b, kPen, b.BoundsRect()), 6);
    }

    void ellipseIsInscribedSymmetricAndClosed_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        for (int w : {3, 4, 5, 8, 13, 40, 41, 100})
            for (int h : {3, 4, 7, 20, 33, 64})
                QTest::addRow("%dx%d", w, h) << w << h;
        QTest::addRow("flat 200x3") << 200 << 3;
        QTest::addRow("tall 2x150") << 2 << 150;
    }
    void ellipseIsInscribedSymmetricAndClosed() {
        QFETCH(int, w);
        QFETCH(int, h);
        TBitmap b(w + 4, h + 4);
        UseTools(b.Canvas(), psSolid, bsSolid);
        b.Canvas().Ellipse(2, 2, 2 + w, 2 + h);
        // Touches every side of its box and nothing outside it.
        const TRect box{2, 2, 2 + w, 2 + h};
        int inBox = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) {
                const bool painted = b.Pixel(x, y) != clWhite;
                const bool inside =
                    x >= box.left && x < box.right && y >= box.top && y < box.bottom;
                QVERIFY2(!painted || inside, qPrintable(QStringLiteral("(%1,%2)").arg(x).arg(y)));
                inBox += painted;
            }
        QVERIFY(CountColor(b, kPen, {box.left, box.top, box.right, box.top + 1}) > 0);
        QVERIFY(CountColor(b, kPen, {box.left, box.bottom - 1, box.right, box.bottom}) > 0);
        QVERIFY(CountColor(b, kPen, {box.left, box.top, box.left + 1, box.bottom}) > 0);
        QVERIFY(CountColor(b, kPen, {box.right - 1, box.top, box.right, box.bottom}) > 0);
        // Mirror symmetric both ways.
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) {
                const int mx = box.left + box.right - 1 - x, my = box.top + box.bottom - 1 - y;
                QCOMPARE(b.Pixel(x, y), b.Pixel(mx, y));
                QCOMPARE(b.Pixel(x, y), b.Pixel(x, my));
            }
        // Every row is one unbroken span: outline and fill meet without gaps.
        for (int y = box.top; y < box.bottom; ++y) {
            int first = -1, last = -1, count = 0;
            for (int x = box.left; x < box.right; ++x)
                if (b.Pixel(x, y) != clWhite) {
                    if (first < 0)
                        first = x;
                    last = x;
                    ++count;
                }
            QVERIFY2(first >= 0, qPrintable(QStringLiteral("row %1 empty").arg(y)));
            QCOMPARE(count, last - first + 1);
        }
        // The outline is closed: the fill never touches the white outside (4-neighbours).
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x)
                if (b.Pixel(x, y) == kBrush)
                    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                        QVERIFY(b.Pixel(x + dx, y + dy) != clWhite);
    }

    void roundRectCornersAreQuartersOfTheCornerEllipse() {
        // A rounded rectangle over (0, 0, 100, 40) uses a corner ellipse 50 wide and 20 high:
        // its top-left quarter is the ellipse's, its straight edges join the quarters.
        TBitmap rr(100, 40), ellipse(100, 40);
        UseTools(rr.Canvas(), psSolid, bsClear);
        UseTools(ellipse.Canvas(), psSolid, bsClear);
        rr.Canvas().RoundRect(0, 0, 100, 40, 50, 20);
        ellipse.Canvas().Ellipse(0, 0, 50, 20);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 25; ++x)
                QCOMPARE(rr.Pixel(x, y), ellipse.Pixel(x, y));
        // Straight edges: full top row between the corners, left column between them.
        QCOMPARE(CountColor(rr, kPen, {25, 0, 75, 1}), 50);
        QCOMPARE(CountColor(rr, kPen, {0, 10, 1, 30}), 20);
        QCOMPARE(CountColor(rr, kPen, {99, 10, 100, 30}), 20);
        QCOMPARE(CountColor(rr, kPen, {25, 39, 75, 40}), 50);
        // Mirror symmetric.
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x)
                QCOMPARE(rr.Pixel(x, y), rr.Pixel(99 - x, 39 - y));
    }

    void cornersTwoPixelsWideOrHighAreSquare_data() {
        QTest::addColumn<TRect>("box");
        QTest::addColumn<QSize>("corner"); // none: an ellipse
        QTest::newRow("corner 1 x 1") << TRect{2, 2, 18, 15} << QSize(1, 1);
        QTest::newRow("corner 2 wide") << TRect{2, 2, 18, 15} << QSize(2, 9);
        QTest::newRow("corner 2 high") << TRect{2, 2, 18, 15} << QSize(12, 2);
        QTest::newRow("4 x 6, corner 2 x 3") << TRect{2, 2, 6, 8} << QSize(2, 3);
        QTest::newRow("ellipse 2 wide") << TRect{2, 2, 4, 15} << QSize();
        QTest::newRow("ellipse 2 high") << TRect{2, 2, 18, 4} << QSize();
    }
    void cornersTwoPixelsWideOrHighAreSquare() {
        QFETCH(TRect, box);
        QFETCH(QSize, corner);
        TBitmap a(20, 20), b(20, 20);
        UseTools(a.Canvas(), psSolid, bsSolid);
        UseTools(b.Canvas(), psSolid, bsSolid);
        if (corner.isValid())
            a.Canvas().RoundRect(box.left, box.top, box.right, box.bottom, corner.width(),
                                 corner.height());
        else
            a.Canvas().Ellipse(box.left, box.top, box.right, box.bottom);
        b.Canvas().Rectangle(box.left, box.top, box.right, box.bottom);
        QVERIFY2(Differences(a, b).isEmpty(), qPrintable(FirstDifference(a, b)));
    }

    // ---- styled outlines: one path, counter-clockwise from the right side ----
    void outlinesHaveTheirExactPixels_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("style");
        QTest::addColumn<TRect>("box");
        QTest::addColumn<QSize>("corner"); // of a rounded rectangle
        QTest::addColumn<QStringList>("mask");
        QTest::newRow("dashed rectangle: first dash from the top right corner leftwards")
            << int(kRectangle) << int(psDash) << TRect{1, 1, 23, 6} << QSize()
            << QStringList{"........................", ".....##################.",
                           "......................#.", "......................#.",
                           ".#......................", ".#################......",
                           "........................"};
        QTest::newRow("dotted rectangle: down the left side, back up the right")
            << int(kRectangle) << int(psDot) << TRect{1, 1, 9, 7} << QSize()
            << QStringList{"..........", ".##...###.", ".#........", "..........",
                           "..........", "........#.", ".###...##.", ".........."};
        QTest::newRow("dashed ellipse: from the middle of the right side upwards")
            << int(kEllipse) << int(psDash) << TRect{1, 1, 16, 12} << QSize()
            << QStringList{".................", "......#####......", "....##.....##....",
                           "...#.........#...", "..#...........#..", ".#.............#.",
                           ".#.............#.", ".#.............#.", "..............#..",
                           ".............#...", "...........##....", "........###......",
                           "................."};
        QTest::newRow("dotted ellipse: from the upper middle row of an even height")
            << int(kEllipse) << int(psDot) << TRect{1, 1, 12, 9} << QSize()
            << QStringList{".............", "....##.......", "...#.....#...", "..........#..",
                           "...........#.", ".............", "..#.......#..", "...#.....#...",
                           "....#...#....", "............."};
        QTest::newRow("dashed rounded rectangle: from the corner ellipse's middle row")
            << int(kRoundRect) << int(psDash) << TRect{1, 1, 19, 10} << QSize(9, 4)
            << QStringList{"....................", "...##############...", ".##..............##.",
                           "....................", "....................", "....................",
                           "....................", "..................#.", "..#..............##.",
                           "...##############...", "...................."};
        QTest::newRow("dotted rounded rectangle: from the upper middle row of an even corner")
            << int(kRoundRect) << int(psDot) << TRect{1, 1, 15, 9} << QSize(7, 4)
            << QStringList{"................", "..#...###...##..", ".#............#.",
                           ".#..............", "................", "................",
                           "..............#.", ".#............#.", "..##...###...#..",
                           "................"};
        QTest::newRow("flat rounded rectangle: odd corner's middle row at top and bottom")
            << int(kRoundRect) << int(psSolid) << TRect{1, 1, 21, 6} << QSize(10, 3)
            << QStringList{"......................", "...################...",
                           ".##................##.", ".#..................#.",
                           ".##................##.", "...################...",
                           "......................"};
    }
    void outlinesHaveTheirExactPixels() {
        QFETCH(int, kind);
        QFETCH(int, style);
        QFETCH(TRect, box);
        QFETCH(QSize, corner);
        QFETCH(QStringList, mask);
        TBitmap b(mask[0].size(), mask.size());
        UseTools(b.Canvas(), static_cast<TPenStyle>(style), bsClear);
        if (kind == kRoundRect)
            b.Canvas().RoundRect(box.left, box.top, box.right, box.bottom, corner.width(),
                                 corner.height());
        else
            DrawKind(b.Canvas(), kind, box);
        QCOMPARE(Mask(b, kPen), mask);
    }

    void boxesOnePixelWideAreWalkedThereAndBack_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("walk"); // down a column, or leftwards along a row
        // A pixel is drawn when the way there or the way back reaches it on a dash.
        QTest::newRow("dotted rectangle")
            << int(kRectangle) << int(psDot) << QStringLiteral("###.#####.");
        QTest::newRow("dash-dot ellipse")
            << int(kEllipse) << int(psDashDot) << QStringLiteral("#########..###.");
        QTest::newRow("dash-dot-dot rounded rectangle")
            << int(kRoundRect) << int(psDashDotDot) << QStringLiteral("#########.###");
        QTest::newRow("dashed rectangle")
            << int(kRectangle) << int(psDash) << QStringLiteral("###################...");
        QTest::newRow("one pixel") << int(kEllipse) << int(psDot) << QStringLiteral("#");
    }
    void boxesOnePixelWideAreWalkedThereAndBack() {
        QFETCH(int, kind);
        QFETCH(int, style);
        QFETCH(QString, walk);
        const int n = int(walk.size());
        TBitmap column(3, n + 2), row(n + 2, 3);
        for (TBitmap* p : {&column, &row})
            UseTools(p->Canvas(), static_cast<TPenStyle>(style), bsSolid);
        DrawKind(column.Canvas(), kind, {1, 1, 2, 1 + n});
        DrawKind(row.Canvas(), kind, {1, 1, 1 + n, 2});
        QString down, leftwards, gaps;
        for (int i = 0; i < n; ++i) {
            down += Mask(column, kPen)[1 + i][1];
            leftwards += Mask(row, kPen)[1][n - i];
            gaps += Mask(column, kBrush)[1 + i][1] == QLatin1Char('#') ? QLatin1Char('.')
                                                                       : QLatin1Char('#');
        }
        QCOMPARE(down, walk);
        QCOMPARE(leftwards, walk);
        QCOMPARE(gaps, walk); // the rest takes the solid brush
    }

    // ---- lines ----
    void lineRunsFromItsFirstPointAndExcludesTheLast() {
        TBitmap b(60, 60);
        UseTools(b.Canvas(), psSolid, bsClear);
        b.Canvas().MoveTo(50, 50);
        b.Canvas().LineTo(10, 20);
        QCOMPARE(b.Pixel(50, 50), kPen);
        QCOMPARE(b.Pixel(10, 20), clWhite);
        QCOMPARE(CountColor(b, kPen, b.BoundsRect()), 40); // one pixel per column
        QCOMPARE(DifferenceBounds(b, TBitmap(60, 60)), (TRect{11, 21, 51, 51}));
        QCOMPARE(b.Canvas().PenPos.x, 10);
        QCOMPARE(b.Canvas().PenPos.y, 20);
    }

    void linesBreakTiesTowardTheSmallerCoordinateEitherWay_data() {
        QTest::addColumn<TPoint>("delta"); // from the first point to the last
        QTest::addColumn<QStringList>("mask");
        QTest::newRow("right, down") << TPoint{4, 2} << QStringList{"##...", "..##.", "....."};
        QTest::newRow("right, up") << TPoint{4, -2} << QStringList{"...#.", ".##..", "#...."};
        QTest::newRow("left, down") << TPoint{-4, 2} << QStringList{"...##", ".##..", "....."};
        QTest::newRow("left, up") << TPoint{-4, -2} << QStringList{".#...", "..##.", "....#"};
        QTest::newRow("down, right")
            << TPoint{2, 4} << QStringList{"#..", "#..", ".#.", ".#.", "..."};
        QTest::newRow("down, left")
            << TPoint{-2, 4} << QStringList{"..#", ".#.", ".#.", "#..", "..."};
        QTest::newRow("up, right")
            << TPoint{2, -4} << QStringList{"...", ".#.", ".#.", "#..", "#.."};
        QTest::newRow("up, left") << TPoint{-2, -4}
                                  << QStringList{"...", "#..", ".#.", ".#.", "..#"};
    }
    void linesBreakTiesTowardTheSmallerCoordinateEitherWay() {
        QFETCH(TPoint, delta);
        QFETCH(QStringList, mask);
        const TPoint a{std::max(0, -delta.x), std::max(0, -delta.y)};
        const TPoint b{a.x + delta.x, a.y + delta.y};
        TBitmap there(int(mask[0].size()), int(mask.size())), back(there.Width(), there.Height());
        for (TBitmap* p : {&there, &back})
            UseTools(p->Canvas(), psSolid, bsClear);
        there.Canvas().MoveTo(a.x, a.y);
        there.Canvas().LineTo(b.x, b.y);
        QCOMPARE(Mask(there, kPen), mask);
        // Drawn back: the same pixels, but its own first point and without its last.
        back.Canvas().MoveTo(b.x, b.y);
        back.Canvas().LineTo(a.x, a.y);
        mask[a.y][a.x] = QLatin1Char('.');
        mask[b.y][b.x] = QLatin1Char('#');
        QCOMPARE(Mask(back, kPen), mask);
    }

    void dashedLinesFollowTheirPatterns_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("pattern"); // one period, starting at the first point
        QTest::newRow("solid") << int(psSolid) << QStringLiteral("#");
        QTest::newRow("dash") << int(psDash) << QStringLiteral("##################......");
        QTest::newRow("dot") << int(psDot) << QStringLiteral("###...");
        QTest::newRow("dash dot") << int(psDashDot) << QStringLiteral("#########......###......");
        QTest::newRow("dash dot dot")
            << int(psDashDotDot) << QStringLiteral("#########...###...###...");
    }
    void dashedLinesFollowTheirPatterns() {
        QFETCH(int, style);
        QFETCH(QString, pattern);
        TBitmap b(100, 3);
        UseTools(b.Canvas(), static_cast<TPenStyle>(style), bsSolid);
        b.Canvas().MoveTo(0, 1);
        b.Canvas().LineTo(96, 1);
        QString expected, gaps;
        for (int i = 0; i < 100; ++i) {
            const bool on = i < 96 && pattern[i % pattern.size()] == QLatin1Char('#');
            expected += on ? QLatin1Char('#') : QLatin1Char('.');
            gaps += i < 96 && !on ? QLatin1Char('#') : QLatin1Char('.');
        }
        QCOMPARE(Mask(b, kPen)[1], expected);
        // The gaps take the solid brush, as an outline's do; under other brushes they stay.
        QCOMPARE(Mask(b, kBrush)[1], gaps);
        UseTools(b.Canvas(), static_cast<TPenStyle>(style), bsCross);
        b.Canvas().MoveTo(0, 2);
        b.Canvas().LineTo(96, 2);
        QCOMPARE(CountColor(b, kBrush, {0, 2, 100, 3}), 0);
    }

    void penStyleNoneDrawsNoOutline() {
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect}) {
            TBitmap b(30, 30), before(30, 30);
            UseTools(b.Canvas(), psClear, bsClear);
            DrawKind(b.Canvas(), kind, {3, 4, 25, 22});
            QVERIFY(Differences(b, before).isEmpty());
        }
    }

    // ---- dashed outlines and brushes ----
    void dashedOutlineGapsTakeTheSolidBrush() {
        TBitmap b(40, 30);
        UseTools(b.Canvas(), psDot, bsSolid);
        b.Canvas().Rectangle(5, 5, 35, 25);
        // Top edge leftwards from the corner: three on, three off, gaps in the brush colour.
        QCOMPARE(Mask(b, kPen)[5].mid(23, 12), QStringLiteral("...###...###"));
        QCOMPARE(Mask(b, kBrush)[5].mid(23, 12), QStringLiteral("###...###..."));
        // Nothing of the box stays white.
        QCOMPARE(CountColor(b, clWhite, {5, 5, 35, 25}), 0);
    }

    void dashedOutlineGapsStayUnderOtherBrushes() {
        TBitmap b(40, 30);
        FillColor(b, clBlack);
        UseTools(b.Canvas(), psDash, bsClear);
        b.Canvas().Ellipse(2, 2, 38, 28);
        QCOMPARE(CountColor(b, kBrush, b.BoundsRect()), 0);
        QVERIFY(CountColor(b, kPen, b.BoundsRect()) > 0);
        UseTools(b.Canvas(), psDashDot, bsHorizontal);
        FillColor(b, clBlack);
        b.Canvas().Rectangle(1, 3, 39, 29);
        // The top row of the box lies on a hatch line (rows 8k + 3), yet its gaps stay black.
        QVERIFY(CountColor(b, clBlack, {1, 3, 39, 4}) > 0);
        QCOMPARE(CountColor(b, kBrush, {1, 3, 39, 4}), 0);
        // Nor does a hatch fill an ellipse under its outline: no outline pixel takes it.
        TBitmap outline(40, 30), white(40, 30);
        UseTools(outline.Canvas(), psSolid, bsClear);
        outline.Canvas().Ellipse(2, 2, 38, 28);
        UseTools(b.Canvas(), psDash, bsDiagCross);
        FillColor(b, clBlack);
        b.Canvas().Ellipse(2, 2, 38, 28);
        for (const TPoint& p : Differences(outline, white))
            QVERIFY(b.Pixel(p.x, p.y) != kBrush);
    }

    void hatchBrushesPaintOnlyTheirLinesAnchoredToTheOrigin_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("tile"); // 8 x 8, origin at the top left
        QTest::newRow("horizontal")
            << int(bsHorizontal) << QStringList{"........", "........", "........", "########",
                                                "........", "........", "........", "........"};
        QTest::newRow("vertical") << int(bsVertical)
                                  << QStringList{"....#...", "....#...", "....#...", "....#...",
                                                 "....#...", "....#...", "....#...", "....#..."};
        QTest::newRow("falling") << int(bsFDiagonal)
                                 << QStringList{"#.......", ".#......", "..#.....", "...#....",
                                                "....#...", ".....#..", "......#.", ".......#"};
        QTest::newRow("rising") << int(bsBDiagonal)
                                << QStringList{".......#", "......#.", ".....#..", "....#...",
                                               "...#....", "..#.....", ".#......", "#......."};
        QTest::newRow("cross") << int(bsCross)
                               << QStringList{"....#...", "....#...", "....#...", "########",
                                              "....#...", "....#...", "....#...", "....#..."};
        QTest::newRow("diagonal cross")
            << int(bsDiagCross) << QStringList{"#......#", ".#....#.", "..#..#..", "...##...",
                                               "...##...", "..#..#..", ".#....#.", "#......#"};
    }
    void hatchBrushesPaintOnlyTheirLinesAnchoredToTheOrigin() {
        QFETCH(int, style);
        QFETCH(QStringList, tile);
        TBitmap b(40, 40);
        FillNoise(b, 7);
        TBitmap before(40, 40);
        before.Assign(b);
        UseTools(b.Canvas(), psClear, static_cast<TBrushStyle>(style));
        b.Canvas().Rectangle(3, 5, 37, 38);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool inBox = x >= 3 && x < 37 && y >= 5 && y < 38;
                const bool line = tile[y % 8][x % 8] == QLatin1Char('#');
                const TColor expected = inBox && line ? kBrush : before.Pixel(x, y);
                QCOMPARE(b.Pixel(x, y), expected);
            }
    }

    // ---- pen modes ----
    void penModesCombineBitByBit_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<uint>("expected");
        const TColor p = 0x0F33CC, d = 0x5555AA;
        const auto m = [](TColor v) { return uint(v & 0xFFFFFF); };
        QTest::newRow("black") << int(pmBlack) << 0u;
        QTest::newRow("white") << int(pmWhite) << 0xFFFFFFu;
        QTest::newRow("nop") << int(pmNop) << m(d);
        QTest::newRow("not") << int(pmNot) << m(~d);
        QTest::newRow("copy") << int(pmCopy) << m(p);
        QTest::newRow("not copy") << int(pmNotCopy) << m(~p);
        QTest::newRow("merge pen not") << int(pmMergePenNot) << m(p | ~d);
        QTest::newRow("mask pen not") << int(pmMaskPenNot) << m(p & ~d);
        QTest::newRow("merge not pen") << int(pmMergeNotPen) << m(~p | d);
        QTest::newRow("mask not pen") << int(pmMaskNotPen) << m(~p & d);
        QTest::newRow("merge") << int(pmMerge) << m(p | d);
        QTest::newRow("not merge") << int(pmNotMerge) << m(~(p | d));
        QTest::newRow("mask") << int(pmMask) << m(p & d);
        QTest::newRow("not mask") << int(pmNotMask) << m(~(p & d));
        QTest::newRow("xor") << int(pmXor) << m(p ^ d);
        QTest::newRow("not xor") << int(pmNotXor) << m(~(p ^ d));
    }
    void penModesCombineBitByBit() {
        QFETCH(int, mode);
        QFETCH(uint, expected);
        TBitmap b(5, 3);
        FillColor(b, 0x5555AA);
        TCanvas& c = b.Canvas();
        c.Pen = {psSolid, static_cast<TPenMode>(mode), 0x0F33CC, 1};
        c.MoveTo(0, 1);
        c.LineTo(4, 1);
        QCOMPARE(uint(b.Pixel(0, 1)), expected);
        QCOMPARE(uint(b.Pixel(3, 1)), expected);
        QCOMPARE(uint(b.Pixel(4, 1)), 0x5555AAu); // the last point is not drawn
        QCOMPARE(uint(b.Pixel(0, 0)), 0x5555AAu);
    }

    void penModeOfAFilledEllipseAppliesOverItsFill() {
        // Ellipses and rounded rectangles are filled under their outline: inverted by the brush
        // and again by the pen, the outline vanishes. A rectangle's outline is not filled under.
        for (int kind : {kRectangle, kEllipse, kRoundRect}) {
            TBitmap b(30, 20), before(30, 20), shape(30, 20);
            FillNoise(b, 4);
            before.Assign(b);
            UseTools(b.Canvas(), psDot, bsSolid, pmNot);
            DrawKind(b.Canvas(), kind, {2, 2, 28, 18});
            UseTools(shape.Canvas(), psSolid, bsSolid);
            DrawKind(shape.Canvas(), kind, {2, 2, 28, 18});
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 30; ++x) {
                    const bool inverted = shape.Pixel(x, y) == kBrush ||
                                          (kind == kRectangle && shape.Pixel(x, y) == kPen);
                    const TColor d = before.Pixel(x, y);
                    QCOMPARE(b.Pixel(x, y), inverted ? ~d & 0xFFFFFF : d);
                }
        }
    }

    // ---- not-xor frames restore the picture ----
    void notXorFrameTwiceRestoresThePicture_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("style");
        QTest::addColumn<TRect>("box");
        const QList<TRect> boxes{{5, 5, 6, 6},      {3, 3, 5, 5},         {10, 10, 60, 40},
                                 {60, 40, 10, 10},  {0, 0, 80, 60},       {-20, -10, 30, 25},
                                 {50, 30, 130, 95}, {-50, -50, 200, 200}, {7, 50, 7, 20},
                                 {40, 12, 12, 12},  {79, 59, -3, -2},     {20, 20, 21, 58},
                                 {70, 41, 3, 40}};
        const char* kinds[] = {"line", "rect", "ellipse", "roundrect"};
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect})
            for (int style = psSolid; style < psClear; ++style)
                for (const TRect& box : boxes)
                    QTest::addRow("%s style%d (%d,%d,%d,%d)", kinds[kind], style, box.left, box.top,
                                  box.right, box.bottom)
                        << kind << style << box;
    }
    void notXorFrameTwiceRestoresThePicture() {
        QFETCH(int, kind);
        QFETCH(int, style);
        QFETCH(TRect, box);
        TBitmap b(80, 60), before(80, 60), copyMode(80, 60);
        FillNoise(b, 42);
        before.Assign(b);
        TCanvas& c = b.Canvas();
        c.Pen = {static_cast<TPenStyle>(style), pmNotXor, clBlack, 1};
        c.Brush.Style = bsClear;
        DrawKind(c, kind, box);
        // Every pixel the frame touched is inverted exactly once: the same frame drawn in copy
        // mode on white marks exactly the inverted pixels.
        copyMode.Canvas().Pen = {static_cast<TPenStyle>(style), pmCopy, clBlack, 1};
        copyMode.Canvas().Brush.Style = bsClear;
        DrawKind(copyMode.Canvas(), kind, box);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                const bool marked = copyMode.Pixel(x, y) == clBlack;
                const TColor expected =
                    marked ? (~before.Pixel(x, y) & 0xFFFFFF) : before.Pixel(x, y);
                QCOMPARE(b.Pixel(x, y), expected);
            }
        DrawKind(c, kind, box);
        QVERIFY2(Differences(b, before).isEmpty(), qPrintable(FirstDifference(b, before)));
    }

    // ---- clipping ----
    void shapesLeavingThePictureDrawOnlyTheirInsidePart_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("pen");
        QTest::addColumn<int>("brush");
        QTest::addColumn<TRect>("box");
        const QList<TRect> boxes{{-30, -20, 40, 30}, {30, 20, 90, 70},     {-10, 10, 70, 40},
                                 {25, -40, 35, 100}, {-100, -100, -5, -5}, {65, 5, 120, 45},
                                 {-90, 8, -2, 44},   {59, 49, 200, 300}};
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect})
            for (int pen : {int(psSolid), int(psDashDot)})
                for (int brush : {int(bsSolid), int(bsClear), int(bsDiagCross)})
                    for (const TRect& box : boxes)
                        QTest::addRow("k%d p%d b%d (%d,%d,%d,%d)", kind, pen, brush, box.left,
                                      box.top, box.right, box.bottom)
                            << kind << pen << brush << box;
    }
    void shapesLeavingThePictureDrawOnlyTheirInsidePart() {
        // Drawn on a 60 x 50 picture and, shifted by (200, 200), on a large one: the small
        // picture must equal the matching part of the large one, hatch and dashes included.
        QFETCH(int, kind);
        QFETCH(int, pen);
        QFETCH(int, brush);
        QFETCH(TRect, box);
        TBitmap small(60, 50), large(600, 600);
        for (TBitmap* p : {&small, &large})
            UseTools(p->Canvas(), static_cast<TPenStyle>(pen), static_cast<TBrushStyle>(brush));
        DrawKind(small.Canvas(), kind, box);
        DrawKind(large.Canvas(), kind,
                 {box.left + 200, box.top + 200, box.right + 200, box.bottom + 200});
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x)
                QCOMPARE(small.Pixel(x, y), large.Pixel(x + 200, y + 200));
    }

    void farCoordinatesNeverCrash() {
        TBitmap b(40, 40);
        UseTools(b.Canvas(), psDot, bsCross);
        TCanvas& c = b.Canvas();
        c.Ellipse(-2000000000, -5, 2000000000, 30);
        c.RoundRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN);
        c.Rectangle(-1000000, 10, 1000000, 20);
        c.MoveTo(INT32_MIN, INT32_MIN);
        c.LineTo(INT32_MAX, INT32_MAX);
        c.FillRect({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
        QCOMPARE(CountColor(b, kBrush, b.BoundsRect()) > 0, true);
    }

    // ---- fills and copies ----
    void fillRectReplacesWhateverThePenMode() {
        TBitmap b(10, 10);
        FillColor(b, 0x123456);
        TCanvas& c = b.Canvas();
        c.Pen.Mode = pmXor;
        c.Brush = {bsSolid, kBrush};
        c.FillRect({8, 8, 2, 3}); // reversed corners
        QCOMPARE(CountColor(b, kBrush, b.BoundsRect()), 6 * 5);
        QCOMPARE(CountColor(b, kBrush, {2, 3, 8, 8}), 30);
    }

    void copyRectSkipsWhatLiesOutside() {
        TBitmap source(10, 10), dest(20, 20);
        FillNoise(source, 3);
        FillColor(dest, clRed);
        // Source rectangle reaching left of and above the source; destination past its edge.
        dest.Canvas().CopyRect({15, 15, 27, 27}, source.Canvas(), {-2, -2, 10, 10});
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int sx = x - 15 - 2, sy = y - 15 - 2;
                const bool copied = x >= 17 && y >= 17;
                QCOMPARE(dest.Pixel(x, y), copied ? source.Pixel(sx, sy) : clRed);
            }
    }

    void drawPlacesABitmapAtItsOwnSizeCutAtTheEdges() {
        TBitmap graphic(8, 6), picture(10, 10);
        FillNoise(graphic, 11);
        picture.Canvas().Draw(-3, 6, graphic);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool covered = x < 5 && y >= 6;
                QCOMPARE(picture.Pixel(x, y), covered ? graphic.Pixel(x + 3, y - 6) : clWhite);
            }
    }

    void copyWithinOneBitmapOverlapping() {
        TBitmap b(10, 10), before(10, 10);
        FillNoise(b, 5);
        before.Assign(b);
        b.Canvas().CopyRect({2, 2, 9, 9}, b.Canvas(), {0, 0, 7, 7});
        for (int y = 2; y < 9; ++y)
            for (int x = 2; x < 9; ++x)
                QCOMPARE(b.Pixel(x, y), before.Pixel(x - 2, y - 2));
    }

    // ---- change reports ----
    void changeReportsCoverEveryChangedPixelAndStayInside() {
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect})
            for (int brush : {int(bsClear), int(bsSolid)}) {
                TBitmap b(120, 90), before(120, 90);
                FillNoise(b, 9);
                before.Assign(b);
                QVector<TRect> reported;
                b.OnChange = [&](const TRect& r) { reported.append(r); };
                UseTools(b.Canvas(), psDot, static_cast<TBrushStyle>(brush));
                DrawKind(b.Canvas(), kind, {-15, 7, 103, 130});
                QVERIFY(!reported.isEmpty());
                std::int64_t area = 0;
                for (const TRect& r : reported) {
                    QCOMPARE(r.Intersected(b.BoundsRect()), r);
                    area += std::int64_t{r.Width()} * r.Height();
                }
                for (const TPoint& p : Differences(b, before)) {
                    bool covered = false;
                    for (const TRect& r : reported)
                        covered = covered || (p.x >= r.left && p.x < r.right && p.y >= r.top &&
                                              p.y < r.bottom);
                    QVERIFY2(covered, qPrintable(QStringLiteral("(%1,%2)").arg(p.x).arg(p.y)));
                }
                // An outline reports thin strips, not its whole box.
                if (brush == bsClear && kind != kLine)
                    QVERIFY2(area < 120 * 83 / 2, qPrintable(QString::number(area)));
            }
    }

    // ---- bitmaps ----
    void newBitmapsAreWhiteAndResizingKeepsTheOverlap() {
        TBitmap b(4, 3);
        QCOMPARE(CountColor(b, clWhite, b.BoundsRect()), 12);
        b.Canvas().SetPixel(1, 1, clRed);
        b.SetSize(6, 2);
        QCOMPARE(b.Width(), 6);
        QCOMPARE(b.Height(), 2);
        QCOMPARE(b.Pixel(1, 1), clRed);
        QCOMPARE(CountColor(b, clWhite, b.BoundsRect()), 11);
        QCOMPARE(b.Pixel(6, 0), TBitmap::kNoPixel);
        QCOMPARE(b.Pixel(-1, 0), TBitmap::kNoPixel);
    }

    void impossibleSizesAreRefusedAndChangeNothing() {
        TBitmap b(5, 5);
        FillNoise(b, 1);
        TBitmap before(5, 5);
        before.Assign(b);
        for (auto [w, h] : {std::pair{-1, 5}, {5, -1}, {70000, 10}, {20000, 20000}}) {
            bool refused = false;
            try {
                b.SetSize(w, h);
            } catch (const EditorError&) {
                refused = true;
            }
            QVERIFY(refused);
            QVERIFY(Differences(b, before).isEmpty());
            QCOMPARE(b.Width(), 5);
        }
        b.SetSize(0, 7); // an empty bitmap is allowed and draws nothing
        QVERIFY(b.Empty());
        UseTools(b.Canvas(), psSolid, bsSolid);
        b.Canvas().Rectangle(0, 0, 5, 5);
    }

    void imagesOfAnyFormatBecomeOpaque24BitColour() {
        QImage argb(3, 1, QImage::Format_ARGB32);
        argb.setPixel(0, 0, qRgba(10, 20, 30, 0));
        argb.setPixel(1, 0, qRgba(200, 100, 50, 128));
        argb.setPixel(2, 0, qRgba(1, 2, 3, 255));
        TBitmap b;
        b.AssignImage(argb);
        QCOMPARE(b.Image().format(), QImage::Format_RGB32);
        // Alpha is dropped: each pixel keeps its own colour values.
        QCOMPARE(b.Pixel(0, 0), TColor(0x1E140A));
        QCOMPARE(b.Pixel(1, 0), TColor(0x3264C8));
        QCOMPARE(b.Pixel(2, 0), TColor(0x030201));
        QImage indexed(2, 1, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
        indexed.setPixel(0, 0, 1);
        indexed.setPixel(1, 0, 0);
        b.AssignImage(indexed);
        QCOMPARE(b.Pixel(0, 0), clBlue);
        QCOMPARE(b.Pixel(1, 0), clRed);
    }
};

LIMNORA_TEST_CLASS(TestCanvas)
#include "tst_canvas.moc"
