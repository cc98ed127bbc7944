// Applying the settings file to the running clock, at start-up and on
// "Load settings". Values are taken as read (atoi, no range checks): the file
// is the user's own.
#include <stdlib.h>

#include "app/clock.h"
#include "app/commands.h"
#include "app/globals.h"
#include "app/menu.h"
#include "settings/load_save.h"

// A mode is on exactly when its value reads as 1.
static void ApplyMode(const char *key, int item)
{
    const char *value = g_settings.GetValue(key);
    if (value)
        SetMode(item, atoi(value) == 1);
}

// Loading sets topmost only; click-through stays as the menu command left it.
static void ApplyOnTop()
{
    const char *value = g_settings.GetValue("OnTop");
    if (!value)
        return;
    const bool on = atoi(value) == 1;
    SetWindowPos(g_hwndMain, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    SetMode(MENU_ONTOP, on);
}

static void ApplyColor(const char *key, COLORREF *color)
{
    const char *value = g_settings.GetValue(key);
    if (value)
        *color = (COLORREF)atoi(value);
}

static void ApplyAlpha()
{
    const char *value = g_settings.GetValue("Opacy");
    if (!value)
        return;
    g_alpha = (BYTE)atoi(value);   // the low 8 bits: 300 gives 44, -1 gives 255
    ApplyTransparency(g_hwndMain);
}

// Applied after "ColBG" with the mode off, so a loaded background is the
// one remembered.
static void ApplyBackgroundTransparent()
{
    const char *value = g_settings.GetValue("BGTransparent");
    if (value)
        SetBackgroundTransparent(atoi(value) == 1);
}

static void ApplyEdge(const char *key, LONG *edge)
{
    const char *value = g_settings.GetValue(key);
    if (value)
        *edge = atoi(value);
}

// Only the restored rectangle changes: a maximised clock stays maximised.
static void ApplyPlacement()
{
    if (GetWindowPlacement(g_hwndMain, &g_placement)) {
        ApplyEdge("Top", &g_placement.rcNormalPosition.top);
        ApplyEdge("Left", &g_placement.rcNormalPosition.left);
        ApplyEdge("Right", &g_placement.rcNormalPosition.right);
        ApplyEdge("Bottom", &g_placement.rcNormalPosition.bottom);
    }
    // A record that no GetWindowPlacement has filled yet holds only zeros
    // (showCmd 0 among them, which a successful read never gives): applying
    // it would shrink the window to nothing, so it is skipped.
    if (g_placement.showCmd != 0)
        SetWindowPlacement(g_hwndMain, &g_placement);
}

void LoadSettings()
{
    if (g_settings.Read()) {
        SetBackgroundTransparent(false);
        ApplyMode("Analog", MENU_ANALOG);
        ApplyOnTop();
        ApplyAlpha();
        ApplyColor("ColFG", &g_fgColor);
        ApplyColor("ColBG", &g_bgColor);
        ApplyBackgroundTransparent();
        ApplyPlacement();
    }
    ForceRepaint();
}
