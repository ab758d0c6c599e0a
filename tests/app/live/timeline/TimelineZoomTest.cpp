// The timeline panel's span: all of the run at first; zooming keeps the moment under the pointer in its place, goes
// no narrower than a bar and no wider than the run; scrolling keeps the width and stops at the start and the end.
#include "app/live/timeline/TimelineZoom.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(TimelineZoom, ZoomsAboutThePointerBetweenABarAndTheWholeRunAndScrollsWithinIt)
{
    TimelineZoom zoom;
    zoom.SetLimits(58.0, 2.6875);
    EXPECT_EQ(zoom.From(), 0.0);
    EXPECT_EQ(zoom.Until(), 58.0);
    EXPECT_TRUE(zoom.ShowsAll());

    zoom.ZoomAbout(29.0, 1.0);
    EXPECT_NEAR(zoom.Span(), 58.0 / 1.25, 1e-9);
    EXPECT_NEAR((29.0 - zoom.From()) / zoom.Span(), 0.5, 1e-9) << "the moment under the pointer stays put";
    zoom.ZoomAbout(40.0, 3.0);
    EXPECT_NEAR((40.0 - zoom.From()) / zoom.Span(), (40.0 - 5.8) / 46.4, 1e-9);

    for (int notch = 0; notch < 100; ++notch)
    {
        zoom.ZoomAbout(40.0, 1.0);
    }
    EXPECT_NEAR(zoom.Span(), 2.6875, 1e-9) << "a bar across the panel at most";
    EXPECT_LE(zoom.From(), 40.0);
    EXPECT_GE(zoom.Until(), 40.0);

    zoom.ScrollBy(1000.0);
    EXPECT_NEAR(zoom.Until(), 58.0, 1e-9);
    EXPECT_NEAR(zoom.Span(), 2.6875, 1e-9);
    zoom.ScrollBy(-1000.0);
    EXPECT_EQ(zoom.From(), 0.0);
    zoom.ScrollBy(NAN);
    zoom.ZoomAbout(NAN, 1.0);
    EXPECT_EQ(zoom.From(), 0.0);

    zoom.ZoomAbout(10.0, -100.0);
    EXPECT_TRUE(zoom.ShowsAll()) << "never wider than the run";
    zoom.SetLimits(20.0, 100.0);
    EXPECT_EQ(zoom.Until(), 20.0) << "a bar longer than the run shows the run";
}

TEST(TimelineZoom, ADragKeepsTheMomentUnderThePointerAndTheWheelZoomsOrWithShiftScrolls)
{
    TimelineZoom zoom;
    zoom.SetLimits(58.0, 2.6875);
    zoom.DragBy(200.0, 800.0);
    EXPECT_TRUE(zoom.ShowsAll()) << "all of the run shown: nowhere to drag it";

    zoom.Wheel(20.0, 4.0, false);
    const double span = zoom.Span();
    const double from = zoom.From();
    ASSERT_LT(span, 58.0);
    // 200 of 800 pixels to the right: a quarter of the span earlier comes into view, the width kept; twice, back.
    zoom.DragBy(200.0, 800.0);
    EXPECT_NEAR(zoom.From(), from - span / 4.0, 1e-6);
    EXPECT_NEAR(zoom.Span(), span, 1e-6);
    zoom.DragBy(-200.0, 800.0);
    EXPECT_NEAR(zoom.From(), from, 1e-6);
    zoom.DragBy(1e9, 800.0);
    EXPECT_EQ(zoom.From(), 0.0) << "never before the start";
    zoom.DragBy(NAN, 800.0);
    zoom.DragBy(50.0, 0.0);
    EXPECT_EQ(zoom.From(), 0.0);

    // Shift+wheel: a tenth of the span a notch, later for a notch away from the user; the span kept.
    zoom.Wheel(30.0, -2.0, true);
    EXPECT_NEAR(zoom.From(), span * 0.2, 1e-6);
    EXPECT_NEAR(zoom.Span(), span, 1e-6);
}
