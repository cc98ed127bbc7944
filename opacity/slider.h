// The opacity slider: a popup trackbar centred on the cursor whose position,
// read on every mouse move over it, becomes the clock window's alpha.
#pragma once

#include <windows.h>

#define SLIDER_MIN_POS 20
#define SLIDER_MAX_POS 235

// Opens the slider, or gives the focus to the one already open.
void OpenOpacitySlider();

LRESULT CALLBACK SliderWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
