// The repaint pass and the drawing routines it calls. Each routine draws into
// the pass's paint context and releases whatever it created.
#pragma once

#include <windows.h>

// One repaint pass: time, title, invalidation, background, pen, face, icon,
// caption, release. Runs for WM_CREATE, WM_SIZE, WM_PAINT and WM_TIMER.
void PaintClock(HWND hwnd);

// The numerals, dots and two hands, stretched to the client rectangle.
void DrawAnalogFace(HDC hdc, const RECT *rc, int hour, int minute);

// The time text centred in the client rectangle, sized by its width.
void DrawDigitalFace(HDC hdc, const RECT *rc, const char *timeText);

// Makes the window's icons from what the client area shows: the small one a
// 16 x 16 copy, the large one a copy at the large-icon size; black is
// see-through in both.
void UpdateSmallIcon(HDC hdc, const RECT *rc);

// Creates a face font: the pass's fonts differ only in height and weight.
HFONT CreateFaceFont(int height, int weight);
