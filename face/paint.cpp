// The repaint pass. Every pass runs the whole sequence inside a paint bracket,
// also for timer ticks: in analog mode the update region is empty between
// minute changes, so only the title and the icon change then.
#include "face/paint.h"

#include "app/globals.h"
#include "app/menu.h"
#include "face/rules.h"

// The credit line along the bottom edge.
static const char kCaption[] = "Lumivane, the tiny clock";

HFONT CreateFaceFont(int height, int weight)
{
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

static void InvalidateIfDue(const RECT *rc, bool analog)
{
    if (!NeedsInvalidate(analog, g_minuteKey, g_lastMinuteKey))
        return;
    // Inside window creation there is no clock window to address yet; a null
    // window here would invalidate every window on the desktop.
    if (g_hwndMain)
        InvalidateRect(g_hwndMain, rc, TRUE);
    if (analog)
        g_lastMinuteKey = g_minuteKey;
}

void PaintClock(HWND hwnd)
{
    SYSTEMTIME st;
    g_pfnGetLocalTime(&st);
    g_minuteKey = MinuteKey(st.wHour, st.wMinute);
    char timeText[TIME_TEXT_SIZE];
    FormatTimeText(timeText, st.wHour, st.wMinute, st.wSecond);
    if (g_hwndMain)
        SetWindowTextA(g_hwndMain, timeText);

    // Empty where GetClientRect fails: a pass on garbage would size its
    // objects and the icon from whatever the stack held.
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    const bool analog = IsModeOn(MENU_ANALOG);
    InvalidateIfDue(&rc, analog);

    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);

    HBRUSH hBrush = CreateSolidBrush(g_bgColor);
    FillRect(hdc, &rc, hBrush);
    SetBkMode(hdc, TRANSPARENT);

    // Wider than one pixel the platform draws the dotted pen solid.
    HPEN hPen = CreatePen(PS_DOT, PenWidth(rc.right, rc.bottom), g_fgColor);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);

    if (analog)
        DrawAnalogFace(hdc, &rc, st.wHour, st.wMinute);
    else
        DrawDigitalFace(hdc, &rc, timeText);

    // Copied before the caption: a full repaint gives an icon without it.
    UpdateSmallIcon(hdc, &rc);

    HFONT hCaptionFont = CreateFaceFont(13, FW_NORMAL);
    SetTextColor(hdc, CaptionColor(g_bgColor, g_fgColor));
    HGDIOBJ hOldFont = SelectObject(hdc, hCaptionFont);
    DrawTextA(hdc, kCaption, -1, &rc, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);

    SelectObject(hdc, hOldPen);
    SelectObject(hdc, hOldFont);
    DeleteObject(hPen);
    DeleteObject(hCaptionFont);
    DeleteObject(hBrush);

    EndPaint(hwnd, &ps);
    if (g_hwndMain)
        UpdateWindow(g_hwndMain);
}
