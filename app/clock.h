// The clock window: start-up, the window procedure and its transparency.
#pragma once

#include <windows.h>

// Registers the class, creates and shows the clock window, starts the tick
// timer and loads the settings: everything WinMain does before its loop.
void StartClock(HINSTANCE hInstance, int nCmdShow);

// Runs the message loop until WM_QUIT (or an error) and gives the exit code.
int RunMessageLoop();

// Creates, shows and prepares the clock window; gives its handle.
HWND CreateMainWindow();

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Gives the window the colour key black and the alpha g_alpha, where the
// platform offers layered windows.
void ApplyTransparency(HWND hwnd);
