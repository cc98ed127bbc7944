// Lumivane: a small desktop clock in one layered window.
#include <windows.h>

#include "app/clock.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    return RunClock(hInstance, nCmdShow);
}
