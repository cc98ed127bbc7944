// The window's icons: copies of the client area as the pass has just drawn
// it, renewed on every pass that has a client area. The small one (title bar)
// is the face reduced to 16 x 16; the large one, which the taskbar and
// Alt+Tab show at 24 to 48 pixels, is the face reduced to the large-icon
// size, so that they need not stretch a 16-pixel picture up.
#include "app/globals.h"
#include "face/paint.h"

#define SMALL_ICON_PICTURE_SIZE 16

// An icon of the given size whose top-left picture part holds the client
// area reduced; the mask is set exactly where the picture is black.
static HICON MakeFaceIcon(HDC hdc, const RECT *rc, SIZE icon, SIZE picture)
{
    HDC hMaskDC = CreateCompatibleDC(hdc);
    HDC hColorDC = CreateCompatibleDC(hdc);
    HBITMAP hMask = CreateBitmap(icon.cx, icon.cy, 1, 1, NULL);
    // On the paint context: a memory context would give a monochrome bitmap.
    HBITMAP hColor = CreateCompatibleBitmap(hdc, icon.cx, icon.cy);

    HGDIOBJ hOldMask = SelectObject(hMaskDC, hMask);
    HGDIOBJ hOldColor = SelectObject(hColorDC, hColor);
    // Black where the picture does not reach (a small-icon size above 16 at
    // high DPI): see-through like the face's own black, never stray bits.
    PatBlt(hColorDC, 0, 0, icon.cx, icon.cy, BLACKNESS);
    SetStretchBltMode(hColorDC, HALFTONE);
    StretchBlt(hColorDC, 0, 0, picture.cx, picture.cy, hdc, 0, 0, rc->right, rc->bottom, SRCCOPY);

    // The mask is set exactly where the picture is black, the window's colour
    // key, and clear elsewhere: a colour-to-monochrome copy sets the bits of
    // the source's background colour. An all-set mask would make every pixel
    // an exclusive-or of the picture with whatever lies beneath it.
    SetBkColor(hColorDC, RGB(0, 0, 0));
    BitBlt(hMaskDC, 0, 0, icon.cx, icon.cy, hColorDC, 0, 0, SRCCOPY);

    // The bitmaps must be selected into no context when the icon is made.
    SelectObject(hMaskDC, hOldMask);
    SelectObject(hColorDC, hOldColor);
    DeleteDC(hMaskDC);
    DeleteDC(hColorDC);

    ICONINFO ii = {};
    ii.fIcon = TRUE;
    ii.hbmMask = hMask;
    ii.hbmColor = hColor;
    HICON hIcon = CreateIconIndirect(&ii);

    // The icon holds copies of its own.
    DeleteObject(hMask);
    DeleteObject(hColor);
    return hIcon;
}

void UpdateSmallIcon(HDC hdc, const RECT *rc)
{
    // A minimised window has no client area: it keeps the icons it has.
    if (rc->right + rc->bottom > 0) {
        const SIZE small = { GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON) };
        const SIZE smallPicture = { SMALL_ICON_PICTURE_SIZE, SMALL_ICON_PICTURE_SIZE };
        const SIZE big = { GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON) };

        // Hand the new icons over in both slots before destroying the old
        // ones, so the window never holds a destroyed icon in either.
        HICON hOldSmall = g_smallIcon;
        HICON hOldBig = g_bigIcon;
        g_smallIcon = MakeFaceIcon(hdc, rc, small, smallPicture);
        g_bigIcon = MakeFaceIcon(hdc, rc, big, big);
        if (g_hwndMain) {
            SendMessageA(g_hwndMain, WM_SETICON, ICON_SMALL, (LPARAM)g_smallIcon);
            SendMessageA(g_hwndMain, WM_SETICON, ICON_BIG, (LPARAM)g_bigIcon);
        }
        if (hOldSmall)
            DestroyIcon(hOldSmall);
        if (hOldBig)
            DestroyIcon(hOldBig);
    }
}
