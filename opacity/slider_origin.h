// Where the opacity slider opens: centred on the position of the message that
// asked for it. Apart from Win32, so that negative positions, which only a
// monitor left of or above the primary one gives, are tested on any machine.
#pragma once

#include <stdint.h>

#define SLIDER_WIDTH  200
#define SLIDER_HEIGHT 30

struct SliderOrigin {
    int left, top;
};

// The slider's top-left corner for a message position as GetMessagePos gives
// it: x in the low word, y in the high word, each a signed screen coordinate.
SliderOrigin SliderOriginAt(uint32_t messagePos);
