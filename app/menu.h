// The system-menu records and their identifiers. The records are the one
// store of the three display modes (their check marks), and the same records
// serve for inserting the items and for every later update.
#pragma once

#include <windows.h>

#define IDM_ANALOG        1000
#define IDM_ONTOP         1001
#define IDM_BGTRANSPARENT 1002
#define IDM_OPACITY       1003
#define IDM_COLORS        1005
#define IDM_SETTINGS      1006
#define IDM_ABOUT         1007
#define IDM_SEPARATOR     1008
#define IDM_COLOR_FG      1100
#define IDM_COLOR_BG      1110
#define IDM_LOAD_SETTINGS 1200
#define IDM_SAVE_SETTINGS 1210

#define SYSTEM_MENU_ITEM_COUNT 8
#define POPUP_MENU_ITEM_COUNT  2

// Positions of the records in SystemMenuItems.
enum {
    MENU_ANALOG,
    MENU_ONTOP,
    MENU_BGTRANSPARENT,
    MENU_OPACITY,
    MENU_COLORS,
    MENU_SETTINGS,
    MENU_ABOUT,
    MENU_SEPARATOR
};

extern MENUITEMINFOA SystemMenuItems[SYSTEM_MENU_ITEM_COUNT];
extern MENUITEMINFOA ColorsMenuItems[POPUP_MENU_ITEM_COUNT];
extern MENUITEMINFOA SettingsMenuItems[POPUP_MENU_ITEM_COUNT];

// Inserts the records into the system menu (above its own items) and the popups.
void InsertMenuRecords();

// A mode is the check mark of the record at position item (MENU_ANALOG,
// MENU_ONTOP or MENU_BGTRANSPARENT).
bool IsModeOn(int item);
// Sets or clears the mode and shows the new check mark in the menu.
void SetMode(int item, bool on);
// Flips the mode and shows it; gives the new state.
bool ToggleMode(int item);
