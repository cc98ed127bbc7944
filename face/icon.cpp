// The window's icon: a 16 x 16 copy of the client area as the pass has just
// drawn it, renewed on every pass that has a client area. The same icon fills
// both of the window's slots: the small one (title bar) and the large one,
// which the taskbar and Alt+Tab show.
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

    HGDIOBJ hOldMask = SelectObject(hMaskDC, hMask);
    HGDIOBJ hOldColor = SelectObject(hColorDC, hColor);
    // Black where the picture does not reach (a small-icon size above 16 at
    // high DPI): see-through like the face's own black, never stray bits.
    PatBlt(hColorDC, 0, 0, cx, cy, BLACKNESS);
    SetStretchBltMode(hColorDC, HALFTONE);
    StretchBlt(hColorDC, 0, 0, ICON_PICTURE_SIZE, ICON_PICTURE_SIZE, hdc, 0, 0, rc->right,
               rc->bottom, SRCCOPY);

    // The mask is set exactly where the picture is black, the window's colour
    // key, and clear elsewhere: a colour-to-monochrome copy sets the bits of
    // the source's background colour. An all-set mask would make every pixel
    // an exclusive-or of the picture with whatever lies beneath it.
    SetBkColor(hColorDC, RGB(0, 0, 0));
    BitBlt(hMaskDC, 0, 0, cx, cy, hColorDC, 0, 0, SRCCOPY);

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
        // Hand the new icon over in both slots before destroying the old one,
        // so the window never holds a destroyed icon in either.
        HICON hOldIcon = g_smallIcon;
        g_smallIcon = CreateIconIndirect(&ii);
        if (g_hwndMain) {
            SendMessageA(g_hwndMain, WM_SETICON, ICON_SMALL, (LPARAM)g_smallIcon);
            SendMessageA(g_hwndMain, WM_SETICON, ICON_BIG, (LPARAM)g_smallIcon);
        }
        if (hOldIcon)
            DestroyIcon(hOldIcon);
    }

    DeleteObject(hMask);
    DeleteObject(hColor);
}
