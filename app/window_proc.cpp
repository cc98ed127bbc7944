// The clock window's procedure and its layered attributes. Each message is
// handed to one named routine.
#include "app/clock.h"
#include "app/commands.h"
#include "app/globals.h"
#include "face/paint.h"

void ApplyTransparency(HWND hwnd)
{
    if (g_pfnSetLayeredWindowAttributes)
        g_pfnSetLayeredWindowAttributes(hwnd, RGB(0, 0, 0), g_alpha, LWA_COLORKEY | LWA_ALPHA);
}

static void OnDestroy()
{
    FreeLibrary(g_hUser32);
    PostQuitMessage(0);
}

static void OnMenuCommand(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == 0 && lParam == 0)
        DispatchSystemCommand(hwnd, LOWORD(wParam), 0);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
    case WM_SIZE:
        ForceRepaint();   // a new window or a new size: the whole face at once
        PaintClock(hwnd);
        return 0;
    case WM_PAINT:
    case WM_TIMER:
        PaintClock(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // the repaint pass fills the background itself
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_COMMAND:
        // Items of the system menu's popups can arrive as menu commands
        // rather than system commands (Wine sends them so).
        OnMenuCommand(hwnd, wParam, lParam);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SYSCOMMAND:
        // Ours and the platform's alike go on to the default handling.
        DispatchSystemCommand(hwnd, wParam, lParam);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
