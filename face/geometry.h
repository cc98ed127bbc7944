// Geometry of the analog face, apart from Win32 so that the same table of
// cases runs natively and under Wine.
//
// Angles run counter-clockwise from 3 o'clock, in radians; screen y grows
// downward, so y = centre - sin(a) * r. The number formats are part of the
// result: single-precision angles, double-precision radii, an extended-
// precision multiply-add and truncation toward zero decide single pixels.
#pragma once

struct FacePoint {
    int x, y;
};

struct FaceRect {
    int left, top, right, bottom;
};

struct FaceGeometry {
    int cx0, cy0;             // top-left of a one-digit numeral set at the centre
    int rx, ry;               // half width and half height of a dot
    FacePoint numerals[12];   // top-left corner of numeral n at index n - 1
    FaceRect dots[12];        // ellipse bounds of the dot of numeral n
    FacePoint pivot;          // where both hands start
    FacePoint hourEnd;
    FacePoint minuteEnd;
};

// The face for a client area of width x height pixels, a numeral font whose
// "8" measures w8 x h8, and the time (hour 0 to 23, minute 0 to 59).
FaceGeometry ComputeFaceGeometry(int width, int height, int w8, int h8, int hour, int minute);
