// The clock window: start-up, the window procedure and its transparency.
#pragma once

#include <windows.h>

// WinMain's work: starts the clock and runs the message loop until WM_QUIT
// (or an error); gives the exit code, non-zero at once when the window
// cannot be created.
int RunClock(HINSTANCE hInstance, int nCmdShow);

// Registers the class, creates and shows the clock window, starts the tick
// timer and loads the settings: everything before the loop. False when the
// window cannot be created.
bool StartClock(HINSTANCE hInstance, int nCmdShow);

// Creates, shows and prepares the clock window; gives its handle.
HWND CreateMainWindow();

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Gives the window the colour key black and the alpha g_alpha, where the
// platform offers layered windows.
void ApplyTransparency(HWND hwnd);
