// The faces drawn into a memory bitmap, judged by their pixels: where the
// foreground colour lands, and where it must not; and into a metafile,
// judged by what it records.
#include "clock_test_support.h"

#include <string.h>

#include "app/globals.h"
#include "face/geometry.h"
#include "face/paint.h"
#include "face/rules.h"

namespace {

const COLORREF kBackground = RGB(240, 240, 240);
const COLORREF kForeground = RGB(20, 40, 200);

// A top-down 32-bit DIB with a context prepared as the repaint pass leaves
// it for the face: background filled, transparent text, the pass's pen.
class Canvas {
public:
    Canvas(int w, int h) : width(w), height(h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w > 0 ? w : 1;
        bi.bmiHeader.biHeight = -(h > 0 ? h : 1);
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        hdc = CreateCompatibleDC(NULL);
        hBitmap = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
        hOldBitmap = SelectObject(hdc, hBitmap);
        rc = { 0, 0, w, h };
        HBRUSH hBrush = CreateSolidBrush(kBackground);
        FillRect(hdc, &rc, hBrush);
        DeleteObject(hBrush);
        SetBkMode(hdc, TRANSPARENT);
        hPen = CreatePen(PS_DOT, PenWidth(w, h), kForeground);
        hOldPen = SelectObject(hdc, hPen);
    }
    ~Canvas()
    {
        SelectObject(hdc, hOldPen);
        DeleteObject(hPen);
        SelectObject(hdc, hOldBitmap);
        DeleteObject(hBitmap);
        DeleteDC(hdc);
    }
    COLORREF At(int x, int y) const
    {
        const DWORD p = bits[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool IsInk(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height &&
               ColorDistance(At(x, y), kForeground) < 120;
    }
    // Bounding box of the inked pixels; right and bottom inclusive.
    RECT InkBox() const
    {
        RECT box = { width, height, -1, -1 };
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                if (IsInk(x, y)) {
                    if (x < box.left)
                        box.left = x;
                    if (y < box.top)
                        box.top = y;
                    if (x > box.right)
                        box.right = x;
                    if (y > box.bottom)
                        box.bottom = y;
                }
        return box;
    }

    int width, height;
    HDC hdc;
    RECT rc;

private:
    HBITMAP hBitmap;
    HGDIOBJ hOldBitmap, hOldPen;
    HPEN hPen;
    DWORD *bits = nullptr;
};

class FaceDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        g_fgColor = kForeground;
        before = CountGdiObjects();
    }
    int before = 0;
};

int CALLBACK CountDrawing(HDC, HANDLETABLE *, METARECORD *record, int, LPARAM lParam)
{
    const WORD f = record->rdFunction;
    *(int *)lParam +=
        f == META_TEXTOUT || f == META_EXTTEXTOUT || f == META_ELLIPSE || f == META_LINETO;
    return 1;
}

bool InkNear(const Canvas &c, int x, int y, int radius)
{
    for (int dy = -radius; dy <= radius; dy++)
        for (int dx = -radius; dx <= radius; dx++)
            if (c.IsInk(x + dx, y + dy))
                return true;
    return false;
}

}   // namespace

TEST_F(FaceDrawing, AnalogDotsHandsAndNumeralsLandWhereTheGeometrySays)
{
    const int sizes[][2] = { { 200, 160 }, { 178, 167 }, { 400, 400 }, { 600, 300 } };
    for (const auto &s : sizes) {
        SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1]);
        Canvas c(s[0], s[1]);
        DrawAnalogFace(c.hdc, &c.rc, 10, 30);
        const SIZE e = NumeralExtent8(c.hdc, s[0], s[1]);
        const FaceGeometry g = ComputeFaceGeometry(s[0], s[1], e.cx, e.cy, 10, 30);

        for (int n = 0; n < 12; n++) {
            const FaceRect &d = g.dots[n];
            EXPECT_TRUE(c.IsInk((d.left + d.right) / 2, (d.top + d.bottom) / 2)) << "dot " << n + 1;
            // The numeral's own box holds ink.
            const int digits = n + 1 > 9 ? 2 : 1;
            bool inked = false;
            for (int y = g.numerals[n].y; y < g.numerals[n].y + e.cy && !inked; y++)
                for (int x = g.numerals[n].x; x < g.numerals[n].x + digits * e.cx && !inked; x++)
                    inked = c.IsInk(x, y);
            EXPECT_TRUE(inked) << "numeral " << n + 1;
        }
        for (double t : { 0.2, 0.5, 0.8 }) {
            const int hx = g.pivot.x + (int)(t * (g.hourEnd.x - g.pivot.x));
            const int hy = g.pivot.y + (int)(t * (g.hourEnd.y - g.pivot.y));
            EXPECT_TRUE(InkNear(c, hx, hy, 1)) << "hour hand at " << t;
            const int mx = g.pivot.x + (int)(t * (g.minuteEnd.x - g.pivot.x));
            const int my = g.pivot.y + (int)(t * (g.minuteEnd.y - g.pivot.y));
            EXPECT_TRUE(InkNear(c, mx, my, 1)) << "minute hand at " << t;
        }

        // Nothing lies outside the ring of numerals (plus half a pen).
        int left = s[0], top = s[1], right = 0, bottom = 0;
        for (int n = 0; n < 12; n++) {
            const int digits = n + 1 > 9 ? 2 : 1;
            left = g.numerals[n].x < left ? g.numerals[n].x : left;
            top = g.numerals[n].y < top ? g.numerals[n].y : top;
            const int r = g.numerals[n].x + digits * e.cx, b = g.numerals[n].y + e.cy;
            right = r > right ? r : right;
            bottom = b > bottom ? b : bottom;
        }
        const int margin = PenWidth(s[0], s[1]) / 2 + 1;
        const RECT ink = c.InkBox();
        EXPECT_GE(ink.left, left - margin);
        EXPECT_GE(ink.top, top - margin);
        EXPECT_LE(ink.right, right + margin);
        EXPECT_LE(ink.bottom, bottom + margin);
    }
    EXPECT_EQ(before, CountGdiObjects());
}

TEST_F(FaceDrawing, AnalogLeavesThePreviousFontSelected)
{
    Canvas c(200, 160);
    HGDIOBJ before = GetCurrentObject(c.hdc, OBJ_FONT);
    DrawAnalogFace(c.hdc, &c.rc, 3, 0);
    EXPECT_EQ(before, GetCurrentObject(c.hdc, OBJ_FONT));
    EXPECT_EQ(kForeground, GetTextColor(c.hdc));
}

TEST_F(FaceDrawing, AnalogDrawsNothingWhereTheEightCannotBeMeasured)
{
    // A metafile records drawing but measures no text.
    HDC hdc = CreateMetaFileA(NULL);
    ASSERT_TRUE(hdc != NULL);
    SIZE size;
    ASSERT_FALSE(GetTextExtentPoint32A(hdc, "8", 1, &size));
    const RECT rc = { 0, 0, 200, 160 };
    DrawAnalogFace(hdc, &rc, 10, 30);
    HMETAFILE hmf = CloseMetaFile(hdc);
    int drawn = 0;
    EnumMetaFile(NULL, hmf, CountDrawing, (LPARAM)&drawn);
    DeleteMetaFile(hmf);
    EXPECT_EQ(0, drawn);
}

TEST_F(FaceDrawing, DigitalTextIsCentredAndSizedByTheWidth)
{
    {
        Canvas narrow(200, 300);
        DrawDigitalFace(narrow.hdc, &narrow.rc, "12:34:56");
        const RECT a = narrow.InkBox();
        ASSERT_GE(a.right, 0);
        EXPECT_NEAR(100.0, (a.left + a.right) / 2.0, 3.0);
        EXPECT_NEAR(150.0, (a.top + a.bottom) / 2.0, 6.0);

        // Twice the width gives twice the glyph height, whatever the height.
        for (int height : { 300, 200 }) {
            Canvas wide(400, height);
            DrawDigitalFace(wide.hdc, &wide.rc, "12:34:56");
            const RECT b = wide.InkBox();
            const double ratio = double(b.bottom - b.top + 1) / double(a.bottom - a.top + 1);
            EXPECT_NEAR(2.0, ratio, 0.15) << "height " << height;
            EXPECT_NEAR(200.0, (b.left + b.right) / 2.0, 4.0);
        }
    }
    EXPECT_EQ(before, CountGdiObjects());
}

TEST_F(FaceDrawing, DigitalTextIsCutByALowWindowAndSurvivesANarrowOne)
{
    // A 100-pixel font in a 40-pixel client: the glyphs run off both edges.
    Canvas low(400, 40);
    DrawDigitalFace(low.hdc, &low.rc, "10:10:10");
    const RECT box = low.InkBox();
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(39, box.bottom);

    // Under 4 pixels the font height is 0, the mapper's default; a
    // minimised client has no pixels at all. Neither fails or leaks.
    {
        Canvas narrow(3, 50);
        DrawDigitalFace(narrow.hdc, &narrow.rc, "10:10:10");
        Canvas empty(0, 0);
        DrawDigitalFace(empty.hdc, &empty.rc, "10:10:10");
        DrawAnalogFace(empty.hdc, &empty.rc, 10, 10);
        EXPECT_EQ(GetStockObject(SYSTEM_FONT), GetCurrentObject(empty.hdc, OBJ_FONT));
    }
    const int objectsOfLow = 3;   // its context, bitmap and pen
    EXPECT_EQ(before + objectsOfLow, CountGdiObjects());
}
