// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The region selector over a real image control: exact pixels of the rubber band and of the dotted
// outline, the reports to the owner and the points they carry, the canvas tools around them, the
// hand-back of the image's handlers, real Qt mouse events, and drags that leave the picture.
#include "selection/TRegionSelector.h"
#include "support/TestPictures.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>

Q_DECLARE_METATYPE(TRect)

#define COMPARE_PICTURES(actual, expected)                                                         \
    do {                                                                                           \
        const TBitmap& a_ = (actual);                                                              \
        const TBitmap& e_ = (expected);                                                            \
        QVERIFY2(Differences(a_, e_).isEmpty(), qPrintable(FirstDifference(a_, e_)));              \
    } while (false)

namespace {

enum Kind { kLine, kRectangle, kEllipse, kRoundRect };

QPoint Q(const TPoint& p) {
    return {p.x, p.y};
}

TRect RectOf(const QPoint& a, const QPoint& b) {
    return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
            std::max(a.y(), b.y())};
}

// A copy of the picture with one frame drawn over it by hand: black pen of the style in not-xor
// mode over a hollow brush, from p1 to p2. Kinds outside 0..3 leave the copy as it is.
void WithFrame(const TBitmap& picture, TBitmap& out, QPoint p1, QPoint p2, int kind,
               TPenStyle style) {
    out.Assign(picture);
    TCanvas& c = out.Canvas();
    c.Pen = {style, pmNotXor, clBlack, 1};
    c.Brush = {bsClear, clWhite};
    switch (kind) {
    case kLine:
        c.MoveTo(p1.x(), p1.y());
        c.LineTo(p2.x(), p2.y());
        break;
    case kRectangle:
        c.Rectangle(p1.x(), p1.y(), p2.x(), p2.y());
        break;
    case kEllipse:
        c.Ellipse(p1.x(), p1.y(), p2.x(), p2.y());
        break;
    case kRoundRect: {
        // Half the box, truncated toward zero; in 64 bits, so that any two points will do.
        const auto half = [](int a, int b) { return int(std::abs((std::int64_t{a} - b) / 2)); };
        c.RoundRect(p1.x(), p1.y(), p2.x(), p2.y(), half(p1.x(), p2.x()), half(p1.y(), p2.y()));
        break;
    }
    default:
        break;
    }
}

QString Tools(const TPen& pen, const TBrush& brush) {
    return QStringLiteral("pen style %1 mode %2 colour %3 width %4; brush style %5 colour %6")
        .arg(int(pen.Style))
        .arg(int(pen.Mode))
        .arg(pen.Color, 6, 16, QLatin1Char('0'))
        .arg(pen.Width)
        .arg(int(brush.Style))
        .arg(brush.Color, 6, 16, QLatin1Char('0'));
}

QString ToolsOf(const TCanvas& c) {
    return Tools(c.Pen, c.Brush);
}

const QString kRubberBandTools = Tools({psSolid, pmNotXor, clBlack, 1}, {bsClear, clWhite});

struct Report {
    char kind; // 'S' start, 'M' move, 'E' end
    TShiftState shift;
    QPoint start, end;
    TRect selRect; // SelRect of the sender at the moment of the report
};

// A noise picture in an image control with a selector over it whose three reports are recorded.
struct Scene {
    explicit Scene(int width = 120, int height = 100) {
        image.Picture().SetSize(width, height);
        FillNoise(image.Picture(), 0x5e1ec7);
        original.Assign(image.Picture());
        selector.OnSelectStart = Recorder('S');
        selector.OnSelectMove = Recorder('M');
        selector.OnSelectEnd = Recorder('E');
    }

    TRegionSelector::TSelectEvent Recorder(char kind) {
        return [this, kind](TRegionSelector& sender, TShiftState shift, const TPoint& start,
                            const TPoint& end) {
            if (&sender != &selector)
                problems << QStringLiteral("%1: wrong sender").arg(kind);
            reports.append({kind, shift, Q(start), Q(end), sender.SelRect()});
            if (onReport)
                onReport(kind);
        };
    }

    TBitmap& Picture() { return image.Picture(); }
    void Press(QPoint p) { image.OnMouseDown(TMouseButton::mbLeft, ssLeft, p.x(), p.y()); }
    void Move(QPoint p) { image.OnMouseMove(ssLeft, p.x(), p.y()); }
    void Release(QPoint p) { image.OnMouseUp(TMouseButton::mbLeft, 0, p.x(), p.y()); }
    void Drag(QPoint from, QPoint to) {
        Press(from);
        Move(to);
        Release(to);
    }
    QString Kinds() const {
        QString k;
        for (const Report& r : reports)
            k += QLatin1Char(r.kind);
        return k;
    }
    // The original picture with the dotted outline, or the solid rubber band, from p1 to p2.
    const TBitmap& Outline(QPoint p1, QPoint p2, int kind = kRectangle) {
        WithFrame(original, drawn.emplace_back(), p1, p2, kind, psDot);
        return drawn.back();
    }
    const TBitmap& Band(QPoint p1, QPoint p2, int kind = kRectangle) {
        WithFrame(original, drawn.emplace_back(), p1, p2, kind, psSolid);
        return drawn.back();
    }
    // Inside a report: notes a difference between the picture and the expected one.
    void Check(const TBitmap& expected, const QString& when) {
        const QString d = FirstDifference(Picture(), expected);
        if (!d.isEmpty())
            problems << when + QStringLiteral(": ") + d;
    }

    TImage image;
    TBitmap original;
    TRegionSelector selector{&image};
    QVector<Report> reports;
    QStringList problems;
    std::function<void(char)> onReport;
    std::deque<TBitmap> drawn; // expected pictures, alive as long as the scene
};

} // namespace

class TestRegionSelector : public QObject {
    Q_OBJECT
private slots:
    // ---- which presses start a selection ----
    void ignoredPressesLeaveEverythingAsItWas_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("shift");
        QTest::newRow("right") << int(TMouseButton::mbRight) << int(ssRight);
        QTest::newRow("middle") << int(TMouseButton::mbMiddle) << int(ssMiddle);
        QTest::newRow("shift+left") << int(TMouseButton::mbLeft) << int(ssShift | ssLeft);
        QTest::newRow("ctrl+left") << int(TMouseButton::mbLeft) << int(ssCtrl | ssLeft);
        QTest::newRow("alt+left") << int(TMouseButton::mbLeft) << int(ssAlt | ssLeft);
        QTest::newRow("double click") << int(TMouseButton::mbLeft) << int(ssLeft | ssDouble);
        QTest::newRow("left+right") << int(TMouseButton::mbLeft) << int(ssLeft | ssRight);
        QTest::newRow("left+middle") << int(TMouseButton::mbLeft) << int(ssLeft | ssMiddle);
    }
    void ignoredPressesLeaveEverythingAsItWas() {
        QFETCH(int, button);
        QFETCH(int, shift);
        Scene s;
        s.Drag({20, 15}, {70, 60});
        TBitmap shown;
        shown.Assign(s.Picture());
        QVERIFY(!Differences(shown, s.original).isEmpty());
        const TShiftState state = TShiftState(shift);
        s.image.OnMouseDown(TMouseButton(button), state, 40, 30);
        s.image.OnMouseMove(state, 90, 80);
        s.image.OnMouseUp(TMouseButton(button), state, 90, 80);
        QCOMPARE(s.Kinds(), QStringLiteral("SME"));
        QVERIFY(!s.selector.Dragging());
        COMPARE_PICTURES(s.Picture(), shown);
        QCOMPARE(Q(s.selector.StartPoint()), QPoint(20, 15));
        QCOMPARE(Q(s.selector.EndPoint()), QPoint(70, 60));
        QCOMPARE(s.selector.SelRect(), (TRect{20, 15, 70, 60}));
        // The outline is still known to be there: hiding it restores the picture.
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    void secondButtonDuringADragIsIgnoredAndItsReleaseEndsTheDrag() {
        Scene s;
        s.selector.SetOutlineMode(omTransient);
        s.Press({10, 10});
        s.Move({30, 30});
        s.image.OnMouseDown(TMouseButton::mbRight, ssLeft | ssRight, 50, 50);
        QCOMPARE(s.Kinds(), QStringLiteral("SM"));
        QCOMPARE(Q(s.selector.StartPoint()), QPoint(10, 10));
        COMPARE_PICTURES(s.Picture(), s.Band({10, 10}, {30, 30}));
        s.Move({40, 35});
        s.image.OnMouseUp(TMouseButton::mbRight, ssLeft, 60, 60);
        QCOMPARE(s.Kinds(), QStringLiteral("SMME"));
        QVERIFY(!s.selector.Dragging());
        QCOMPARE(s.selector.SelRect(), (TRect{10, 10, 40, 35}));
        COMPARE_PICTURES(s.Picture(), s.original);
        // Moves and releases after the end report nothing.
        s.Move({80, 80});
        s.Release({80, 80});
        QCOMPARE(s.Kinds(), QStringLiteral("SMME"));
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    // ---- points, rectangle and reports ----
    void clickWithoutMovement_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("kind");
        QTest::newRow("persistent rectangle") << int(omPersistent) << int(kRectangle);
        QTest::newRow("persistent line") << int(omPersistent) << int(kLine);
        QTest::newRow("transient ellipse") << int(omTransient) << int(kEllipse);
    }
    void clickWithoutMovement() {
        QFETCH(int, mode);
        QFETCH(int, kind);
        Scene s;
        s.selector.SetOutlineMode(std::uint8_t(mode));
        s.selector.ShapeKind = std::uint8_t(kind);
        s.Press({33, 44});
        s.Move({33, 44}); // onto the press point: not a movement
        s.Release({36, 47});
        QCOMPARE(s.Kinds(), QStringLiteral("SE"));
        for (const Report& r : s.reports) {
            QCOMPARE(r.start, QPoint(33, 44));
            QCOMPARE(r.end, QPoint(33, 44));
        }
        QCOMPARE(s.selector.SelRect(), (TRect{33, 44, 33, 44}));
        QVERIFY(s.selector.HasSelection());
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineVisible(true);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    void dragReportsRawPointsAndNormalisedRectangle_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to"); // the last move
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<TRect>("rect");
        QTest::newRow("down left")
            << QPoint(50, 40) << QPoint(10, 90) << QPoint(10, 90) << TRect{10, 40, 50, 90};
        QTest::newRow("down right")
            << QPoint(10, 10) << QPoint(60, 30) << QPoint(60, 30) << TRect{10, 10, 60, 30};
        QTest::newRow("up left") << QPoint(60, 70) << QPoint(5, 5) << QPoint(5, 5)
                                 << TRect{5, 5, 60, 70};
        QTest::newRow("up right") << QPoint(20, 80) << QPoint(70, 10) << QPoint(70, 10)
                                  << TRect{20, 10, 70, 80};
        QTest::newRow("flat") << QPoint(90, 30) << QPoint(15, 30) << QPoint(15, 30)
                              << TRect{15, 30, 90, 30};
        // The selection ends where the pointer last moved, not where the button came up.
        QTest::newRow("released elsewhere")
            << QPoint(10, 10) << QPoint(30, 30) << QPoint(35, 31) << TRect{10, 10, 30, 30};
    }
    void dragReportsRawPointsAndNormalisedRectangle() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QPoint, release);
        QFETCH(TRect, rect);
        Scene s;
        s.Press(from);
        s.image.OnMouseMove(ssLeft | ssShift, to.x(), to.y());
        s.image.OnMouseUp(TMouseButton::mbLeft, ssCtrl, release.x(), release.y());
        QVERIFY(s.problems.isEmpty());
        QCOMPARE(s.Kinds(), QStringLiteral("SME"));
        const QPoint ends[] = {from, to, to};
        const TShiftState shifts[] = {ssLeft, ssLeft | ssShift, ssCtrl};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(s.reports[i].start, from);
            QCOMPARE(s.reports[i].end, ends[i]);
            QCOMPARE(s.reports[i].shift, shifts[i]);
        }
        QCOMPARE(s.reports[2].selRect, rect); // already set when the end is reported
        QCOMPARE(Q(s.selector.StartPoint()), from);
        QCOMPARE(Q(s.selector.EndPoint()), to);
        QCOMPARE(s.selector.SelRect(), rect);
        COMPARE_PICTURES(s.Picture(), s.Outline(from, to));
    }

    void returningToThePressPointStillReportsMoves_data() {
        QTest::addColumn<int>("kind");
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect})
            QTest::addRow("kind %d", kind) << kind;
    }
    void returningToThePressPointStillReportsMoves() {
        QFETCH(int, kind);
        Scene s;
        s.selector.ShapeKind = std::uint8_t(kind);
        s.Move({70, 60}); // no drag yet
        QCOMPARE(s.Kinds(), QString());
        s.Press({40, 40});
        s.Move({70, 60});
        const TBitmap& band = s.Band({40, 40}, {70, 60}, kind);
        QVERIFY(!Differences(band, s.original).isEmpty());
        COMPARE_PICTURES(s.Picture(), band);
        s.Move({40, 40});
        QCOMPARE(s.Kinds(), QStringLiteral("SMM"));
        QCOMPARE(s.reports.last().end, QPoint(40, 40));
        COMPARE_PICTURES(s.Picture(), s.original); // the band shrank to nothing
        s.Release({40, 40});
        QCOMPARE(s.Kinds(), QStringLiteral("SMME"));
        QCOMPARE(s.selector.SelRect(), (TRect{40, 40, 40, 40}));
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    // ---- pixels of the rubber band and the outline ----
    void transientRubberBandLeavesNoTrace_data() {
        QTest::addColumn<int>("kind");
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect})
            QTest::addRow("kind %d", kind) << kind;
        QTest::newRow("unknown kind draws nothing") << 7;
    }
    void transientRubberBandLeavesNoTrace() {
        QFETCH(int, kind);
        Scene s;
        s.selector.SetOutlineMode(omTransient);
        s.selector.ShapeKind = std::uint8_t(kind);
        s.onReport = [&](char k) {
            const TBitmap& expected =
                k == 'M' ? s.Band(Q(s.selector.StartPoint()), Q(s.selector.EndPoint()), kind)
                         : s.original;
            s.Check(expected, QStringLiteral("report %1 #%2").arg(k).arg(s.reports.size()));
        };
        s.Press({50, 40});
        for (QPoint p : {QPoint(90, 70), QPoint(10, 90), QPoint(60, 41), QPoint(5, 5)})
            s.Move(p);
        s.Release({7, 7});
        QCOMPARE(s.Kinds(), QStringLiteral("SMMMME"));
        QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
        QCOMPARE(s.selector.SelRect(), (TRect{5, 5, 50, 40}));
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    void persistentOutlineIsADottedFrame_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect}) {
            QTest::addRow("kind %d down left", kind) << kind << QPoint(50, 40) << QPoint(10, 90);
            QTest::addRow("kind %d up right", kind) << kind << QPoint(12, 95) << QPoint(110, 3);
        }
    }
    void persistentOutlineIsADottedFrame() {
        QFETCH(int, kind);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        Scene s;
        s.selector.ShapeKind = std::uint8_t(kind);
        s.Drag(from, to);
        const TBitmap& solid = s.Band(from, to, kind);
        COMPARE_PICTURES(s.Picture(), s.Outline(from, to, kind));
        // Every changed pixel is the inverse of the original, and fewer change than for a solid
        // pen: the outline is dotted.
        const QVector<TPoint> changed = Differences(s.Picture(), s.original);
        QVERIFY(!changed.isEmpty());
        QVERIFY(changed.size() < Differences(solid, s.original).size());
        for (const TPoint& p : changed)
            QCOMPARE(s.Picture().Pixel(p.x, p.y), ~s.original.Pixel(p.x, p.y) & 0xFFFFFFu);
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    void dottedOutlineStartsAtTheTopRightCornerAndRunsLeftwards() {
        Scene s(12, 9);
        FillColor(s.Picture(), clWhite);
        s.Drag({11, 8}, {1, 1});
        QCOMPARE(Mask(s.Picture(), clBlack),
                 (QStringList{"............", "..###...###.", "............", "............",
                              ".#..........", ".#........#.", ".#........#.", "....###...#.",
                              "............"}));
    }

    void showAndHideDrawAndEraseOnce_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("calls"); // + shows, - hides
        QTest::newRow("hide") << int(kRectangle) << QStringLiteral("-");
        QTest::newRow("show hide") << int(kRectangle) << QStringLiteral("+-");
        QTest::newRow("hide twice") << int(kRectangle) << QStringLiteral("--");
        QTest::newRow("show twice") << int(kEllipse) << QStringLiteral("++-");
        QTest::newRow("hide show hide") << int(kEllipse) << QStringLiteral("-+-");
        QTest::newRow("twice each") << int(kRoundRect) << QStringLiteral("--++--");
        QTest::newRow("alternating") << int(kLine) << QStringLiteral("-+-+-++-");
    }
    void showAndHideDrawAndEraseOnce() {
        QFETCH(int, kind);
        QFETCH(QString, calls);
        Scene s;
        s.selector.ShapeKind = std::uint8_t(kind);
        s.Drag({15, 85}, {100, 12});
        const TBitmap& outline = s.Outline({15, 85}, {100, 12}, kind);
        COMPARE_PICTURES(s.Picture(), outline);
        for (int i = 0; i < calls.size(); ++i) {
            const bool show = calls[i] == QLatin1Char('+');
            s.selector.SetOutlineVisible(show);
            QVERIFY2(Differences(s.Picture(), show ? outline : s.original).isEmpty(),
                     qPrintable(QStringLiteral("after call %1").arg(i + 1)));
        }
    }

    void outlineModeSwitchHidesAndShowsTheOutline() {
        Scene s;
        s.Drag({15, 20}, {80, 70});
        const TBitmap& first = s.Outline({15, 20}, {80, 70});
        COMPARE_PICTURES(s.Picture(), first);
        s.selector.SetOutlineMode(omTransient);
        COMPARE_PICTURES(s.Picture(), s.original);
        // Show and hide do nothing in transient mode.
        s.selector.SetOutlineVisible(true);
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineVisible(false);
        s.selector.SetOutlineVisible(true);
        s.selector.SetOutlineMode(omTransient);
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineMode(omPersistent);
        COMPARE_PICTURES(s.Picture(), first);
        s.selector.SetOutlineMode(omPersistent);
        COMPARE_PICTURES(s.Picture(), first);

        // A transient drag leaves nothing; back in persistent mode its outline appears.
        s.selector.SetOutlineMode(omTransient);
        s.Drag({60, 10}, {20, 50});
        COMPARE_PICTURES(s.Picture(), s.original);
        QCOMPARE(s.selector.SelRect(), (TRect{20, 10, 60, 50}));
        s.selector.SetOutlineMode(omPersistent);
        COMPARE_PICTURES(s.Picture(), s.Outline({60, 10}, {20, 50}));
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);

        // Any other non-zero mode leaves no outline after a drag either.
        s.selector.SetOutlineMode(5);
        s.Drag({30, 30}, {90, 95});
        s.selector.SetOutlineVisible(true);
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineMode(omPersistent);
        COMPARE_PICTURES(s.Picture(), s.Outline({30, 30}, {90, 95}));
    }

    void outlineKeepsTheKindOfItsSelection_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("rectangle to ellipse") << int(kRectangle) << int(kEllipse);
        QTest::newRow("ellipse to line") << int(kEllipse) << int(kLine);
        QTest::newRow("line to round") << int(kLine) << int(kRoundRect);
        QTest::newRow("round to rectangle") << int(kRoundRect) << int(kRectangle);
        QTest::newRow("rectangle to unknown") << int(kRectangle) << 7;
        QTest::newRow("unknown to ellipse") << 7 << int(kEllipse);
        QTest::newRow("ellipse kept") << int(kEllipse) << int(kEllipse);
    }
    void outlineKeepsTheKindOfItsSelection() {
        QFETCH(int, before);
        QFETCH(int, after);
        Scene s;
        s.selector.ShapeKind = std::uint8_t(before);
        s.Drag({25, 15}, {95, 75});
        const TBitmap& old = s.Outline({25, 15}, {95, 75}, before);
        COMPARE_PICTURES(s.Picture(), old);
        s.selector.ShapeKind = std::uint8_t(after);
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineVisible(true);
        COMPARE_PICTURES(s.Picture(), old);
        // The next press takes it off with the old kind too, before it reports the start; the
        // new band has the new kind.
        s.onReport = [&](char k) {
            if (k == 'S')
                s.Check(s.original, QStringLiteral("start"));
        };
        s.Press({50, 50});
        QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
        s.Move({10, 20});
        COMPARE_PICTURES(s.Picture(), s.Band({50, 50}, {10, 20}, after));
        s.Release({10, 20});
        COMPARE_PICTURES(s.Picture(), s.Outline({50, 50}, {10, 20}, after));
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    void roundedBandUsesHalfTheBoxForItsCorners_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QSize>("corner");
        QTest::addColumn<QSize>("wrongCorner"); // a near miss that draws other pixels
        // The whole box instead of half of it:
        QTest::newRow("40x20") << QPoint(30, 20) << QPoint(70, 40) << QSize(20, 10)
                               << QSize(40, 20);
        QTest::newRow("40x20 reversed")
            << QPoint(70, 40) << QPoint(30, 20) << QSize(20, 10) << QSize(40, 20);
        // Odd sizes halve toward zero whichever way the drag goes, never away from it:
        QTest::newRow("43x25") << QPoint(30, 20) << QPoint(73, 45) << QSize(21, 12)
                               << QSize(22, 13);
        QTest::newRow("43x25 reversed")
            << QPoint(73, 45) << QPoint(30, 20) << QSize(21, 12) << QSize(22, 13);
        QTest::newRow("43x25 mixed")
            << QPoint(30, 45) << QPoint(73, 20) << QSize(21, 12) << QSize(22, 13);
    }
    void roundedBandUsesHalfTheBoxForItsCorners() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QSize, corner);
        QFETCH(QSize, wrongCorner);
        Scene s;
        s.selector.ShapeKind = kRoundRect;
        auto drawn = [&](TBitmap& out, TPenStyle style, QSize c) {
            out.Assign(s.original);
            out.Canvas().Pen = {style, pmNotXor, clBlack, 1};
            out.Canvas().Brush = {bsClear, clWhite};
            out.Canvas().RoundRect(from.x(), from.y(), to.x(), to.y(), c.width(), c.height());
        };
        TBitmap band, outline, wrong;
        drawn(band, psSolid, corner);
        drawn(outline, psDot, corner);
        drawn(wrong, psSolid, wrongCorner);
        QVERIFY(!Differences(band, wrong).isEmpty());
        s.Press(from);
        s.Move(to);
        COMPARE_PICTURES(s.Picture(), band);
        s.Release(to);
        COMPARE_PICTURES(s.Picture(), outline);
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    // ---- clearing ----
    void clearSelectionForgetsTheRegionAndItsOutline() {
        Scene s;
        s.Drag({30, 25}, {90, 80});
        s.selector.ClearSelection();
        COMPARE_PICTURES(s.Picture(), s.original);
        QCOMPARE(s.selector.SelRect(), TRect{});
        QCOMPARE(Q(s.selector.StartPoint()), QPoint(0, 0));
        QCOMPARE(Q(s.selector.EndPoint()), QPoint(0, 0));
        s.selector.SetOutlineVisible(true);
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
        // The next selection works as before, and its press erases nothing.
        s.Drag({10, 60}, {50, 20});
        COMPARE_PICTURES(s.Picture(), s.Outline({10, 60}, {50, 20}));
        QCOMPARE(s.selector.SelRect(), (TRect{10, 20, 50, 60}));
        // In transient mode the points are forgotten as well.
        s.selector.SetOutlineMode(omTransient);
        s.Drag({5, 6}, {70, 80});
        s.selector.ClearSelection();
        QCOMPARE(s.selector.SelRect(), TRect{});
        QCOMPARE(Q(s.selector.EndPoint()), QPoint(0, 0));
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    // ---- callbacks ----
    void failingCallbackIsDisconnectedAndTheDragGoesOn_data() {
        QTest::addColumn<char>("failing");
        QTest::addColumn<bool>("plainValue"); // throws an int instead of an exception object
        QTest::newRow("start") << 'S' << false;
        QTest::newRow("move") << 'M' << false;
        QTest::newRow("end") << 'E' << false;
        QTest::newRow("move throwing an int") << 'M' << true;
    }
    void failingCallbackIsDisconnectedAndTheDragGoesOn() {
        QFETCH(char, failing);
        QFETCH(bool, plainValue);
        Scene s;
        QMap<char, int> calls;
        auto slot = [&](char kind) -> TRegionSelector::TSelectEvent {
            return [&, kind](TRegionSelector&, TShiftState, const TPoint&, const TPoint&) {
                if (++calls[kind] == 1 && kind == failing) {
                    if (plainValue)
                        throw 42;
                    throw std::runtime_error("report failed");
                }
            };
        };
        s.selector.OnSelectStart = slot('S');
        s.selector.OnSelectMove = slot('M');
        s.selector.OnSelectEnd = slot('E');
        const QString tools = ToolsOf(s.image.Canvas());
        s.Press({10, 10});
        s.Move({20, 25});
        s.Move({30, 40});
        s.Release({30, 40});
        QVERIFY(!s.selector.Dragging());
        QCOMPARE(s.selector.SelRect(), (TRect{10, 10, 30, 40}));
        QCOMPARE(calls['S'], 1);
        QCOMPARE(calls['M'], 2 - int(failing == 'M'));
        QCOMPARE(calls['E'], 1);
        COMPARE_PICTURES(s.Picture(), s.Outline({10, 10}, {30, 40}));
        QCOMPARE(ToolsOf(s.image.Canvas()), tools);

        // The failed one stays silent, the others keep reporting.
        QMap<char, int> expected{{'S', 2}, {'M', 4}, {'E', 2}};
        expected[failing] = 1;
        s.Press({60, 50});
        s.Move({80, 70});
        s.Move({90, 90});
        s.Release({90, 90});
        QCOMPARE(calls['S'], expected['S']);
        QCOMPARE(calls['M'], expected['M']);
        QCOMPARE(calls['E'], expected['E']);
        QCOMPARE(s.selector.SelRect(), (TRect{60, 50, 90, 90}));
        COMPARE_PICTURES(s.Picture(), s.Outline({60, 50}, {90, 90}));
    }

    void callbacksDrawWithTheToolsOfThePress() {
        Scene s;
        TCanvas& c = s.image.Canvas();
        c.Pen = {psDashDot, pmMask, 0x123456, 3};
        c.Brush = {bsDiagCross, 0x654321};
        const QString user = ToolsOf(c);
        s.onReport = [&](char k) {
            if (ToolsOf(c) != user)
                s.problems << QStringLiteral("%1 saw %2").arg(k).arg(ToolsOf(c));
        };
        s.Press({20, 20});
        QCOMPARE(ToolsOf(c), kRubberBandTools); // between the reports the band's tools are set
        s.Move({60, 50});
        QCOMPARE(ToolsOf(c), kRubberBandTools);
        s.Move({70, 45});
        s.Release({70, 45});
        QCOMPARE(s.Kinds(), QStringLiteral("SMME"));
        QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
        QCOMPARE(ToolsOf(c), user);
        COMPARE_PICTURES(s.Picture(), s.Outline({20, 20}, {70, 45}));
        // Showing, hiding, switching modes and clearing leave the tools alone too.
        s.selector.SetOutlineVisible(false);
        QCOMPARE(ToolsOf(c), user);
        s.selector.SetOutlineVisible(true);
        QCOMPARE(ToolsOf(c), user);
        s.selector.SetOutlineMode(omTransient);
        QCOMPARE(ToolsOf(c), user);
        s.selector.SetOutlineMode(omPersistent);
        QCOMPARE(ToolsOf(c), user);
        s.selector.ClearSelection();
        QCOMPARE(ToolsOf(c), user);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    void toolChangesInCallbacksLastOnlyForTheCallback_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("persistent") << int(omPersistent);
        QTest::newRow("transient") << int(omTransient);
    }
    void toolChangesInCallbacksLastOnlyForTheCallback() {
        QFETCH(int, mode);
        Scene s;
        s.selector.SetOutlineMode(std::uint8_t(mode));
        s.selector.ShapeKind = kEllipse;
        TCanvas& c = s.image.Canvas();
        const QString user = ToolsOf(c);
        s.onReport = [&](char k) {
            const TBitmap& expected =
                k == 'M' ? s.Band(Q(s.selector.StartPoint()), Q(s.selector.EndPoint()), kEllipse)
                : k == 'E' && mode == omPersistent ? s.Outline({50, 40}, {100, 20}, kEllipse)
                                                   : s.original;
            s.Check(expected, QStringLiteral("report %1 #%2").arg(k).arg(s.reports.size()));
            c.Pen = {psDash, pmCopy, clRed, 5};
            c.Brush = {bsSolid, clRed};
        };
        s.Press({50, 40});
        s.Move({10, 90});
        s.Move({100, 20});
        s.Release({100, 20});
        QCOMPARE(s.Kinds(), QStringLiteral("SMME"));
        QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
        QCOMPARE(ToolsOf(c), user);
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
    }

    // ---- the image's handlers ----
    void destructionGivesTheImageItsHandlersBack() {
        TImage image;
        image.Picture().SetSize(50, 40);
        QStringList calls;
        image.OnMouseDown = [&](TMouseButton b, TShiftState s, std::int32_t x, std::int32_t y) {
            calls << QStringLiteral("down %1 %2 %3 %4").arg(int(b)).arg(s).arg(x).arg(y);
        };
        image.OnMouseMove = [&](TShiftState s, std::int32_t x, std::int32_t y) {
            calls << QStringLiteral("move %1 %2 %3").arg(s).arg(x).arg(y);
        };
        image.OnMouseUp = [&](TMouseButton b, TShiftState s, std::int32_t x, std::int32_t y) {
            calls << QStringLiteral("up %1 %2 %3 %4").arg(int(b)).arg(s).arg(x).arg(y);
        };
        {
            TRegionSelector outer(&image);
            {
                TRegionSelector inner(&image);
                image.OnMouseDown(TMouseButton::mbRight, ssRight, 1, 1); // ignored, not passed on
                image.OnMouseDown(TMouseButton::mbLeft, ssLeft, 5, 6);
                image.OnMouseMove(ssLeft, 20, 30);
                image.OnMouseUp(TMouseButton::mbLeft, 0, 20, 30);
                QCOMPARE(inner.SelRect(), (TRect{5, 6, 20, 30}));
                QCOMPARE(outer.SelRect(), TRect{});
            }
            image.OnMouseDown(TMouseButton::mbLeft, ssLeft, 7, 8);
            image.OnMouseMove(ssLeft, 30, 2);
            image.OnMouseUp(TMouseButton::mbLeft, 0, 30, 2);
            QCOMPARE(outer.SelRect(), (TRect{7, 2, 30, 8}));
        }
        QCOMPARE(calls, QStringList());
        image.OnMouseDown(TMouseButton::mbRight, ssRight | ssShift, 3, 4);
        image.OnMouseMove(ssShift, 9, 10);
        image.OnMouseUp(TMouseButton::mbRight, ssShift, 11, 12);
        QCOMPARE(calls, (QStringList{QStringLiteral("down 1 17 3 4"), QStringLiteral("move 1 9 10"),
                                     QStringLiteral("up 1 1 11 12")}));

        // An image without handlers gets none back.
        TImage bare;
        { TRegionSelector selector(&bare); }
        QVERIFY(!bare.OnMouseDown);
        QVERIFY(!bare.OnMouseMove);
        QVERIFY(!bare.OnMouseUp);
    }

    void selectorWithoutImageIsInert() {
        TRegionSelector s(nullptr);
        s.ShapeKind = kEllipse;
        s.SetOutlineVisible(true);
        s.SetOutlineVisible(false);
        s.SetOutlineMode(omTransient);
        s.SetOutlineMode(omPersistent);
        s.ClearSelection();
        QVERIFY(!s.Dragging());
        QVERIFY(!s.HasSelection());
        QCOMPARE(s.SelRect(), TRect{});
    }

    // ---- real Qt mouse events on the widget ----
    void qtMouseEventsStartOnlyPlainLeftDrags_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::NoModifier) << false << true;
        QTest::newRow("right") << int(Qt::RightButton) << int(Qt::NoModifier) << false << false;
        QTest::newRow("shift+left")
            << int(Qt::LeftButton) << int(Qt::ShiftModifier) << false << false;
        QTest::newRow("ctrl+left")
            << int(Qt::LeftButton) << int(Qt::ControlModifier) << false << false;
        QTest::newRow("alt+left") << int(Qt::LeftButton) << int(Qt::AltModifier) << false << false;
        QTest::newRow("double click")
            << int(Qt::LeftButton) << int(Qt::NoModifier) << true << false;
    }
    void qtMouseEventsStartOnlyPlainLeftDrags() {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(bool, doubleClick);
        QFETCH(bool, accepted);
        const auto b = Qt::MouseButton(button);
        const auto m = Qt::KeyboardModifiers(modifiers);
        Scene s;
        s.image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.image));
        s.Drag({5, 5}, {30, 25});
        TBitmap shown;
        shown.Assign(s.Picture());
        s.reports.clear();

        if (doubleClick) {
            QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(20, 15),
                            QPointF(s.image.mapToGlobal(QPoint(20, 15))), b, b, m);
            QCoreApplication::sendEvent(&s.image, &dbl);
        } else {
            QTest::mousePress(&s.image, b, m, QPoint(20, 15));
        }
        QMouseEvent move(QEvent::MouseMove, QPointF(70.6, 55.3),
                         QPointF(s.image.mapToGlobal(QPoint())) + QPointF(70.6, 55.3), Qt::NoButton,
                         b, m);
        QCoreApplication::sendEvent(&s.image, &move);
        QTest::mouseRelease(&s.image, b, m, QPoint(72, 57));

        if (accepted) {
            QCOMPARE(s.Kinds(), QStringLiteral("SME"));
            QCOMPARE(s.reports[0].shift, TShiftState(ssLeft));
            QCOMPARE(s.reports[1].shift, TShiftState(ssLeft));
            QCOMPARE(s.reports[2].shift, TShiftState(0));
            QCOMPARE(Q(s.selector.StartPoint()), QPoint(20, 15));
            QCOMPARE(Q(s.selector.EndPoint()), QPoint(70, 55));
            QCOMPARE(s.selector.SelRect(), (TRect{20, 15, 70, 55}));
            COMPARE_PICTURES(s.Picture(), s.Outline({20, 15}, {70, 55}));
        } else {
            QCOMPARE(s.Kinds(), QString());
            QCOMPARE(s.selector.SelRect(), (TRect{5, 5, 30, 25}));
            COMPARE_PICTURES(s.Picture(), shown);
        }
    }

    // ---- drags that leave the picture ----
    void dragsLeavingThePicture_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QVector<QPoint>>("path"); // press point, then the moves
        const QVector<std::pair<const char*, QVector<QPoint>>> paths{
            {"above left", {{50, 40}, {-30, -20}}},
            {"below right", {{50, 40}, {200, 150}}},
            {"far away", {{50, 40}, {-5000, 90000}}},
            {"starts outside", {{-10, -10}, {130, 110}}},
            {"wholly outside", {{-500, -400}, {-300, -100}}},
            {"corners exactly", {{0, 0}, {120, 100}}},
            {"in and out", {{60, 50}, {130, 50}, {130, -8}, {-9, 110}, {70, 60}, {-1, -1}}},
            {"beyond any pointer", {{50, 40}, {-2000000, 3000000}}},
            {"extreme coordinates", {{50, 40}, {INT32_MIN, INT32_MAX}}},
        };
        for (int kind : {kLine, kRectangle, kEllipse, kRoundRect})
            for (const auto& [name, path] : paths)
                QTest::addRow("kind %d %s", kind, name) << kind << path;
    }
    void dragsLeavingThePicture() {
        QFETCH(int, kind);
        QFETCH(QVector<QPoint>, path);
        Scene s;
        s.selector.ShapeKind = std::uint8_t(kind);
        const QPoint from = path.first(), to = path.last();
        s.onReport = [&](char k) {
            if (k != 'M')
                return;
            const TBitmap& band = s.Band(from, Q(s.selector.EndPoint()), kind);
            s.Check(band, QStringLiteral("move #%1").arg(s.reports.size()));
        };
        s.Press(from);
        for (int i = 1; i < path.size(); ++i)
            s.Move(path[i]);
        s.Release(to + QPoint(3, -2));
        QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
        QCOMPARE(Q(s.selector.StartPoint()), from);
        QCOMPARE(Q(s.selector.EndPoint()), to);
        QCOMPARE(s.selector.SelRect(), RectOf(from, to));
        const TBitmap& outline = s.Outline(from, to, kind);
        COMPARE_PICTURES(s.Picture(), outline);
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
        s.selector.SetOutlineVisible(true);
        COMPARE_PICTURES(s.Picture(), outline);
        // A later selection inside the picture is exact: its press took the old outline off.
        s.Drag({20, 20}, {60, 50});
        COMPARE_PICTURES(s.Picture(), s.Outline({20, 20}, {60, 50}, kind));
        QCOMPARE(s.selector.SelRect(), (TRect{20, 20, 60, 50}));
        s.selector.SetOutlineVisible(false);
        COMPARE_PICTURES(s.Picture(), s.original);
    }
};

QTEST_MAIN(TestRegionSelector)
#include "tst_selector.moc"
