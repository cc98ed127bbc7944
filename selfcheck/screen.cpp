// The screen side of the self-check: the backdrop window beneath the clock,
// copies of the screen, pictures for a person to look at, real clicks.
#include "selfcheck/selfcheck.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

HWND g_backdrop;
HWND g_other;
RECT g_backdropRect;
static COLORREF s_backdropColor;
static HANDLE s_backdropThread;
static HANDLE s_backdropReady;
static volatile LONG s_clicks;
static volatile LONG s_lastClick;   // x in the low word, y in the high word

static LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        HBRUSH brush = CreateSolidBrush(s_backdropColor);
        FillRect(hdc, &ps.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        // Clicked, it must neither become active nor rise above the clock.
        return hwnd == g_backdrop ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_LBUTTONDOWN:
        if (hwnd != g_backdrop)
            return 0;
        InterlockedExchange(&s_lastClick, (LONG)lParam);
        InterlockedIncrement(&s_clicks);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The backdrop has a thread of its own, so it answers clicks and paints
// while the checks wait.
static DWORD WINAPI BackdropThread(void *)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BackdropProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = "LumivaneSelfCheckBackdrop";
    RegisterClassA(&wc);
    const RECT &rc = g_backdropRect;
    // No taskbar button: it is scenery, not a program the user should pick.
    g_backdrop =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                        "Lumivane self-check backdrop", WS_POPUP | WS_VISIBLE, rc.left, rc.top,
                        rc.right - rc.left, rc.bottom - rc.top, NULL, NULL, wc.hInstance, NULL);
    // The other window, in the backdrop's lower right corner where the clock
    // never goes: clicked, it becomes the active one.
    const RECT o = OtherWindowRect();
    g_other =
        CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "Lumivane self-check: another window",
                        WS_POPUP | WS_VISIBLE | WS_BORDER, o.left, o.top, o.right - o.left,
                        o.bottom - o.top, NULL, NULL, wc.hInstance, NULL);
    if (g_backdrop)
        UpdateWindow(g_backdrop);
    SetEvent(s_backdropReady);
    MSG msg;
    while (g_backdrop && GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

RECT OtherWindowRect()
{
    RECT rc = { g_backdropRect.right - 150, g_backdropRect.bottom - 100, g_backdropRect.right - 10,
                g_backdropRect.bottom - 10 };
    return rc;
}

void ActivateOtherWindow()
{
    const RECT rc = OtherWindowRect();
    Click((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    WaitUntil([] { return GetForegroundWindow() == g_other; });
}

bool StartBackdrop(const RECT &rc, COLORREF color)
{
    g_backdropRect = rc;
    s_backdropColor = color;
    s_backdropReady = CreateEventA(NULL, TRUE, FALSE, NULL);
    s_backdropThread = CreateThread(NULL, 0, BackdropThread, NULL, 0, NULL);
    WaitForSingleObject(s_backdropReady, 10000);
    return g_backdrop != NULL;
}

void StopBackdrop()
{
    if (!s_backdropThread)
        return;
    if (g_backdrop)
        PostMessageA(g_backdrop, WM_CLOSE, 0, 0);
    WaitForSingleObject(s_backdropThread, 5000);
    CloseHandle(s_backdropThread);
    s_backdropThread = NULL;
}

LONG BackdropClicks()
{
    return s_clicks;
}

POINT BackdropLastClick()
{
    const LONG lParam = s_lastClick;
    POINT pt = { (short)LOWORD(lParam) + g_backdropRect.left,
                 (short)HIWORD(lParam) + g_backdropRect.top };
    return pt;
}

COLORREF ScreenPixel(POINT pt)
{
    RECT rc = { pt.x, pt.y, pt.x + 1, pt.y + 1 };
    Shot shot;
    if (!Capture(rc, &shot))
        return CLR_INVALID;
    const COLORREF color = ShotPixel(shot, pt.x, pt.y);
    FreeShot(&shot);
    return color;
}

COLORREF AwaitPixel(POINT pt, COLORREF want, int tolerance)
{
    COLORREF seen = CLR_INVALID;
    WaitUntil([&] {
        seen = ScreenPixel(pt);
        return Distance(seen, want) <= tolerance;
    });
    return seen;
}

COLORREF BackdropOnScreen()
{
    // Near the backdrop's upper right corner, where the clock never goes.
    const POINT pt = { g_backdropRect.right - 12, g_backdropRect.top + 10 };
    return ScreenPixel(pt);
}

bool Capture(const RECT &rc, Shot *shot)
{
    shot->rc = rc;
    shot->px = NULL;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(NULL);
    void *bits = NULL;
    shot->bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!shot->bitmap) {
        ReleaseDC(NULL, screen);
        return false;
    }
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, shot->bitmap);
    // CAPTUREBLT: layered windows are part of the copy without a compositor too.
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    shot->px = (DWORD *)bits;
    return true;
}

void FreeShot(Shot *shot)
{
    if (shot->bitmap)
        DeleteObject(shot->bitmap);
    shot->bitmap = NULL;
    shot->px = NULL;
}

COLORREF ShotPixel(const Shot &shot, int x, int y)
{
    const int w = shot.rc.right - shot.rc.left;
    if (x < shot.rc.left || x >= shot.rc.right || y < shot.rc.top || y >= shot.rc.bottom)
        return CLR_INVALID;
    const DWORD p = shot.px[(y - shot.rc.top) * w + (x - shot.rc.left)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int CountColor(const Shot &shot, COLORREF color)
{
    int n = 0;
    for (int y = shot.rc.top; y < shot.rc.bottom; y++)
        for (int x = shot.rc.left; x < shot.rc.right; x++)
            n += ShotPixel(shot, x, y) == color;
    return n;
}

void SavePicture(const Shot &shot, const char *name, int scale)
{
    const int w = (shot.rc.right - shot.rc.left) * scale;
    const int h = (shot.rc.bottom - shot.rc.top) * scale;
    const int rowBytes = (w * 3 + 3) & ~3;
    CreateDirectoryA("selfcheck-pictures", NULL);
    char path[MAX_PATH];
    snprintf(path, sizeof path, "selfcheck-pictures\\%s.bmp", name);
    FILE *f = fopen(path, "wb");
    if (!f)
        return;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;   // "BM"
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + rowBytes * h;
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;   // bottom row first: every viewer reads that
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&ih, sizeof ih, 1, f);
    unsigned char *row = (unsigned char *)calloc(rowBytes, 1);
    for (int y = h - 1; y >= 0; y--) {
        for (int x = 0; x < w; x++) {
            const COLORREF c = ShotPixel(shot, shot.rc.left + x / scale, shot.rc.top + y / scale);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
        fwrite(row, rowBytes, 1, f);
    }
    free(row);
    fclose(f);
}

// A mouse event at a screen position, moving the pointer there.
static INPUT PointerInput(int x, int y, DWORD flags)
{
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535 + cx / 2) / (cx - 1);
    in.mi.dy = (y * 65535 + cy / 2) / (cy - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

bool MovePointer(int x, int y)
{
    INPUT in = PointerInput(x, y, 0);
    SendInput(1, &in, sizeof in);
    // Within a pixel: on a scaled display both positions are rounded.
    return WaitUntil([x, y] {
        POINT at;
        return GetCursorPos(&at) && abs(at.x - x) <= 1 && abs(at.y - y) <= 1;
    });
}

void Click(int x, int y)
{
    MovePointer(x, y);
    INPUT in[2] = { PointerInput(x, y, MOUSEEVENTF_LEFTDOWN),
                    PointerInput(x, y, MOUSEEVENTF_LEFTUP) };
    SendInput(2, in, sizeof(INPUT));
}

int ScalePercent(int *physical, int *logical)
{
    HDC screen = GetDC(NULL);
    const int p = GetDeviceCaps(screen, DESKTOPHORZRES), l = GetDeviceCaps(screen, HORZRES);
    ReleaseDC(NULL, screen);
    if (physical)
        *physical = p;
    if (logical)
        *logical = l;
    return l ? p * 100 / l : 0;
}

COLORREF Blend(COLORREF top, COLORREF under, int alpha)
{
    const int r = (GetRValue(top) * alpha + GetRValue(under) * (255 - alpha) + 127) / 255;
    const int g = (GetGValue(top) * alpha + GetGValue(under) * (255 - alpha) + 127) / 255;
    const int b = (GetBValue(top) * alpha + GetBValue(under) * (255 - alpha) + 127) / 255;
    return RGB(r, g, b);
}

int Distance(COLORREF a, COLORREF b)
{
    if (a == CLR_INVALID || b == CLR_INVALID)
        return 255;
    const int dr = abs((int)GetRValue(a) - (int)GetRValue(b));
    const int dg = abs((int)GetGValue(a) - (int)GetGValue(b));
    const int db = abs((int)GetBValue(a) - (int)GetBValue(b));
    return dr > dg ? (dr > db ? dr : db) : (dg > db ? dg : db);
}

const char *Rgb(COLORREF color)
{
    static char buffers[4][16];
    static int next;
    char *out = buffers[next++ % 4];
    if (color == CLR_INVALID)
        snprintf(out, 16, "none");
    else
        snprintf(out, 16, "%d,%d,%d", GetRValue(color), GetGValue(color), GetBValue(color));
    return out;
}
