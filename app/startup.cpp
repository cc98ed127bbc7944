// Start-up: the window class, the clock window, the tick timer, the first
// load of the settings and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/clock.h"
#include "app/globals.h"
#include "app/menu.h"

#ifndef _WIN64
static_assert(sizeof(WNDCLASSEXA) == 48, "WNDCLASSEXA of the 32-bit build");
#endif

#define CLOCK_CLASS_NAME "Lumivane"
#define CLOCK_TITLE      "Lumivane"
#define SETTINGS_PATH    "Lumivane.ini"
#define TICK_TIMER_ID    1
#define TICK_PERIOD_MS   500

static void RegisterClockClass()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = g_hInstance;
    // Never painted with: WM_ERASEBKGND does not erase, the pass fills.
    wc.hbrBackground = CreateSolidBrush(g_bgColor);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(NULL, IDI_APPLICATION);
    wc.lpszClassName = CLOCK_CLASS_NAME;
    RegisterClassExA(&wc);
}

HWND CreateMainWindow()
{
    // WM_CREATE already runs a repaint pass, while g_hwndMain is still null.
    HWND hwnd = CreateWindowExA(WS_EX_LAYERED, CLOCK_CLASS_NAME, CLOCK_TITLE, WS_OVERLAPPEDWINDOW,
                                0, 0, 186, 194, NULL, NULL, g_hInstance, NULL);
    ShowWindow(hwnd, g_nCmdShow);
    // A layered window stays invisible until its attributes are set.
    ApplyTransparency(hwnd);
    g_hSysMenu = GetSystemMenu(hwnd, FALSE);
    InsertMenuRecords();
    UpdateWindow(hwnd);
    return hwnd;
}

bool StartClock(HINSTANCE hInstance, int nCmdShow)
{
    g_settings.path = SETTINGS_PATH;
    g_nCmdShow = nCmdShow;
    g_hInstance = hInstance;
    // The opacity slider is a common-controls trackbar. Version 6, which the
    // manifest asks for, registers nothing through InitCommonControls.
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&icc);
    RegisterClockClass();
    g_hwndMain = CreateMainWindow();
    if (!g_hwndMain)
        return false;
    SetTimer(g_hwndMain, TICK_TIMER_ID, TICK_PERIOD_MS, NULL);
    // Synchronous: the settings are applied before the first queued message.
    SendMessageA(g_hwndMain, WM_SYSCOMMAND, IDM_LOAD_SETTINGS, 0);
    return true;
}

static int RunMessageLoop()
{
    MSG msg = {};
    // GetMessageA gives -1 on error; looping on it would spin for ever.
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);   // Alt+Space opens the system menu through it
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

int RunClock(HINSTANCE hInstance, int nCmdShow)
{
    // Without a window nothing would ever end the loop: the process would
    // live on, invisible.
    if (!StartClock(hInstance, nCmdShow))
        return 1;
    return RunMessageLoop();
}
