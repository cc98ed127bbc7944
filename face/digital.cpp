// The digital face: the time text across the client area. Its height follows
// the width alone, so a wide, low window cuts the text rather than shrink it.
#include "app/globals.h"
#include "face/paint.h"
#include "face/rules.h"

void DrawDigitalFace(HDC hdc, const RECT *rc, const char *timeText)
{
    HFONT hFont = CreateFaceFont(DigitalFontHeight(rc->right), FW_NORMAL);
    SetTextColor(hdc, g_fgColor);
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    RECT rcText = *rc;
    DrawTextA(hdc, timeText, -1, &rcText, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SelectObject(hdc, hOldFont);
    DeleteObject(hFont);
}
