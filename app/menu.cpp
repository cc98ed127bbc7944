// The menu records: static, writable tables in the older 11-field form of
// MENUITEMINFOA (no hbmpItem), which every version of the menu API accepts.
#include "app/menu.h"

#include <stddef.h>

#include "app/globals.h"

// The 11-field record: 44 bytes in the 32-bit build, pointer-sized fields
// make it larger in the 64-bit one.
#define MENU_RECORD_SIZE ((UINT)offsetof(MENUITEMINFOA, hbmpItem))
#ifndef _WIN64
static_assert(MENU_RECORD_SIZE == 44, "11-field MENUITEMINFOA");
#endif

#define M1 (MIIM_STATE | MIIM_ID | MIIM_CHECKMARKS | MIIM_TYPE)
#define M2 (MIIM_STATE | MIIM_ID | MIIM_TYPE)
#define M3 (MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE)
static_assert(M1 == 0x1B && M2 == 0x13 && M3 == 0x17, "menu masks");

// An initializer, which the formatter would lay out as a block.
// clang-format off
#define RECORD(mask, type, state, id, text) \
    { MENU_RECORD_SIZE, mask, type, state, id, NULL, NULL, NULL, 0, (LPSTR)(text), 0, NULL }
// clang-format on

// The popups' handles go into "Colors" and "Settings" at static initialisation.
MENUITEMINFOA SystemMenuItems[SYSTEM_MENU_ITEM_COUNT] = {
    RECORD(M1, MFT_STRING, MFS_CHECKED, IDM_ANALOG, "Analog"),
    RECORD(M1, MFT_STRING, 0, IDM_ONTOP, "Stay on top and be unclickable"),
    RECORD(M1, MFT_STRING, 0, IDM_BGTRANSPARENT, "Background transparent"),
    RECORD(M2, MFT_STRING, 0, IDM_OPACITY, "Opacy"),
    RECORD(M3, MFT_STRING, 0, IDM_COLORS, "Colors"),
    RECORD(M3, MFT_STRING, 0, IDM_SETTINGS, "Settings"),
    RECORD(M2, MFT_STRING, 0, IDM_ABOUT, "About/Help"),
    RECORD(M2, MFT_SEPARATOR, MFS_GRAYED, IDM_SEPARATOR, NULL),
};

MENUITEMINFOA ColorsMenuItems[POPUP_MENU_ITEM_COUNT] = {
    RECORD(M2, MFT_STRING, 0, IDM_COLOR_FG, "Foreground"),
    RECORD(M2, MFT_STRING, 0, IDM_COLOR_BG, "Background"),
};

MENUITEMINFOA SettingsMenuItems[POPUP_MENU_ITEM_COUNT] = {
    RECORD(M2, MFT_STRING, 0, IDM_LOAD_SETTINGS, "Load settings"),
    RECORD(M2, MFT_STRING, 0, IDM_SAVE_SETTINGS, "Save settings"),
};

static void InsertRecords(HMENU hMenu, MENUITEMINFOA *records, int count)
{
    for (int i = 0; i < count; i++)
        InsertMenuItemA(hMenu, i, TRUE, &records[i]);
}

void InsertMenuRecords()
{
    InsertRecords(g_hSysMenu, SystemMenuItems, SYSTEM_MENU_ITEM_COUNT);
    InsertRecords(g_hColorsMenu, ColorsMenuItems, POPUP_MENU_ITEM_COUNT);
    InsertRecords(g_hSettingsMenu, SettingsMenuItems, POPUP_MENU_ITEM_COUNT);
}

bool IsModeOn(int item)
{
    return (SystemMenuItems[item].fState & MFS_CHECKED) != 0;
}

// Every change of a mode is shown at once, by identifier, with the whole record.
static void RefreshMenuItem(int item)
{
    SetMenuItemInfoA(g_hSysMenu, SystemMenuItems[item].wID, FALSE, &SystemMenuItems[item]);
}

void SetMode(int item, bool on)
{
    if (on)
        SystemMenuItems[item].fState |= MFS_CHECKED;
    else
        SystemMenuItems[item].fState &= ~MFS_CHECKED;
    RefreshMenuItem(item);
}

bool ToggleMode(int item)
{
    SystemMenuItems[item].fState ^= MFS_CHECKED;
    RefreshMenuItem(item);
    return IsModeOn(item);
}
