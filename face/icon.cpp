// The window's small icon: a 16 x 16 copy of the client area as the pass has
// just drawn it, renewed on every pass that has a client area.
#include "app/globals.h"
#include "face/paint.h"

#define ICON_PICTURE_SIZE 16

void UpdateSmallIcon(HDC hdc, const RECT *rc)
{
    const int cx = GetSystemMetrics(SM_CXSMICON);
    const int cy = GetSystemMetrics(SM_CYSMICON);

    HDC hMaskDC = CreateCompatibleDC(hdc);
    HDC hColorDC = CreateCompatibleDC(hdc);
    HBITMAP hMask = CreateBitmap(cx, cy, 1, 1, NULL);
    // On the paint context: a memory context would give a monochrome bitmap.
    HBITMAP hColor = CreateCompatibleBitmap(hdc, cx, cy);

    // An all-set mask makes the picture an exclusive-or image: its black
    // parts leave the taskbar beneath unchanged.
    HGDIOBJ hOldMask = SelectObject(hMaskDC, hMask);
    PatBlt(hMaskDC, 0, 0, cx, cy, WHITENESS);

    HGDIOBJ hOldColor = SelectObject(hColorDC, hColor);
    SetStretchBltMode(hColorDC, HALFTONE);
    StretchBlt(hColorDC, 0, 0, ICON_PICTURE_SIZE, ICON_PICTURE_SIZE,
               hdc, 0, 0, rc->right, rc->bottom, SRCCOPY);

    // The bitmaps must be selected into no context when the icon is made.
    SelectObject(hMaskDC, hOldMask);
    SelectObject(hColorDC, hOldColor);
    DeleteDC(hMaskDC);
    DeleteDC(hColorDC);

    ICONINFO ii = {};
    ii.fIcon = TRUE;
    ii.hbmMask = hMask;
    ii.hbmColor = hColor;

    // A minimised window has no client area: it keeps the icon it has.
    if (rc->right + rc->bottom > 0) {
        // Hand the new icon over before destroying the old one, so the
        // window never holds a destroyed icon.
        HICON hOldIcon = g_smallIcon;
        g_smallIcon = CreateIconIndirect(&ii);
        if (g_hwndMain)
            SendMessageA(g_hwndMain, WM_SETICON, ICON_SMALL, (LPARAM)g_smallIcon);
        if (hOldIcon)
            DestroyIcon(hOldIcon);
    }

    DeleteObject(hMask);
    DeleteObject(hColor);
}
