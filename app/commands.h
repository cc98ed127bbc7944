// The clock's system-menu commands.
#pragma once

#include <windows.h>

// Runs the command that wParam names, if it is one of ours. The caller then
// hands the message to DefWindowProcA whatever it was.
void DispatchSystemCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);

// Flips the see-through background: black in, the remembered colour out.
void ToggleBackgroundTransparent();

// Shows the colour dialog starting at initial; true with *chosen set on OK.
bool PickColor(COLORREF initial, COLORREF *chosen);
