// Process-wide state of the clock, grouped by owner. Everything here lives for
// the whole process and is touched only on the GUI thread.
#pragma once

#include <windows.h>

#include "settings/settings_file.h"

typedef BOOL(WINAPI *SetLayeredWindowAttributesProc)(HWND, COLORREF, BYTE, DWORD);
typedef void(WINAPI *GetLocalTimeProc)(LPSYSTEMTIME);

// Application shell
extern HINSTANCE g_hInstance; /* module instance: class, clock window, slider */
extern int g_nCmdShow;        /* show state from start-up, used by the first ShowWindow */
extern HWND g_hwndMain;       /* the clock window; null until creation has returned */
extern HMODULE g_hUser32;     /* user32, loaded to look up the layered-window call */
extern SetLayeredWindowAttributesProc g_pfnSetLayeredWindowAttributes; /* null where absent */
extern HMENU g_hSysMenu;      /* the clock window's system menu */
extern HMENU g_hColorsMenu;   /* popup of "Colors" */
extern HMENU g_hSettingsMenu; /* popup of "Settings" */

// Display state (the three modes live in the menu records, see menu.h)
extern COLORREF g_fgColor;      /* face, pen and text; near black, since black is the key */
extern COLORREF g_bgColor;      /* background fill; 0 while the background is see-through */
extern COLORREF g_savedBgColor; /* the background that black replaced, to restore */
extern BYTE g_alpha;            /* the window's constant alpha, 0 invisible to 255 opaque */
extern int g_minuteKey;         /* hour * 60 + minute of the latest repaint pass */
extern int g_lastMinuteKey;     /* key of the last invalidating pass; -1 forces a repaint */

// Repaint cycle
extern GetLocalTimeProc g_pfnGetLocalTime; /* clock source: GetLocalTime; tests replace it */
extern HICON
    g_smallIcon;        /* the window's small icon, the face at 16 x 16, made by the latest pass */
extern HICON g_bigIcon; /* its large icon, the face at the large-icon size, made with it */

// Opacity slider
extern HWND g_hwndSlider;             /* the open slider; null when none is open */
extern WNDPROC g_prevSliderProc;      /* the trackbar's own window procedure */
extern int g_sliderHovered;           /* 1 once the mouse has rested on the open slider */
extern TRACKMOUSEEVENT g_sliderTrack; /* hover and leave tracking, re-armed on every move */

// Settings
extern SettingsFile g_settings;     /* the settings store, path set at start-up */
extern WINDOWPLACEMENT g_placement; /* placement record shared by loading and saving */

// Forcing a repaint means only this: the next pass redraws the whole face.
inline void ForceRepaint()
{
    g_lastMinuteKey = -1;
}
