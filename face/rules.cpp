// Small rules of the repaint pass; see rules.h.
#include "face/rules.h"

#include <stdio.h>

void FormatTimeText(char text[TIME_TEXT_SIZE], int hour, int minute, int second)
{
    snprintf(text, TIME_TEXT_SIZE, "%02d:%02d:%02d", hour, minute, second);
}

int MinuteKey(int hour, int minute)
{
    return hour * 60 + minute;
}

bool NeedsInvalidate(bool analog, int minuteKey, int lastMinuteKey)
{
    return !analog || minuteKey != lastMinuteKey;
}

uint32_t CaptionColor(uint32_t bgColor, uint32_t fgColor)
{
    return bgColor != 0 ? bgColor ^ 0x00FFFFFFu : fgColor;
}

static int SmallerSide(int width, int height)
{
    return width < height ? width : height;
}

int PenWidth(int width, int height)
{
    return SmallerSide(width, height) / 20;
}

int NumeralFontHeight(int width, int height)
{
    return SmallerSide(width, height) / 12;
}

int DigitalFontHeight(int width)
{
    return width / 4;
}
