// A minimal program, apart from the clock, that shows what Wine does with
// the DCs of a popup opened and destroyed over and over: a layered main
// window, and each cycle a popup trackbar owned by it (as the opacity slider
// is; "plain" takes a popup of a bare class instead), then a repaint of the
// main window. Before each popup it makes and destroys "churn" menus, which
// moves on the serial of the handle slot that the popup then reuses, as the
// clock's icon of every pass does.
//
// Seen with Wine 8 (64-bit): once a popup's handle has its top bit set, each
// destroyed popup leaves its DCs in the window manager's cache, until the
// cache holds 64; then the count stays. The CSV, a row every ten cycles, has
// the popup's handle, the GDI objects by type, the idle cached DCs and the
// private memory.
//
//   dc_cache_probe.exe [cycles [churn [plain]]]
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_window.h"
#include "process_census.h"

static void Row(int cycle, HWND hwndPopup)
{
    int byType[256] = {};
    const int gdi = CountGdiObjects(byType);
    printf("%d,%p,%d,%d,%d,%d,%d,%lu\n", cycle, (void *)hwndPopup, gdi, byType[kGdiDc],
           byType[kGdiRegion], byType[kGdiBitmap], CountIdleCachedDcs(),
           (unsigned long)(PrivateBytes() / 1024));
    fflush(stdout);
}

int main(int argc, char **argv)
{
    const int cycles = argc > 1 ? atoi(argv[1]) : 300;
    const int churn = argc > 2 ? atoi(argv[2]) : 250;
    const bool plain = argc > 3 && strcmp(argv[3], "plain") == 0;

    InitCommonControls();
    HWND hwndMain = CreateProbeWindow(DefWindowProcA, 100, 100);
    PumpProbeMessages();

    // The census of idle cached DCs must tell a DC in use from one at rest.
    const int idle = CountIdleCachedDcs();
    HDC hdc = GetDC(hwndMain);
    const int idleWhileInUse = CountIdleCachedDcs();
    ReleaseDC(hwndMain, hdc);
    if (idle < 1 || idleWhileInUse != idle - 1) {
        fprintf(stderr, "cannot tell cached DCs apart here: %d idle, %d with one in use\n", idle,
                idleWhileInUse);
        return 1;
    }

    printf("cycle,popup_handle,gdi,dc,region,bitmap,idle_cached_dcs,private_kib\n");
    Row(0, NULL);
    for (int cycle = 1; cycle <= cycles; cycle++) {
        for (int k = 0; k < churn; k++)
            DestroyMenu(CreatePopupMenu());
        HWND hwndPopup = CreateWindowExA(0, plain ? PROBE_CLASS_NAME : TRACKBAR_CLASSA, "",
                                         WS_POPUPWINDOW | WS_VISIBLE, 300, 300, 200, 30, hwndMain,
                                         NULL, GetModuleHandleA(NULL), NULL);
        PumpProbeMessages();
        DestroyWindow(hwndPopup);
        InvalidateRect(hwndMain, NULL, TRUE);
        UpdateWindow(hwndMain);
        PumpProbeMessages();
        if (cycle % 10 == 0)
            Row(cycle, hwndPopup);
    }
    DestroyWindow(hwndMain);
    return 0;
}
