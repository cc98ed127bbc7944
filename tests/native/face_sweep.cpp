// Prints the analog face for a wide sweep of client sizes, "8" extents and
// times, one line per case. Each build (native, 32-bit x86 under qemu, both
// Windows builds under Wine) prints its own; tests/compare_sweeps.sh checks
// that they are the same text, so a pixel that moves in one build shows up.
#include "face/geometry.h"

#include <stdio.h>

namespace {

// The extent of a bold "8" roughly as the numeral font gives it: a twelfth of
// the smaller side high, about half as wide; step varies it by a pixel.
void Extent8(int width, int height, int step, int *w8, int *h8)
{
    const int side = width < height ? width : height;
    *h8 = side / 12 > 0 ? side / 12 : 16;   // height 0: the mapper's default
    *w8 = (*h8 * 7 + 7) / 15 + step % 3 - 1;
    if (*w8 < 1)
        *w8 = 1;
}

void PrintFace(const FaceGeometry &g)
{
    printf(" %d %d %d %d", g.cx0, g.cy0, g.rx, g.ry);
    for (const FacePoint &p : g.numerals)
        printf(" %d,%d", p.x, p.y);
    for (const FaceRect &r : g.dots)
        printf(" %d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
}

void PrintHands(const FaceGeometry &g)
{
    printf(" %d,%d %d,%d %d,%d", g.pivot.x, g.pivot.y, g.hourEnd.x, g.hourEnd.y, g.minuteEnd.x,
           g.minuteEnd.y);
}

}   // namespace

int main()
{
    // Sizes from empty to larger than most screens; each size gets the whole
    // face once and the hands at four times spread over the day.
    int step = 0;
    for (int width = 0; width <= 1300; width += 7) {
        for (int height = 0; height <= 1000; height += 13, step++) {
            int w8, h8;
            Extent8(width, height, step, &w8, &h8);
            printf("%d %d %d %d", width, height, w8, h8);
            PrintFace(ComputeFaceGeometry(width, height, w8, h8, 0, 0));
            for (int k = 0; k < 4; k++) {
                const int minuteOfDay = (step * 4 + k) * 7919 % 1440;
                const FaceGeometry g =
                    ComputeFaceGeometry(width, height, w8, h8, minuteOfDay / 60, minuteOfDay % 60);
                printf(" %02d:%02d", minuteOfDay / 60, minuteOfDay % 60);
                PrintHands(g);
            }
            printf("\n");
        }
    }
    // Every minute of the day on a few sizes, small to large.
    static const int sizes[][2] = { { 40, 40 },   { 178, 167 },  { 200, 160 }, { 333, 91 },
                                    { 640, 480 }, { 1023, 767 }, { 1240, 940 } };
    for (const auto &s : sizes) {
        int w8, h8;
        Extent8(s[0], s[1], 1, &w8, &h8);
        for (int minuteOfDay = 0; minuteOfDay < 1440; minuteOfDay++) {
            printf("%d %d %d %d %02d:%02d", s[0], s[1], w8, h8, minuteOfDay / 60, minuteOfDay % 60);
            PrintHands(ComputeFaceGeometry(s[0], s[1], w8, h8, minuteOfDay / 60, minuteOfDay % 60));
            printf("\n");
        }
    }
    return 0;
}
