// The small rules of the repaint pass: time text, minute key, invalidation,
// caption colour, pen and font sizes; and where the opacity slider opens.
#include "face/rules.h"
#include "opacity/slider_origin.h"

#include <gtest/gtest.h>
#include <string.h>

TEST(TimeText, TwoZeroPaddedDigitsPerFieldOnTheTwentyFourHourClock)
{
    struct Case {
        int h, m, s;
        const char *text;
    } cases[] = {
        { 9, 5, 7, "09:05:07" },
        { 0, 0, 0, "00:00:00" },
        { 23, 59, 59, "23:59:59" },
        { 12, 30, 0, "12:30:00" },
    };
    for (const Case &c : cases) {
        char text[TIME_TEXT_SIZE];
        FormatTimeText(text, c.h, c.m, c.s);
        EXPECT_STREQ(c.text, text);
    }
}

TEST(TimeText, OutOfRangeFieldsStayInsideTheBuffer)
{
    char text[TIME_TEXT_SIZE + 4];
    memset(text, 'x', sizeof text);
    FormatTimeText(text, 123, -45, 100000);
    EXPECT_EQ(TIME_TEXT_SIZE - 1, (int)strlen(text));
    EXPECT_EQ('x', text[TIME_TEXT_SIZE]);
}

TEST(MinuteKey, RunsFromMidnightToTheLastMinuteOfTheDay)
{
    EXPECT_EQ(0, MinuteKey(0, 0));
    EXPECT_EQ(642, MinuteKey(10, 42));
    EXPECT_EQ(1439, MinuteKey(23, 59));
    // Every minute of the day has its own key.
    bool seen[1440] = {};
    for (int h = 0; h < 24; h++)
        for (int m = 0; m < 60; m++) {
            int key = MinuteKey(h, m);
            ASSERT_GE(key, 0);
            ASSERT_LT(key, 1440);
            EXPECT_FALSE(seen[key]);
            seen[key] = true;
        }
}

TEST(Invalidation, AnalogOnceAMinuteDigitalAlways)
{
    struct Case {
        bool analog;
        int key, last;
        bool invalidate;
    } cases[] = {
        { true, MinuteKey(10, 42), MinuteKey(10, 41), true },    // new minute
        { true, MinuteKey(10, 42), MinuteKey(10, 42), false },   // same minute
        { true, MinuteKey(0, 0), MinuteKey(23, 59), true },      // midnight
        { true, 0, -1, true },                                   // forced
        { true, 1439, -1, true },
        { false, MinuteKey(10, 42), MinuteKey(10, 42), true },
        { false, 5, -1, true },
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.invalidate, NeedsInvalidate(c.analog, c.key, c.last))
            << "analog " << c.analog << " key " << c.key << " last " << c.last;
}

TEST(CaptionColor, ComplementsTheBackgroundOrFallsBackToTheForeground)
{
    const uint32_t fg = 0x00010101;
    struct Case {
        uint32_t bg, caption;
    } cases[] = {
        { 0x00F0F0F0, 0x000F0F0F },   // RGB(240,240,240) -> RGB(15,15,15)
        { 0x00FFFFFF, 0x00000000 },   // white -> black, the colour key
        { 0x00000000, fg },           // black or see-through background
        { 0x000000FF, 0x00FFFF00 },   // red -> cyan
        { 0x00F5F5F5, 0x000A0A0A },
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.caption, CaptionColor(c.bg, fg)) << std::hex << c.bg;
}

TEST(Sizes, PenAndFontsFollowTheClientArea)
{
    struct Case {
        int w, h, pen, numeral, digital;
    } cases[] = {
        { 200, 150, 7, 12, 50 }, { 178, 167, 8, 13, 44 }, { 39, 500, 1, 3, 9 },
        { 500, 19, 0, 1, 125 },  { 11, 11, 0, 0, 2 },     { 3, 100, 0, 0, 0 },
        { 0, 0, 0, 0, 0 },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.pen, PenWidth(c.w, c.h)) << c.w << "x" << c.h;
        EXPECT_EQ(c.numeral, NumeralFontHeight(c.w, c.h)) << c.w << "x" << c.h;
        EXPECT_EQ(c.digital, DigitalFontHeight(c.w)) << c.w;
    }
    // Under 40 pixels on the smaller side the pen is the one-pixel dotted one.
    for (int side = 0; side < 40; side++)
        EXPECT_LE(PenWidth(side, 1000), 1) << side;
}

TEST(SliderOrigin, CentredOnTheMessagePositionReadAsSignedWords)
{
    struct Case {
        int x, y, left, top;
    } cases[] = {
        { 500, 400, 400, 385 },
        { 0, 0, -100, -15 },
        { -1, -1, -101, -16 },        // just left of and above the primary monitor
        { -1500, 300, -1600, 285 },   // a monitor on the left
        { 300, -700, 200, -715 },     // a monitor above
        { -32768, 32767, -32868, 32752 },
        { 32767, -32768, 32667, -32783 },
    };
    for (const Case &c : cases) {
        const uint32_t pos = (uint16_t)c.x | (uint32_t)(uint16_t)c.y << 16;
        const SliderOrigin at = SliderOriginAt(pos);
        EXPECT_EQ(c.left, at.left) << c.x << "," << c.y;
        EXPECT_EQ(c.top, at.top) << c.x << "," << c.y;
    }
}
