// A minimal program, apart from the clock, that shows what resizing a
// layered window costs Wine in memory: a window resized over and over
// through the same sizes as the soak's (width 150 to 349, height 150 to
// 299), painted after each resize with text a quarter of its width high
// (with "notext", only filled). Every size gets a new window surface and a
// font of a new height from Wine's Unix side. Prints as CSV, every "every"
// resizes, the private memory and the bytes in use on the Windows heaps.
//
//   resize_probe.exe [resizes [every [notext]]]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_window.h"
#include "process_census.h"

static bool g_withText;

static LRESULT CALLBACK PaintWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(GRAY_BRUSH));
    SetBkMode(hdc, TRANSPARENT);
    // Text at a height that follows the size, as the clock's faces draw it.
    if (g_withText) {
        HFONT hFont = CreateFontA(rc.right / 4, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
        HGDIOBJ hOldFont = SelectObject(hdc, hFont);
        DrawTextA(hdc, "12:34:56", -1, &rc, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        SelectObject(hdc, hOldFont);
        DeleteObject(hFont);
    }
    EndPaint(hwnd, &ps);
    return 0;
}

static void Row(int resizes)
{
    printf("%d,%lu,%lu\n", resizes, (unsigned long)(PrivateBytes() / 1024),
           (unsigned long)(HeapBytesInUse() / 1024));
    fflush(stdout);
}

int main(int argc, char **argv)
{
    const int resizes = argc > 1 ? atoi(argv[1]) : 3000;
    const int every = argc > 2 && atoi(argv[2]) > 0 ? atoi(argv[2]) : 100;
    g_withText = !(argc > 3 && strcmp(argv[3], "notext") == 0);

    HWND hwnd = CreateProbeWindow(PaintWndProc, 0, 0);
    PumpProbeMessages();

    printf("resizes,private_kib,heap_kib\n");
    Row(0);
    for (int n = 1; n <= resizes; n++) {
        // The soak resizes on pass 700 of every round of 997.
        const int pass = n * 997 + 700;
        SetWindowPos(hwnd, NULL, 0, 0, 150 + pass % 200, 150 + pass % 150,
                     SWP_NOMOVE | SWP_NOZORDER);
        UpdateWindow(hwnd);
        PumpProbeMessages();
        if (n % every == 0)
            Row(n);
    }
    DestroyWindow(hwnd);
    return 0;
}
