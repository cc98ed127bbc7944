// Geometry of the analog face; see geometry.h for the conventions.
//
// Each coordinate is centre +/- trig * radius with the radius rounded to
// double first and the multiply-add done in long double (the x87 extended
// format on every target we build), then truncated. A plain double sum moves
// some points by a pixel, so every step is written with its type.
#include "face/geometry.h"

#include <float.h>
#include <math.h>

// The types only mean what they say where float and double are evaluated in
// their own precision. x87 maths (a 32-bit x86 build without -msse2
// -mfpmath=sse) keeps them extended and moves hand ends by a pixel, so such a
// build must not compile.
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the face needs float and double in their own precision (32-bit x86: -msse2 -mfpmath=sse)"
#endif
static_assert(LDBL_MANT_DIG == 64,
              "the face geometry needs long double to be the x87 extended format");

// Single-precision pi/3 and pi/6 (0x3F860A92, 0x3F060A92): the numeral ring
// and the hour hand step with them, and their error is visible as the one
// pixel that 6 and 12 o'clock sit left of the pivot.
static const float kFirstNumeralAngle = 1.0471976f;
static const float kNumeralStep = 0.5235988f;
// The minute hand keeps its own, double-precision pi.
static const double kMinutePi = 3.1415926535;

static const double kNumeralRadius = 0.9;
static const double kDotRadius = 0.7;
static const double kHourHand = 0.4;
static const double kMinuteHand = 0.6;

// centre + trig * radius, in extended precision, truncated toward zero.
static int Along(int centre, double trig, double radius)
{
    return (int)((long double)centre + (long double)trig * (long double)radius);
}

// centre - trig * radius, in extended precision, truncated toward zero.
static int Against(int centre, double trig, double radius)
{
    return (int)((long double)centre - (long double)trig * (long double)radius);
}

// Floor of the fourth root, halved: dots grow slowly with the window.
static int DotHalfSize(int side)
{
    return (int)sqrt(sqrt((double)side)) / 2;
}

FaceGeometry ComputeFaceGeometry(int width, int height, int w8, int h8, int hour, int minute)
{
    FaceGeometry g;
    g.cx0 = width / 2 - w8 / 2;
    g.cy0 = height / 2 - h8 / 2 - 5;   // the whole face sits five pixels high
    g.rx = DotHalfSize(width);
    g.ry = DotHalfSize(height);

    const double nx = kNumeralRadius * g.cx0;
    const double ny = kNumeralRadius * g.cy0;
    const double dx = kDotRadius * g.cx0;
    const double dy = kDotRadius * g.cy0;

    float a = kFirstNumeralAngle;
    for (int n = 1; n <= 12; n++) {
        const double c = cos((double)a);
        const double s = sin((double)a);

        FacePoint numeral = { Along(g.cx0, c, nx), Against(g.cy0, s, ny) };
        if (n > 9)
            numeral.x -= w8 / 2;   // centre two digits where one would stand
        g.numerals[n - 1] = numeral;

        const int x = Along(g.cx0, c, dx);
        const int y = Against(g.cy0, s, dy);
        g.dots[n - 1] = { x - g.rx + w8 / 2, y - g.ry + h8 / 2, x + g.rx + w8 / 2,
                          y + g.ry + h8 / 2 };

        a = (float)(a - kNumeralStep);
    }

    g.pivot = { g.cx0 + w8 / 2, g.cy0 + h8 / 2 };
    const int px = g.pivot.x;
    const int py = g.pivot.y;

    // The hour hand moves on with the minutes: 3:00 points right, 12:00 up.
    const float ha = (float)((3.0 - minute / 60.0 - hour % 12) * (double)kNumeralStep);
    g.hourEnd = { Along(px, cos((double)ha), kHourHand * px),
                  Against(py, sin((double)ha), kHourHand * py) };

    // The minute hand jumps once a minute; its x product is rounded to double
    // before the pivot is added.
    const float ma = (float)((90 - 6 * minute) * kMinutePi / 180);
    const double mxProduct = cos((double)ma) * (kMinuteHand * px);
    g.minuteEnd = { (int)((long double)px + (long double)mxProduct),
                    Against(py, sin((double)ma), kMinuteHand * py) };
    return g;
}
