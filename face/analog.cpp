// The analog face: twelve numerals, twelve dots and two hands, laid out by
// ComputeFaceGeometry and drawn with the pass's pen.
#include <stdio.h>

#include "app/globals.h"
#include "face/geometry.h"
#include "face/paint.h"
#include "face/rules.h"

// The numerals, each with its dot, then the hour hand and the minute hand.
static void DrawFace(HDC hdc, const FaceGeometry &g)
{
    char text[4];
    for (int n = 1; n <= 12; n++) {
        const int len = sprintf(text, "%d", n);
        TextOutA(hdc, g.numerals[n - 1].x, g.numerals[n - 1].y, text, len);
        const FaceRect &d = g.dots[n - 1];
        Ellipse(hdc, d.left, d.top, d.right, d.bottom);
    }

    MoveToEx(hdc, g.pivot.x, g.pivot.y, NULL);
    LineTo(hdc, g.hourEnd.x, g.hourEnd.y);
    MoveToEx(hdc, g.pivot.x, g.pivot.y, NULL);
    LineTo(hdc, g.minuteEnd.x, g.minuteEnd.y);
}

void DrawAnalogFace(HDC hdc, const RECT *rc, int hour, int minute)
{
    HFONT hFont = CreateFaceFont(NumeralFontHeight(rc->right, rc->bottom), FW_BOLD);
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    SetTextColor(hdc, g_fgColor);

    // The extent of one digit places every numeral and dot. Where it cannot
    // be measured (no paint context, a metafile) nothing is drawn rather
    // than a face laid out on a made-up extent.
    char text[4];
    SIZE size8 = {};
    sprintf(text, "%d", 8);
    if (GetTextExtentPoint32A(hdc, text, 1, &size8))
        DrawFace(hdc, ComputeFaceGeometry(rc->right, rc->bottom, size8.cx, size8.cy, hour, minute));

    SelectObject(hdc, hOldFont);
    DeleteObject(hFont);
}
