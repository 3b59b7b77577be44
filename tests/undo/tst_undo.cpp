// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The bounded snapshot queue and the undo manager on real bitmaps.
#include "canvas/TImage.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPictures.h"
#include "support/TestRunner.h"
#include "system/Memory.h"
#include "undo/TGraphUnDo.h"

#include <QTest>
#include <vector>

Q_DECLARE_METATYPE(TRect)

namespace {

// Pushes a 1 x 1 graphic whose only pixel carries the number n, with rectangle (n, n, n+1, n+1).
void PushNumbered(TIQueue& queue, int n) {
    auto graphic = std::make_unique<TBitmap>(1, 1);
    graphic->Canvas().SetPixel(0, 0, TColor(n));
    queue.Push(std::move(graphic), {n, n, n + 1, n + 1});
}

// The numbers of the entries from the oldest to the newest, checking every link on the way.
QList<int> Numbers(const TIQueue& queue) {
    QList<int> numbers;
    const TQItem* previous = nullptr;
    for (const TQItem* e = queue.Head(); e; e = e->Next.get()) {
        if (e->Prev != previous)
            return {-1}; // a broken back link
        numbers << int(e->Graphic->Pixel(0, 0));
        previous = e;
    }
    if (previous != queue.Tail() || numbers.size() != queue.Count())
        return {-2}; // the tail or the count disagree with the chain
    return numbers;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    // ---- the queue ----
    void firstPushIsHeadAndTail() {
        TIQueue queue;
        QCOMPARE(queue.Capacity(), 8);
        QCOMPARE(queue.Count(), 0);
        QVERIFY(!queue.Head() && !queue.Tail());
        PushNumbered(queue, 1);
        QCOMPARE(queue.Count(), 1);
        QCOMPARE(queue.Head(), queue.Tail());
        QVERIFY(!queue.Head()->Prev && !queue.Tail()->Next);
        QCOMPARE(queue.Tail()->Rect, (TRect{1, 1, 2, 2}));
    }

    void theNinthPushDropsTheOldest() {
        TIQueue queue;
        for (int n = 1; n <= 9; ++n)
            PushNumbered(queue, n);
        QCOMPARE(Numbers(queue), (QList<int>{2, 3, 4, 5, 6, 7, 8, 9}));
        PushNumbered(queue, 10);
        QCOMPARE(Numbers(queue), (QList<int>{3, 4, 5, 6, 7, 8, 9, 10}));
    }

    void dropsAtBothEnds() {
        TIQueue queue;
        queue.DropOldest(); // empty: nothing happens
        queue.DropNewest();
        QCOMPARE(Numbers(queue), QList<int>{});
        PushNumbered(queue, 1);
        queue.DropNewest();
        QCOMPARE(queue.Count(), 0);
        QVERIFY(!queue.Head() && !queue.Tail());
        for (int n = 1; n <= 4; ++n)
            PushNumbered(queue, n);
        queue.DropNewest();
        QCOMPARE(Numbers(queue), (QList<int>{1, 2, 3}));
        // A push after a drop links after the entry that is now the newest.
        PushNumbered(queue, 5);
        QCOMPARE(Numbers(queue), (QList<int>{1, 2, 3, 5}));
        queue.DropOldest();
        QCOMPARE(Numbers(queue), (QList<int>{2, 3, 5}));
        queue.DropOldest();
        queue.DropOldest();
        queue.DropOldest();
        QCOMPARE(Numbers(queue), QList<int>{});
        QVERIFY(!queue.Head() && !queue.Tail());
    }

    void clearEmptiesAFullQueue() {
        TIQueue queue;
        for (int n = 1; n <= 8; ++n)
            PushNumbered(queue, n);
        queue.Clear();
        QCOMPARE(queue.Count(), 0);
        QVERIFY(!queue.Head() && !queue.Tail());
        queue.Clear();
        PushNumbered(queue, 1);
        QCOMPARE(Numbers(queue), QList<int>{1});
    }

    void showInfoTellsCapacityAndSize() {
        ScriptedDialogs dialogs;
        dialogs.ExpectMessage(TModalResult::Ok);
        TIQueue queue;
        for (int n = 1; n <= 3; ++n)
            PushNumbered(queue, n);
        queue.ShowInfo();
        QCOMPARE(dialogs.Prompts().size(), 1);
        QCOMPARE(dialogs.Prompts()[0].msgKind, TMsgKind::Information);
        QCOMPARE(dialogs.Prompts()[0].buttons, TMsgButtons::Ok);
        QCOMPARE(dialogs.Prompts()[0].text,
                 QStringLiteral("Максим. размер очереди : 8\rТекущий размер очереди : 3"));
    }

    // ---- the undo manager ----
    void stepBackRestoresExactlyTheSavedRectangle() {
        TImage image;
        image.Picture().SetSize(200, 150);
        FillNoise(image.Picture(), 1);
        TBitmap before;
        before.Assign(image.Picture());
        TGraphUnDo undo;
        undo.SaveRegion(&image, {20, 10, 100, 80});
        QCOMPARE(undo.Count(), 1);
        QCOMPARE(undo.Tail()->Rect, (TRect{20, 10, 100, 80}));
        QCOMPARE(undo.Tail()->Graphic->Width(), 80);
        QCOMPARE(undo.Tail()->Graphic->Height(), 70);
        // Change the rectangle and some pixels outside it.
        FillColor(image.Picture(), clRed);
        undo.StepBack(&image);
        QCOMPARE(undo.Count(), 0);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x) {
                const bool inside = x >= 20 && x < 100 && y >= 10 && y < 80;
                QCOMPARE(image.Picture().Pixel(x, y), inside ? before.Pixel(x, y) : clRed);
            }
    }

    void rectanglesReachingOutsideRestoreWhatWasInside_data() {
        QTest::addColumn<TRect>("rect");
        QTest::newRow("left and above") << TRect{-40, -30, 50, 20};
        QTest::newRow("right and below") << TRect{150, 100, 400, 300};
        QTest::newRow("around the picture") << TRect{-1000, -1000, 100000, 100000};
        QTest::newRow("outside altogether") << TRect{300, 300, 500, 500};
        QTest::newRow("zero width") << TRect{30, 30, 30, 90};
    }
    void rectanglesReachingOutsideRestoreWhatWasInside() {
        QFETCH(TRect, rect);
        TImage image;
        image.Picture().SetSize(200, 150);
        FillNoise(image.Picture(), 2);
        TBitmap before;
        before.Assign(image.Picture());
        TGraphUnDo undo;
        undo.SaveRegion(&image, rect);
        QCOMPARE(undo.Count(), 1); // a step even where nothing can change
        const TRect inside = rect.Intersected(image.Picture().BoundsRect());
        QCOMPARE(undo.Tail()->Graphic->Width(), inside.Width());
        QCOMPARE(undo.Tail()->Graphic->Height(), inside.Height());
        FillColor(image.Picture(), clBlue);
        undo.StepBack(&image);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x) {
                const bool restored =
                    x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom;
                QCOMPARE(image.Picture().Pixel(x, y), restored ? before.Pixel(x, y) : clBlue);
            }
    }

    void stepsComeBackNewestFirst() {
        TImage image;
        image.Picture().SetSize(50, 50);
        TGraphUnDo undo;
        for (TColor c : {clRed, clBlue, clBlack}) {
            undo.SaveRegion(&image, {0, 0, 50, 50});
            FillColor(image.Picture(), c);
        }
        undo.StepBack(&image);
        QCOMPARE(image.Picture().Pixel(5, 5), clBlue);
        undo.StepBack(&image);
        QCOMPARE(image.Picture().Pixel(5, 5), clRed);
        undo.StepBack(&image);
        QCOMPARE(image.Picture().Pixel(5, 5), clWhite);
        undo.StepBack(&image); // nothing left: nothing happens
        QCOMPARE(image.Picture().Pixel(5, 5), clWhite);
        QCOMPARE(undo.Count(), 0);
    }

    // Past eight steps each new step reuses the bitmap of the step it pushes out; a large
    // picture's steps live in huge-page memory. Every step still comes back exactly.
    void aFullHistoryReusesTheOldestStepAndRestoresExactly_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("small") << 40 << 30;
        QTest::newRow("large") << 2100 << 2000;
    }
    void aFullHistoryReusesTheOldestStepAndRestoresExactly() {
        QFETCH(int, width);
        QFETCH(int, height);
        TImage image;
        image.Picture().SetSize(width, height);
        TGraphUnDo undo;
        std::vector<std::unique_ptr<TBitmap>> states;
        for (std::uint32_t step = 0; step < 11; ++step) {
            FillNoise(image.Picture(), step);
            states.push_back(std::make_unique<TBitmap>());
            CopyBitmap(image.Picture(), *states.back());
            const TBitmap* oldest = undo.Count() == 8 ? undo.Head()->Graphic.get() : nullptr;
            undo.SaveRegion(&image, {0, 0, width, height});
            QVERIFY(!oldest || undo.Tail()->Graphic.get() == oldest);
        }
        FillColor(image.Picture(), clRed);
        for (int step = 10; step > 2; --step) {
            undo.StepBack(&image);
            QCOMPARE(FirstDifference(image.Picture(), *states[size_t(step)]), QString());
        }
        QCOMPARE(undo.Count(), 0);
    }

    void disabledUndoDoesNothing() {
        TImage image;
        image.Picture().SetSize(30, 30);
        TGraphUnDo undo;
        undo.SaveRegion(&image, {0, 0, 10, 10});
        undo.SaveRegion(nullptr, {0, 0, 10, 10}); // no image: nothing
        QCOMPARE(undo.Count(), 1);
        undo.SetEnabled(false); // a change empties the history
        QCOMPARE(undo.Count(), 0);
        undo.SaveRegion(&image, {0, 0, 10, 10});
        QCOMPARE(undo.Count(), 0);
        undo.SetEnabled(false);
        undo.SetEnabled(true);
        undo.SaveRegion(&image, {0, 0, 10, 10});
        QCOMPARE(undo.Count(), 1);
        undo.SetEnabled(true); // no change: the step stays
        QCOMPARE(undo.Count(), 1);
        undo.StepBack(nullptr);
        QCOMPARE(undo.Count(), 1);
    }

    void failedSnapshotShowsOneErrorAndSwitchesOff_data() {
        QTest::addColumn<bool>("memoryShort"); // or the bounds refuse the snapshot
        QTest::newRow("beyond the bounds") << false;
        QTest::newRow("more than the memory left") << true;
    }
    void failedSnapshotShowsOneErrorAndSwitchesOff() {
        QFETCH(bool, memoryShort);
        ScriptedDialogs dialogs;
        dialogs.ExpectMessage(TModalResult::Ok);
        TImage image;
        image.Picture().SetSize(2000, 2000); // 16 MB
        TGraphUnDo undo;
        undo.SaveRegion(&image, {0, 0, 10, 10});
        if (memoryShort) {
            SetMemoryProbe([] { return kMemoryMargin + (10 << 20); });
        } else {
            undo.MakeBitmap = [](std::int32_t w, std::int32_t h) {
                return std::make_unique<TBitmap>(w * 100000, h); // as big as the bounds refuse
            };
        }
        undo.SaveRegion(&image, {0, 0, 2000, 2000});
        SetMemoryProbe({});
        QVERIFY(!undo.Enabled());
        QCOMPARE(undo.Count(), 0);
        QCOMPARE(dialogs.Prompts().size(), 1);
        QCOMPARE(dialogs.Prompts()[0].msgKind, TMsgKind::Error);
        undo.SaveRegion(&image, {0, 0, 10, 10}); // silently nothing from now on
        QCOMPARE(dialogs.Prompts().size(), 1);
    }
};

LIMNORA_TEST_CLASS(TestUndo)
#include "tst_undo.moc"
