// Geometry of the analog face, checked against worked figures. The same cases
// run natively and in the Windows build under Wine, so both number pipelines
// must give the same pixels.
#include "face/geometry.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

// A 200 x 160 client area with a numeral "8" of 8 x 15 pixels.
FaceGeometry Example(int hour, int minute)
{
    return ComputeFaceGeometry(200, 160, 8, 15, hour, minute);
}

}   // namespace

TEST(AnalogGeometry, WorkedExampleNumeralsAndDots)
{
    const FaceGeometry g = Example(10, 30);
    EXPECT_EQ(96, g.cx0);
    EXPECT_EQ(68, g.cy0);
    EXPECT_EQ(1, g.rx);
    EXPECT_EQ(1, g.ry);
    EXPECT_EQ(100, g.pivot.x);
    EXPECT_EQ(75, g.pivot.y);

    const FacePoint numerals[12] = {
        { 139, 14 }, { 170, 37 }, { 182, 68 }, { 170, 98 }, { 139, 121 }, { 95, 129 },
        { 52, 121 }, { 21, 98 },  { 9, 68 },   { 17, 37 },  { 48, 14 },   { 91, 6 },
    };
    const FaceRect dots[12] = {
        { 132, 32, 134, 34 },   { 157, 50, 159, 52 },  { 166, 74, 168, 76 }, { 157, 97, 159, 99 },
        { 132, 115, 134, 117 }, { 98, 121, 100, 123 }, { 65, 115, 67, 117 }, { 40, 97, 42, 99 },
        { 31, 74, 33, 76 },     { 40, 50, 42, 52 },    { 65, 32, 67, 34 },   { 98, 26, 100, 28 },
    };
    for (int i = 0; i < 12; i++) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(numerals[i].x, g.numerals[i].x);
        EXPECT_EQ(numerals[i].y, g.numerals[i].y);
        EXPECT_EQ(dots[i].left, g.dots[i].left);
        EXPECT_EQ(dots[i].top, g.dots[i].top);
        EXPECT_EQ(dots[i].right, g.dots[i].right);
        EXPECT_EQ(dots[i].bottom, g.dots[i].bottom);
    }
}

TEST(AnalogGeometry, WorkedExampleHands)
{
    struct Case {
        int h, m;
        FacePoint hour, minute;
        int width = 200, height = 160, w8 = 8, h8 = 15;
    } cases[] = {
        { 10, 30, { 71, 53 }, { 99, 119 } },
        { 12, 0, { 99, 45 }, { 99, 30 } },
        { 0, 0, { 99, 45 }, { 99, 30 } },   // midnight is 12 o'clock too
        { 22, 30, { 71, 53 }, { 99, 119 } },
        // sin of the single-precision angle keeps y at 306; a double angle gives 305.
        { 8, 0, { 91, 306 }, { 139, 102 }, 280, 520, 10, 23 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " " << c.h << ":" << c.m);
        const FaceGeometry g = ComputeFaceGeometry(c.width, c.height, c.w8, c.h8, c.h, c.m);
        EXPECT_EQ(c.hour.x, g.hourEnd.x);
        EXPECT_EQ(c.hour.y, g.hourEnd.y);
        EXPECT_EQ(c.minute.x, g.minuteEnd.x);
        EXPECT_EQ(c.minute.y, g.minuteEnd.y);
    }
}

// The single-precision angles of 6 and 12 o'clock have tiny negative cosines,
// so truncation leaves those points one pixel left of the pivot's column.
TEST(AnalogGeometry, VerticalPointsSitOnePixelLeftOfThePivot)
{
    const int sizes[][4] = {
        // width, height, w8, h8
        { 200, 160, 8, 15 }, { 178, 167, 8, 14 }, { 1000, 1000, 50, 95 },
        { 640, 200, 9, 17 }, { 75, 300, 4, 7 },   { 1920, 1080, 50, 90 },
    };
    for (const auto &s : sizes) {
        SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1]);
        const int w8 = s[2];
        const FaceGeometry g = ComputeFaceGeometry(s[0], s[1], w8, s[3], 12, 0);
        ASSERT_GT(g.cx0, 0);
        const int px = g.pivot.x;
        EXPECT_EQ(g.cx0 - 1, g.numerals[5].x);             // 6
        EXPECT_EQ(g.cx0 - 1 - w8 / 2, g.numerals[11].x);   // 12
        EXPECT_EQ(px - 1, g.hourEnd.x);                    // 12:00
        EXPECT_EQ(px - 1, g.minuteEnd.x);                  // minute 0
        EXPECT_LT(g.hourEnd.y, g.pivot.y);
        EXPECT_LT(g.minuteEnd.y, g.pivot.y);

        const FaceGeometry six = ComputeFaceGeometry(s[0], s[1], w8, s[3], 6, 30);
        EXPECT_EQ(px - 1, six.minuteEnd.x);   // minute 30
        EXPECT_GT(six.minuteEnd.y, six.pivot.y);
        const FaceGeometry sixSharp = ComputeFaceGeometry(s[0], s[1], w8, s[3], 6, 0);
        EXPECT_EQ(px - 1, sixSharp.hourEnd.x);   // 6:00
        EXPECT_GT(sixSharp.hourEnd.y, sixSharp.pivot.y);
    }
}

TEST(AnalogGeometry, MinuteThirtyEndsOnePixelShortWhenTheRadiusIsWhole)
{
    // py = 75, 125 and 30 make 0.6 * py whole (45, 75, 18).
    const int heights[] = { 160, 260, 70 };
    for (int h : heights) {
        const FaceGeometry g = ComputeFaceGeometry(200, h, 8, 15, 4, 30);
        const int py = g.pivot.y;
        ASSERT_EQ(0, (py * 6) % 10) << "height " << h;
        EXPECT_EQ(py + py * 6 / 10 - 1, g.minuteEnd.y) << "height " << h;
    }
}

TEST(AnalogGeometry, ExtendedSumKeepsTheThreeOClockDotAt152)
{
    // 0.7 * 90 lies just below 63; 90 + 62.99999999999999 truncated is 152
    // in extended precision, 153 if the sum were rounded to double first.
    const FaceGeometry g = ComputeFaceGeometry(188, 160, 8, 15, 0, 0);
    ASSERT_EQ(90, g.cx0);
    const int dx = g.dots[2].left + g.rx - 8 / 2;
    EXPECT_EQ(152, dx);
    EXPECT_EQ(152 + g.rx + 4, g.dots[2].right);
}

TEST(AnalogGeometry, DotsGrowWithTheFourthRootOfTheSide)
{
    struct Case {
        int side, half;
    } cases[] = {
        { 15, 0 },   { 16, 1 },   { 255, 1 },  { 256, 2 },
        { 1295, 2 }, { 1296, 3 }, { 4095, 3 }, { 4096, 4 },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.half, ComputeFaceGeometry(c.side, 100, 8, 15, 0, 0).rx) << c.side;
        EXPECT_EQ(c.half, ComputeFaceGeometry(100, c.side, 8, 15, 0, 0).ry) << c.side;
        const FaceGeometry g = ComputeFaceGeometry(c.side, c.side, 8, 15, 0, 0);
        EXPECT_EQ(2 * c.half, g.dots[0].right - g.dots[0].left) << c.side;
        EXPECT_EQ(2 * c.half, g.dots[0].bottom - g.dots[0].top) << c.side;
    }
}

namespace {

// Half extents of the dot ring around its own centre.
void RingExtents(const FaceGeometry &g, double *halfWidth, double *halfHeight)
{
    *halfWidth = (g.dots[2].left - g.dots[8].left) / 2.0;   // 3 to 9 o'clock
    *halfHeight = (g.dots[5].top - g.dots[11].top) / 2.0;   // 6 to 12 o'clock
}

}   // namespace

TEST(AnalogGeometry, TheFaceFollowsTheShapeOfTheWindow)
{
    // With a small numeral font the face is a circle in a square window and
    // an ellipse twice as wide in a 2:1 window; hands scale the same way.
    double w, h;
    RingExtents(ComputeFaceGeometry(1000, 1000, 4, 4, 3, 0), &w, &h);
    EXPECT_NEAR(1.0, w / h, 0.02);

    const FaceGeometry wide = ComputeFaceGeometry(2000, 1000, 4, 4, 3, 0);
    RingExtents(wide, &w, &h);
    EXPECT_NEAR(2.0, w / h, 0.04);
    const double hourLength = wide.hourEnd.x - wide.pivot.x;   // 3:00
    const FaceGeometry wideNoon = ComputeFaceGeometry(2000, 1000, 4, 4, 12, 15);
    const double minuteLength = wideNoon.minuteEnd.x - wideNoon.pivot.x;   // :15
    const FaceGeometry wideSix = ComputeFaceGeometry(2000, 1000, 4, 4, 12, 0);
    const double minuteHeight = wideSix.pivot.y - wideSix.minuteEnd.y;
    EXPECT_NEAR(0.4 * wide.pivot.x, hourLength, 1.0);
    EXPECT_NEAR(2.0, minuteLength / minuteHeight, 0.05);

    // Opposite numerals stand at mirrored distances from the reference point.
    const FaceGeometry sq = ComputeFaceGeometry(600, 600, 4, 4, 0, 0);
    EXPECT_NEAR(sq.numerals[2].x - sq.cx0, sq.cx0 - sq.numerals[8].x, 1);    // 3 and 9
    EXPECT_NEAR(sq.cy0 - sq.numerals[11].y, sq.numerals[5].y - sq.cy0, 1);   // 12 and 6
}

TEST(AnalogGeometry, MinimisedClientComputesWithoutHarm)
{
    const FaceGeometry g = ComputeFaceGeometry(0, 0, 8, 15, 23, 59);
    EXPECT_EQ(0, g.rx);
    EXPECT_EQ(0, g.ry);
    EXPECT_EQ(-4, g.cx0);
    EXPECT_EQ(-12, g.cy0);
    EXPECT_EQ(0, g.pivot.x);
    EXPECT_EQ(-5, g.pivot.y);
    for (int i = 0; i < 12; i++) {
        EXPECT_LE(g.numerals[i].x, 4);
        EXPECT_LE(g.numerals[i].y, 4);
    }
}
