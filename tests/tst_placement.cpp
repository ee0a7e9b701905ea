// The window's placement on small, changed and missing screens: the rules alone, in pixels for a
// window's rectangle and in twips (15 a pixel here) for the edges and the rows the window keeps.

#include "placement.h"

#include <QtTest>

class TestPlacement : public QObject
{
    Q_OBJECT

private slots:
    // A window's outer rectangle on the work area of its screen after a change of screens.
    void placedOnArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("inside-stays") << QRect(100, 100, 336, 200) << QRect(0, 0, 1920, 1080) << QPoint(100, 100);
        QTest::newRow("left-of-area-comes-in") << QRect(-369, 50, 336, 200) << QRect(0, 0, 640, 480) << QPoint(0, 50);
        // 640x480 at scale factor 3: 213x160; the window's left and top edges stay on it.
        QTest::newRow("larger-than-area-left-top-win") << QRect(-369, -10, 336, 200) << QRect(0, 0, 213, 160) << QPoint(0, 0);
        QTest::newRow("area-shrinks-under-window") << QRect(1500, 900, 336, 200) << QRect(0, 0, 1024, 768) << QPoint(688, 568);
        QTest::newRow("area-of-second-screen") << QRect(10, 10, 336, 200) << QRect(1920, 100, 1280, 1024) << QPoint(1920, 100);
        QTest::newRow("area-left-of-the-first") << QRect(10, 10, 336, 200) << QRect(-1280, 0, 1280, 1024) << QPoint(-336, 10);
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

    // The left edge for a window of a width, and the top, height and field growth for a window of
    // ten rows of 300 twips: on a work area taken from pixels, or on none (an empty area is never
    // taken, so the one before stays).
    void fitOnScreen_data()
    {
        QTest::addColumn<QRect>("area");      // pixels; twips are 15 times
        QTest::addColumn<QList<double>>("window"); // left, width, top, height, growth (twips)
        QTest::addColumn<QList<double>>("fit");    // left, top, height, growth
        using L = QList<double>;
        const QRect hd(0, 0, 1920, 1080); // 28800 x 16200 twips
        QTest::newRow("inside-stays") << hd << L{1500, 5040, 1500, 4000, 0} << L{1500, 1500, 4000, 0};
        QTest::newRow("past-right-and-bottom") << hd << L{26000, 5040, 15000, 4000, 0} << L{23760, 12200, 4000, 0};
        QTest::newRow("wider-than-area-at-its-left") << QRect(0, 0, 213, 160) << L{-5535, 5040, 0, 2000, 0}
                                                     << L{0, 0, 2000, 0};
        QTest::newRow("second-screen-below") << QRect(0, 1080, 1920, 1080) << L{-10, 5040, 0, 4000, 0}
                                             << L{0, 16200, 4000, 0};
        // Exactly as high as the area: to its top, every row kept.
        QTest::newRow("area-height-at-top") << QRect(0, 0, 640, 300) << L{0, 5040, 900, 4500, 0} << L{0, 0, 4500, 0};
        // 4000 in 3000: four rows of 300 go (3 would leave 3100).
        QTest::newRow("taller-gives-up-rows") << QRect(0, 0, 640, 200) << L{0, 5040, 600, 4000, 900}
                                              << L{0, 0, 2800, -300};
        // 4000 in 1000: nine rows go, the last one stays although the window is still too tall.
        QTest::newRow("tiny-area-keeps-one-row") << QRect(0, 0, 640, 66) << L{0, 5040, 0, 4000, 900}
                                                 << L{0, 0, 1300, -1800};
        QTest::newRow("no-area-keeps-place-and-rows") << QRect(0, 0, 0, 0) << L{4000, 5040, 3000, 4000, 900}
                                                      << L{4000, 3000, 4000, 900};
        QTest::newRow("no-area-never-negative") << QRect() << L{-5040, 5040, -600, 4000, 0} << L{0, 0, 4000, 0};
    }
    void fitOnScreen()
    {
        QFETCH(QRect, area);
        QFETCH(QList<double>, window);
        QFETCH(QList<double>, fit);
        Placement placement;
        placement.rowHeight = 300;
        QCOMPARE(placement.setScreenArea(area, 15, 15), !area.isEmpty());
        const Placement::Fit got = placement.fitOnScreen(float(window[2]), window[3], window[4], 10);
        QCOMPARE((QList<double>{placement.clampedLeft(float(window[0]), window[1]), got.top, got.height,
                                got.fieldGrowth}),
                 fit);

        // A screen that goes away leaves the last area in force.
        const Placement before = placement;
        QVERIFY(!placement.setScreenArea(QRect(0, 0, 336, 0), 15, 15));
        QCOMPARE(placement.fitOnScreen(float(window[2]), window[3], window[4], 10).height, got.height);
        QCOMPARE(placement.clampedLeft(float(window[0]), window[1]), before.clampedLeft(float(window[0]), window[1]));
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
