// The opacity slider. The alpha is taken on mouse moves only: a move applies
// the position that the previous move left, before the control handles the
// new one, and keyboard moves wait for the next mouse move. The slider closes
// itself when the mouse leaves after having rested on it.
#include <windows.h>
#include <commctrl.h>

#include "app/clock.h"
#include "app/globals.h"
#include "opacity/slider.h"
#include "opacity/slider_origin.h"

#ifndef _WIN64
static_assert(sizeof(TRACKMOUSEEVENT) == 16, "TRACKMOUSEEVENT of the 32-bit build");
#endif

void OpenOpacitySlider()
{
    if (!g_hwndSlider) {
        const SliderOrigin at = SliderOriginAt(GetMessagePos());
        g_hwndSlider =
            CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_POPUPWINDOW | WS_VISIBLE, at.left, at.top,
                            SLIDER_WIDTH, SLIDER_HEIGHT, g_hwndMain, NULL, g_hInstance, NULL);
        if (!g_hwndSlider)
            return;
        SendMessageA(g_hwndSlider, TBM_SETRANGE, TRUE, MAKELPARAM(SLIDER_MIN_POS, SLIDER_MAX_POS));
        SendMessageA(g_hwndSlider, TBM_SETPOS, TRUE, g_alpha);
        g_sliderHovered = 0;
        g_sliderTrack.hwndTrack = g_hwndSlider;
        TrackMouseEvent(&g_sliderTrack);
        g_prevSliderProc =
            (WNDPROC)SetWindowLongPtrA(g_hwndSlider, GWLP_WNDPROC, (LONG_PTR)SliderWndProc);
    }
    SetFocus(g_hwndSlider);
}

static void OnSliderMouseMove()
{
    g_alpha = (BYTE)SendMessageA(g_hwndSlider, TBM_GETPOS, 0, 0);
    ApplyTransparency(g_hwndMain);
    // Hover and leave tracking end once reported: arm both again.
    TrackMouseEvent(&g_sliderTrack);
}

LRESULT CALLBACK SliderWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Kept before the pass-on: the control may be gone after it.
    const WNDPROC prevProc = g_prevSliderProc;
    switch (message) {
    case WM_MOUSEMOVE:
        OnSliderMouseMove();
        break;
    case WM_MOUSEHOVER:
        g_sliderHovered = 1;
        break;
    case WM_MOUSELEAVE:
        if (g_sliderHovered) {
            // The control destroys itself; its last message is not passed on.
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        // However the slider goes, the next "Opacy" makes a new one.
        if (g_hwndSlider == hwnd)
            g_hwndSlider = NULL;
        break;
    }
    return CallWindowProcA(prevProc, hwnd, message, wParam, lParam);
}
