// What the small programs beside the soak share: a layered window like the
// clock's (186 x 194, colour key black, alpha 200) and a message pump.
#pragma once

#include <windows.h>

#define PROBE_CLASS_NAME "ProbeWindow"

// Registers the window class with proc and shows the window at (x, y).
inline HWND CreateProbeWindow(WNDPROC proc, int x, int y)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = PROBE_CLASS_NAME;
    RegisterClassA(&wc);
    HWND hwnd =
        CreateWindowExA(WS_EX_LAYERED, PROBE_CLASS_NAME, "probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        x, y, 186, 194, NULL, NULL, wc.hInstance, NULL);
    SetLayeredWindowAttributes(hwnd, 0, 200, LWA_COLORKEY | LWA_ALPHA);
    return hwnd;
}

inline void PumpProbeMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
