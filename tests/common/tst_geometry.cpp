// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common/Geometry.h"

#include <QTest>

class TestGeometry : public QObject {
    Q_OBJECT
private slots:
    void normalizeRect_data() {
        QTest::addColumn<int>("ax");
        QTest::addColumn<int>("ay");
        QTest::addColumn<int>("bx");
        QTest::addColumn<int>("by");
        QTest::addColumn<int>("l");
        QTest::addColumn<int>("t");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("b");
        QTest::newRow("down right") << 10 << 20 << 50 << 50 << 10 << 20 << 50 << 50;
        QTest::newRow("up left") << 50 << 50 << 10 << 20 << 10 << 20 << 50 << 50;
        QTest::newRow("mixed") << 50 << 40 << 10 << 90 << 10 << 40 << 50 << 90;
        QTest::newRow("negative") << -5 << 7 << 3 << -9 << -5 << -9 << 3 << 7;
        QTest::newRow("one point") << 4 << 4 << 4 << 4 << 4 << 4 << 4 << 4;
    }
    void normalizeRect() {
        QFETCH(int, ax);
        QFETCH(int, ay);
        QFETCH(int, bx);
        QFETCH(int, by);
        QFETCH(int, l);
        QFETCH(int, t);
        QFETCH(int, r);
        QFETCH(int, b);
        const TRect rect = NormalizeRect({ax, ay}, {bx, by});
        QCOMPARE(rect, (TRect{l, t, r, b}));
        // Nothing is added to the larger coordinates.
        QCOMPARE(rect.Width(), std::abs(ax - bx));
        QCOMPARE(rect.Height(), std::abs(ay - by));
    }

    void pointsEqual() {
        QVERIFY(PointsEqual({3, 4}, {3, 4}));
        QVERIFY(!PointsEqual({3, 4}, {4, 3}));
        QVERIFY(!PointsEqual({3, 4}, {3, 5}));
        QVERIFY(!PointsEqual({-1, 0}, {1, 0}));
    }

    void intersectAndUnite() {
        const TRect a{0, 0, 10, 10};
        QCOMPARE(a.Intersected({5, 5, 20, 20}), (TRect{5, 5, 10, 10}));
        QVERIFY(a.Intersected({10, 0, 20, 10}).IsEmpty()); // right edge is exclusive
        QCOMPARE(a.United({}), a);
        QCOMPARE(TRect{}.United(a), a);
        QCOMPARE(a.United({-3, 4, 2, 12}), (TRect{-3, 0, 10, 12}));
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
