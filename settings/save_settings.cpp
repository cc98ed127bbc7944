// Saving the clock's state: the ten keys are updated in place (or appended in
// a fixed order) and the whole store is written, so a hand-written file keeps
// its order, letter case and extra lines.
#include <stdio.h>

#include "app/globals.h"
#include "app/menu.h"
#include "settings/load_save.h"

static void SaveNumber(const char *key, int number)
{
    char text[16];
    sprintf(text, "%d", number);
    g_settings.SetValue(key, text);
}

static void SaveMode(const char *key, int item)
{
    g_settings.SetValue(key, IsModeOn(item) ? "1" : "0");
}

void SaveSettings()
{
    SaveMode("Analog", MENU_ANALOG);
    SaveMode("OnTop", MENU_ONTOP);
    SaveMode("BGTransparent", MENU_BGTRANSPARENT);
    SaveNumber("Opacy", g_alpha);
    SaveNumber("ColFG", (int)g_fgColor);
    // A black background is see-through; the colour worth keeping is the
    // one it replaced.
    SaveNumber("ColBG", (int)(g_bgColor != 0 ? g_bgColor : g_savedBgColor));

    // The restored rectangle, also while minimised or maximised.
    RECT rc = {};
    if (GetWindowPlacement(g_hwndMain, &g_placement))
        rc = g_placement.rcNormalPosition;
    SaveNumber("Top", rc.top);
    SaveNumber("Left", rc.left);
    SaveNumber("Right", rc.right);
    SaveNumber("Bottom", rc.bottom);

    if (!g_settings.Write())
        MessageBoxA(NULL, "Could not save Settings", "Error", MB_OK);
}
