// Lumivane: a small desktop clock in one layered window.
#include <windows.h>

#include "app/clock.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    StartClock(hInstance, nCmdShow);
    return RunMessageLoop();
}
