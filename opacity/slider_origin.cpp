// Where the opacity slider opens; see slider_origin.h.
#include "opacity/slider_origin.h"

SliderOrigin SliderOriginAt(uint32_t messagePos)
{
    // Signed words: read unsigned, a cursor at x = -1 would stand at 65535.
    const int x = (int16_t)(messagePos & 0xFFFF);
    const int y = (int16_t)(messagePos >> 16);
    return { x - SLIDER_WIDTH / 2, y - SLIDER_HEIGHT / 2 };
}
