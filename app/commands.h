// The clock's system-menu commands.
#pragma once

#include <windows.h>

// Runs the command that wParam names, if it is one of ours. The caller then
// hands the message to DefWindowProcA whatever it was.
void DispatchSystemCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The one place the see-through background changes: turned on, the
// background gives way to black (the colour key) and is remembered; turned
// off, the remembered colour comes back. Setting the mode it has does nothing.
void SetBackgroundTransparent(bool on);
// Flips it, as the menu command does.
void ToggleBackgroundTransparent();

// Shows the colour dialog starting at initial; true with *chosen set on OK.
bool PickColor(COLORREF initial, COLORREF *chosen);
