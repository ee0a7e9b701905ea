// The window's placement on small, changed and missing screens: a window's rectangle in pixels,
// and its edges and rows in twips (15 a pixel here).

#include "placement.h"

#include <QtTest>

class TestPlacement : public QObject
{
    Q_OBJECT

private slots:
    // A window's outer rectangle on the work area of its screen after the screens change.
    void placedOnArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("topLeft");
        // 640x480 at scale factor 3 is 213x160: the left and top edges stay on it.
        QTest::newRow("larger-than-area-left-top-win") << QRect(-369, -10, 336, 200) << QRect(0, 0, 213, 160) << QPoint(0, 0);
        QTest::newRow("area-shrinks-under-window") << QRect(1500, 900, 336, 200) << QRect(0, 0, 1024, 768) << QPoint(688, 568);
        QTest::newRow("no-area-out-of-negative") << QRect(-336, -20, 336, 200) << QRect(0, 0, 0, 0) << QPoint(0, 0);
        QTest::newRow("no-area-place-kept") << QRect(700, 300, 336, 200) << QRect() << QPoint(700, 300);
    }
    void placedOnArea()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, area);
        QFETCH(QPoint, topLeft);
        QCOMPARE(Placement::placedOnArea(frame, area), QRect(topLeft, frame.size()));
    }

    // The left edge of a window 5040 twips wide, and the top, height and field growth of one of
    // ten rows of 300 twips, on a work area given in pixels; an empty area is never taken.
    void fitOnScreen_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QList<double>>("window"); // left, top, height, growth
        QTest::addColumn<QList<double>>("fit");    // the same, placed
        using L = QList<double>;
        QTest::newRow("past-right-and-bottom") << QRect(0, 0, 1920, 1080) << L{26000, 15000, 4000, 0} << L{23760, 12200, 4000, 0};
        QTest::newRow("wider-than-area-at-its-left") << QRect(0, 0, 213, 160) << L{-5535, 0, 2000, 0} << L{0, 0, 2000, 0};
        // 4000 in 3000: four rows go (three would leave 3100).
        QTest::newRow("taller-gives-up-rows") << QRect(0, 0, 640, 200) << L{0, 600, 4000, 900} << L{0, 0, 2800, -300};
        // 4000 in 990: nine rows go; the last one stays although the window is still too tall.
        QTest::newRow("tiny-area-keeps-one-row") << QRect(0, 0, 640, 66) << L{0, 0, 4000, 900} << L{0, 0, 1300, -1800};
        QTest::newRow("no-area-never-negative") << QRect() << L{-5040, -600, 4000, 900} << L{0, 0, 4000, 900};
    }
    void fitOnScreen()
    {
        QFETCH(QRect, area);
        QFETCH(QList<double>, window);
        QFETCH(QList<double>, fit);
        Placement placement;
        placement.rowHeight = 300;
        QCOMPARE(placement.setScreenArea(area, 15, 15), !area.isEmpty());
        const auto placed = [&placement, &window] {
            const Placement::Fit f = placement.fitOnScreen(float(window[1]), window[2], window[3], 10);
            return QList<double>{placement.clampedLeft(float(window[0]), 5040), f.top, f.height, f.fieldGrowth};
        };
        QCOMPARE(placed(), fit);
        // The screen goes away: the last area stays in force.
        QVERIFY(!placement.setScreenArea(QRect(0, 0, 336, 0), 15, 15));
        QCOMPARE(placed(), fit);
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
