// Small rules of the repaint pass that need no window: the time text, the
// minute key, when to invalidate, the caption colour, the pen and font sizes.
// Colours are COLORREF values (0x00BBGGRR) carried as plain 32-bit integers.
#pragma once

#include <stdint.h>

// "HH:MM:SS" and its terminator.
#define TIME_TEXT_SIZE 9

// Writes hour, minute and second as "%02d:%02d:%02d" into text.
void FormatTimeText(char text[TIME_TEXT_SIZE], int hour, int minute, int second);

// hour * 60 + minute: 0 at 00:00, 1439 at 23:59.
int MinuteKey(int hour, int minute);

// Whether a pass invalidates the client area: in analog mode only when the
// minute key differs from the last invalidating pass (-1 forces it); in
// digital mode always.
bool NeedsInvalidate(bool analog, int minuteKey, int lastMinuteKey);

// The credit caption stands out from the background by complementing it; on a
// black (see-through) background it takes the foreground colour instead.
uint32_t CaptionColor(uint32_t bgColor, uint32_t fgColor);

// Width of the face pen: a twentieth of the smaller client side.
int PenWidth(int width, int height);

// Height of the analog numeral font: a twelfth of the smaller client side.
int NumeralFontHeight(int width, int height);

// Height of the digital text font: a quarter of the client width alone.
int DigitalFontHeight(int width);
