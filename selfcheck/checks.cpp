// The checks: each acts on the clock from outside, measures, and returns its
// verdict with the values it saw. The table at the end names them in the
// order they run; each begins by loading the state it needs.
#include "selfcheck/selfcheck.h"

#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

static const COLORREF kGreen = RGB(40, 160, 90);

// ---- Small helpers ----

static RECT Inflated(RECT rc, int by)
{
    InflateRect(&rc, by, by);
    return rc;
}

// The clock and a margin of the backdrop, saved for a person to look at.
static void Picture(const char *name)
{
    RECT rc;
    GetWindowRect(g_clock.hwnd, &rc);
    rc = Inflated(rc, 8);
    IntersectRect(&rc, &rc, &g_backdropRect);
    Shot shot;
    if (Capture(rc, &shot)) {
        SavePicture(shot, name, 1);
        FreeShot(&shot);
    }
}

static const char *WindowName(HWND hwnd)
{
    if (hwnd == g_clock.hwnd)
        return "the clock";
    if (hwnd == g_backdrop)
        return "the backdrop";
    if (hwnd == g_other)
        return "our other window";
    static char other[96];
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    snprintf(other, sizeof other, "another window (%s)", hwnd ? cls : "none");
    return other;
}

// Whether a see-through pixel of the clock is also click-through: the window
// there is the backdrop. Wine's WindowFromPoint and SendInput do not look
// through keyed pixels (only the X server's window shape does, for clicks
// from the X server, which the end-to-end tests make): under Wine this part
// is written down, not judged.
static bool ReachesBackdrop(POINT pt, char *how, int size)
{
    HWND hit = WindowFromPoint(pt);
    const bool wineCannotTell = g_onWine && hit == g_clock.hwnd;
    snprintf(how, size, "WindowFromPoint gives %s%s", WindowName(hit),
             wineCannotTell ? " (Wine's answer: it does not look through keyed pixels)" : "");
    return hit == g_backdrop || wineCannotTell;
}

// The part of the window above the client area: the frame's top edge and
// the caption. Windows 10 and 11 count an invisible resize border into the
// window rectangle; the frame's visible bounds come from the DWM.
static RECT TitleBar()
{
    typedef HRESULT(WINAPI * GetAttributeProc)(HWND, DWORD, void *, DWORD);
    RECT frame;
    GetWindowRect(g_clock.hwnd, &frame);
    HMODULE dwm = LoadLibraryA("dwmapi");
    GetAttributeProc getAttribute =
        dwm ? (GetAttributeProc)(void (*)(void))GetProcAddress(dwm, "DwmGetWindowAttribute") : NULL;
    RECT visible;
    const DWORD DWMWA_EXTENDED_FRAME_BOUNDS_ = 9;
    // The DWM answers in physical pixels, even to a program that is not DPI
    // aware, as this one is not: on a scaled display they do not fit inside
    // the window's rectangle, and the rectangle is used as it is.
    if (getAttribute &&
        SUCCEEDED(
            getAttribute(g_clock.hwnd, DWMWA_EXTENDED_FRAME_BOUNDS_, &visible, sizeof visible)) &&
        visible.left >= frame.left && visible.top >= frame.top && visible.right <= frame.right &&
        visible.right - visible.left > (frame.right - frame.left) / 2)
        frame = visible;
    const RECT client = ClientOnScreen();
    RECT bar = { frame.left, frame.top, frame.right, client.top };
    return bar;
}

// The colour most pixels of a part of the shot have: the caption's own.
static COLORREF CommonColor(const Shot &shot, const RECT &rc)
{
    std::vector<COLORREF> sorted;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++)
            sorted.push_back(ShotPixel(shot, x, y));
    std::sort(sorted.begin(), sorted.end());
    COLORREF common = sorted.empty() ? CLR_INVALID : sorted[0];
    for (size_t i = 0, run = 0, best = 0; i < sorted.size(); i++) {
        run = i && sorted[i] == sorted[i - 1] ? run + 1 : 1;
        if (run > best)
            best = run, common = sorted[i];
    }
    return common;
}

static int CaptionY()
{
    return ClientOnScreen().top - GetSystemMetrics(SM_CYCAPTION) / 2;
}

// The caption checks want room for the title between the icon and the
// buttons: Windows 10's buttons alone are 138 pixels wide.
static void PrepareWide(const char *overrides)
{
    char text[256];
    snprintf(text, sizeof text, "%sLeft=40\r\nTop=40\r\nRight=400\r\nBottom=240\r\n", overrides);
    Prepare(text);
}

// ---- The checks ----

// At the start, before any settings are loaded: alpha 200 over the backdrop.
// The clock's alpha is expected, and its background painted reads on the
// screen as that colour blended at that alpha over the backdrop.
static Result JudgeBackgroundBlend(COLORREF painted, BYTE expected)
{
    const COLORREF under = BackdropOnScreen();
    const COLORREF want = Blend(painted, under, expected);
    const COLORREF seen = AwaitPixel(BackgroundPoint(), want, kTolerance);
    const BYTE alpha = ClockAlpha();
    return Judge(
        alpha == expected && Distance(seen, want) <= kTolerance,
        "alpha %u; the background %s over the backdrop %s reads %s, expected %s (tolerance %d)",
        alpha, Rgb(painted), Rgb(under), Rgb(seen), Rgb(want), kTolerance);
}

static Result AlphaAtStart()
{
    Picture("1-start");
    return JudgeBackgroundBlend(GetSysColor(COLOR_BTNFACE), 200);
}

// At alpha 255 nothing of the title bar may show what lies beneath, but for
// its two upper corners, which Windows 11 rounds.
static Result CaptionNotKeyed()
{
    PrepareWide("Opacy=255\r\n");
    const COLORREF under = BackdropOnScreen();
    const RECT bar = TitleBar();
    const int corner = 8;
    int seen = -1, inCorners = 0;
    // The caption of the new size may reach the screen after the face.
    WaitUntil([&] {
        Shot shot;
        if (!Capture(bar, &shot))
            return false;
        seen = inCorners = 0;
        for (int y = bar.top; y < bar.bottom; y++) {
            for (int x = bar.left; x < bar.right; x++) {
                if (ShotPixel(shot, x, y) != under)
                    continue;
                const bool rounded =
                    y < bar.top + corner && (x < bar.left + corner || x >= bar.right - corner);
                inCorners += rounded;
                seen += !rounded;
            }
        }
        SavePicture(shot, "2-title-bar-x4", 4);
        FreeShot(&shot);
        return seen == 0;
    });
    if (seen < 0)
        return Fail("could not copy the title bar from the screen");
    const int all = (bar.right - bar.left) * (bar.bottom - bar.top) - 2 * corner * corner;
    Picture("2-alpha-255");
    return Judge(
        seen == 0,
        "%d of %d title-bar pixels (%ld x %ld, less its %dx%d upper corners) show the backdrop "
        "%s; in the corners %d",
        seen, all, bar.right - bar.left, bar.bottom - bar.top, corner, corner, Rgb(under),
        inCorners);
}

// The caption's text, icon and close button belong to the clock, keyed or not.
static Result CaptionHitTest()
{
    PrepareWide("Opacy=255\r\n");
    const RECT client = ClientOnScreen();
    const int y = CaptionY(), icon = GetSystemMetrics(SM_CXSMICON),
              button = GetSystemMetrics(SM_CXSIZE);
    // The text: the pixel of the caption most unlike the caption's own
    // colour, between the icon and the buttons, once the caption of the new
    // size has reached the screen.
    RECT zone = { client.left + icon + 4, y - 4, client.right - 3 * button, y + 5 };
    COLORREF background = CLR_INVALID, textColor = CLR_INVALID;
    POINT text = { zone.left, y };
    int farthest = -1;
    WaitUntil([&] {
        Shot shot;
        if (!Capture(zone, &shot))
            return false;
        background = CommonColor(shot, zone);
        farthest = -1;
        for (int yy = zone.top; yy < zone.bottom; yy++)
            for (int x = zone.left; x < zone.right; x++)
                if (Distance(ShotPixel(shot, x, yy), background) > farthest) {
                    farthest = Distance(ShotPixel(shot, x, yy), background);
                    text.x = x, text.y = yy;
                }
        textColor = ShotPixel(shot, text.x, text.y);
        FreeShot(&shot);
        return farthest >= 48;
    });
    if (farthest < 0)
        return Fail("could not copy the caption from the screen");

    POINT iconPt = { client.left + icon / 2 + 1, y };
    POINT closePt = { client.right - button / 2 - 2, y };
    HWND atText = WindowFromPoint(text), atIcon = WindowFromPoint(iconPt),
         atClose = WindowFromPoint(closePt);
    char names[3][96];
    snprintf(names[0], sizeof names[0], "%s", WindowName(atText));
    snprintf(names[1], sizeof names[1], "%s", WindowName(atIcon));
    snprintf(names[2], sizeof names[2], "%s", WindowName(atClose));
    return Judge(farthest >= 48 && atText == g_clock.hwnd && atIcon == g_clock.hwnd &&
                     atClose == g_clock.hwnd,
                 "text pixel %ld,%ld (%s on a caption of %s): %s; icon %ld,%ld: %s; close button "
                 "%ld,%ld: %s",
                 text.x, text.y, Rgb(textColor), Rgb(background), names[0], iconPt.x, iconPt.y,
                 names[1], closePt.x, closePt.y, names[2]);
}

// A real click on the caption makes the clock the active window.
static Result CaptionClickActivates()
{
    PrepareWide("Opacy=255\r\n");
    const RECT client = ClientOnScreen();
    ActivateOtherWindow();
    HWND before = GetForegroundWindow();
    char first[96];
    snprintf(first, sizeof first, "%s", WindowName(before));
    const POINT pt = { (client.left + client.right) / 2, CaptionY() };
    Click(pt.x, pt.y);
    const DWORD clicked = GetTickCount();
    HWND after = NULL;
    WaitUntil([&] { return (after = GetForegroundWindow()) == g_clock.hwnd; });
    // A second caption click within the double-click time would maximise.
    WaitUntil([clicked] { return GetTickCount() - clicked > GetDoubleClickTime(); });
    return Judge(after == g_clock.hwnd,
                 "active before: %s; after a click at %ld,%ld on the caption: %s", first, pt.x,
                 pt.y, WindowName(after));
}

// "Background transparent": the background is the key, see-through and
// click-through; the face is neither.
static Result BackgroundKey()
{
    Prepare("BGTransparent=1\r\n");
    const COLORREF under = BackdropOnScreen();
    Picture("3-background-transparent");
    const RECT c = ClientOnScreen();
    Shot shot;
    if (!Capture(c, &shot))
        return Fail("could not copy the client area from the screen");
    const POINT bg = BackgroundPoint();
    const COLORREF atBg = ShotPixel(shot, bg.x, bg.y);
    const int keyed = CountColor(shot, under);
    const int all = (c.right - c.left) * (c.bottom - c.top);
    // The face: the pixel nearest the centre that is not the backdrop.
    POINT face = { -1, -1 };
    const int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
    for (int r = 0; r < (c.right - c.left) / 2 && face.x < 0; r++)
        for (int y = cy - r; y <= cy + r && face.x < 0; y++)
            for (int x = cx - r; x <= cx + r; x++)
                if (Distance(ShotPixel(shot, x, y), under) > 40) {
                    face.x = x, face.y = y;
                    break;
                }
    const COLORREF atFace = face.x < 0 ? CLR_INVALID : ShotPixel(shot, face.x, face.y);
    FreeShot(&shot);
    char how[200];
    const bool through = ReachesBackdrop(bg, how, sizeof how);
    HWND hitFace = face.x < 0 ? NULL : WindowFromPoint(face);
    return Judge(atBg == under && keyed > all / 2 && through && hitFace == g_clock.hwnd,
                 "background pixel %ld,%ld reads %s (backdrop %s), %d of %d client pixels show "
                 "the backdrop; there %s; face pixel %ld,%ld (%s) belongs to %s",
                 bg.x, bg.y, Rgb(atBg), Rgb(under), keyed, all, how, face.x, face.y, Rgb(atFace),
                 WindowName(hitFace));
}

// An alpha and a background from the settings file, through "Load settings".
static Result AlphaLoaded()
{
    char text[128];
    snprintf(text, sizeof text, "Opacy=120\r\nColBG=%d\r\n", (int)kGreen);
    Prepare(text);
    Picture("4-alpha-120");
    return JudgeBackgroundBlend(kGreen, 120);
}

// "Stay on top and be unclickable": topmost, and clicks on the caption and
// on the face reach the window beneath.
static Result OnTopClickThrough()
{
    Prepare("");
    Command(IDM_ONTOP);
    const LONG both = WS_EX_TOPMOST | WS_EX_TRANSPARENT;
    WaitUntil([both] { return (ClockExStyle() & both) == both; });
    Picture("5-on-top");
    // A click that reached the clock would make it active.
    ActivateOtherWindow();
    const LONG ex = ClockExStyle();
    const RECT c = ClientOnScreen();
    const LONG before = BackdropClicks();
    const POINT caption = { (c.left + c.right) / 2, CaptionY() };
    const POINT face = { (c.left + c.right) / 2, (c.top + c.bottom) / 2 };
    Click(caption.x, caption.y);
    WaitUntil([before] { return BackdropClicks() > before; });
    const LONG afterCaption = BackdropClicks();
    const POINT firstAt = BackdropLastClick();
    Click(face.x, face.y);
    WaitUntil([afterCaption] { return BackdropClicks() > afterCaption; });
    const LONG afterFace = BackdropClicks();
    const POINT secondAt = BackdropLastClick();
    HWND active = GetForegroundWindow();
    Command(IDM_ONTOP);   // off again, as a user would end it
    WaitUntil([] { return (ClockExStyle() & WS_EX_TOPMOST) == 0; });
    const bool topmost = (ex & WS_EX_TOPMOST) != 0;
    return Judge(
        topmost && afterCaption == before + 1 && afterFace == afterCaption + 1 &&
            active != g_clock.hwnd,
        "topmost %d, click-through style %d; the backdrop got the caption click at %ld,%ld: %s "
        "(at %ld,%ld), the face click at %ld,%ld: %s (at %ld,%ld); active: %s; after turning it "
        "off topmost %d",
        topmost, (ex & WS_EX_TRANSPARENT) != 0, caption.x, caption.y,
        afterCaption > before ? "yes" : "no", firstAt.x, firstAt.y, face.x, face.y,
        afterFace > afterCaption ? "yes" : "no", secondAt.x, secondAt.y, WindowName(active),
        (ClockExStyle() & WS_EX_TOPMOST) != 0);
}

// The icon in a slot of the clock's window; *asked false when the message
// could not be delivered at all.
static HICON WindowIcon(WPARAM slot, bool *asked = NULL)
{
    DWORD_PTR icon = 0;
    const bool ok =
        SendMessageTimeoutA(g_clock.hwnd, WM_GETICON, slot, 0, SMTO_ABORTIFHUNG, 2000, &icon) != 0;
    if (asked)
        *asked = ok;
    return (HICON)icon;
}

// Wine answers WM_GETICON only inside the window's own process.
static const char kWineIcons[] =
    "WM_GETICON from another process fails under Wine (SendMessageTimeout gives 0, "
    "as for WM_QUERYDRAGICON), so the icon cannot be seen from outside here";

// The size of an icon's picture; 0 x 0 where it cannot be read.
static SIZE IconSize(HICON icon)
{
    SIZE size = { 0, 0 };
    ICONINFO ii;
    if (!icon || !GetIconInfo(icon, &ii))
        return size;
    BITMAP bm = {};
    GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
    size.cx = bm.bmWidth;
    size.cy = bm.bmHeight;
    DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    return size;
}

static bool SizeIs(SIZE size, int cxMetric, int cyMetric)
{
    return size.cx == GetSystemMetrics(cxMetric) && size.cy == GetSystemMetrics(cyMetric);
}

// Both slots hold the live icon: not the class's, renewed as the clock ticks,
// each at the system's size for its slot.
static Result IconSlots()
{
    Prepare("");
    bool asked = false;
    HICON small = WindowIcon(ICON_SMALL, &asked), big = WindowIcon(ICON_BIG);
    if (!asked && g_onWine)
        return Info("%s; the clock makes them at SM_CXSMICON %dx%d and SM_CXICON %dx%d", kWineIcons,
                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (!asked)
        return Fail("WM_GETICON was not answered (error %lu)", GetLastError());
    HICON classSmall = (HICON)GetClassLongPtrA(g_clock.hwnd, GCLP_HICONSM);
    HICON classBig = (HICON)GetClassLongPtrA(g_clock.hwnd, GCLP_HICON);
    // Measured before the clock renews them and lets these go.
    const SIZE smallSize = IconSize(small);
    const SIZE bigSize = IconSize(big);
    HICON later = small, laterBig = big;
    WaitUntil([&] {
        later = WindowIcon(ICON_SMALL), laterBig = WindowIcon(ICON_BIG);
        return later != small && laterBig != big;
    });
    const bool own = small && big && small != big && small != classSmall && small != classBig &&
                     big != classSmall && big != classBig;
    const bool sized =
        SizeIs(smallSize, SM_CXSMICON, SM_CYSMICON) && SizeIs(bigSize, SM_CXICON, SM_CYICON);
    return Judge(own && sized && later != small && laterBig != big,
                 "small %p, big %p, class icons %p and %p; later small %p, big %p; "
                 "the icons' bitmaps: small %ldx%ld (SM_CXSMICON %d), big %ldx%ld (SM_CXICON %d)",
                 (void *)small, (void *)big, (void *)classSmall, (void *)classBig, (void *)later,
                 (void *)laterBig, smallSize.cx, smallSize.cy, GetSystemMetrics(SM_CXSMICON),
                 bigSize.cx, bigSize.cy, GetSystemMetrics(SM_CXICON));
}

// The icon drawn at its own size over one colour; false where it cannot be
// drawn from this process.
static bool DrawIcon(HICON icon, int size, COLORREF under, std::vector<COLORREF> *out)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    RECT all = { 0, 0, size, size };
    HBRUSH brush = CreateSolidBrush(under);
    FillRect(mem, &all, brush);
    DeleteObject(brush);
    const bool drawn = icon && DrawIconEx(mem, 0, 0, icon, size, size, 0, NULL, DI_NORMAL);
    GdiFlush();
    out->clear();
    for (int i = 0; i < size * size; i++) {
        const DWORD p = ((DWORD *)bits)[i];
        out->push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bitmap);
    return drawn;
}

// Per channel, between an icon pixel and its part of the face: the
// reduction may sample one pixel or average a few.
static const int kIconTolerance = 8;

// What an icon picture is judged against: the face in a copy of the screen,
// reduced to picture x picture pixels.
struct IconJudge {
    const Shot *shot;
    RECT face;                // the client area, in the shot
    COLORREF keyed;           // what the shot shows where the face is keyed
    const COLORREF *behind;   // what lies behind the icon, one colour for each row
    int picture;              // the reduced face's size
    int stride;               // the drawn icon's width
};

// Pixels of an icon picture, drawn over the colours behind, that do not
// match the face reduced. Each is either opaque, within the colours of its
// part of the face with the key as black (averaged into its neighbours) but
// not black itself, or see-through, showing what lies behind, where its part
// holds the key. Given the same icon drawn over white, where the picture is
// black that must show the white.
static int IconMismatches(const IconJudge &judge, const std::vector<COLORREF> &drawn,
                          const std::vector<COLORREF> *overWhite)
{
    const RECT &face = judge.face;
    const int w = face.right - face.left;
    const int h = face.bottom - face.top;
    const int n = judge.picture;
    int wrong = 0;
    for (int j = 0; j < n; j++) {
        for (int i = 0; i < n; i++) {
            int lo[3] = { 255, 255, 255 };
            int hi[3] = { 0, 0, 0 };
            bool holdsKey = false;
            for (int y = std::max(0, j * h / n - 1); y < std::min(h, (j + 1) * h / n + 1); y++) {
                for (int x = std::max(0, i * w / n - 1); x < std::min(w, (i + 1) * w / n + 1);
                     x++) {
                    COLORREF s = ShotPixel(*judge.shot, face.left + x, face.top + y);
                    if (s == judge.keyed) {
                        s = RGB(0, 0, 0);
                        holdsKey = true;
                    }
                    const int ch[3] = { GetRValue(s), GetGValue(s), GetBValue(s) };
                    for (int k = 0; k < 3; k++) {
                        lo[k] = std::min(lo[k], ch[k]);
                        hi[k] = std::max(hi[k], ch[k]);
                    }
                }
            }
            const COLORREF d = drawn[j * judge.stride + i];
            const COLORREF behind = judge.behind[j];
            const int ch[3] = { GetRValue(d), GetGValue(d), GetBValue(d) };
            bool opaque = d != RGB(0, 0, 0) || behind == RGB(0, 0, 0);
            for (int k = 0; k < 3; k++)
                opaque =
                    opaque && ch[k] >= lo[k] - kIconTolerance && ch[k] <= hi[k] + kIconTolerance;
            bool ok = opaque || (holdsKey && Distance(d, behind) <= kIconTolerance);
            if (overWhite)
                ok = ok && Distance((*overWhite)[j * judge.stride + i],
                                    d == 0 ? RGB(255, 255, 255) : d) <= kIconTolerance;
            wrong += !ok;
        }
    }
    return wrong;
}

// Behind an icon drawn over black, as large as a large icon may be.
static const COLORREF kBlackRows[256] = {};

// The live icon's picture: the face reduced, see-through where it is keyed,
// and new when the face changes.
static Result IconPicture()
{
    Prepare("BGTransparent=1\r\nOpacy=255\r\n");
    bool asked = false;
    WindowIcon(ICON_SMALL, &asked);
    if (!asked && g_onWine)
        return Info("%s", kWineIcons);
    const COLORREF under = BackdropOnScreen();
    const RECT c = ClientOnScreen();
    const int size = GetSystemMetrics(SM_CXSMICON);
    const int bigSize = std::min(GetSystemMetrics(SM_CXICON), 256);
    std::vector<COLORREF> black, white, bigWhite;
    int wrong[2] = { -1, -1 };
    bool drawn = true;
    // The small icon holds the face at 16 x 16 in its corner; the large one
    // is the face reduced to the whole large-icon size.
    const WPARAM slots[2] = { ICON_SMALL, ICON_BIG };
    const int drawnSize[2] = { size, bigSize };
    const int pictureSize[2] = { 16, bigSize };
    // A tick between the copy of the screen and the icon may change the
    // minute hand: try again once.
    for (int attempt = 0; attempt < 2 && drawn && !(wrong[0] == 0 && wrong[1] == 0); attempt++) {
        Shot shot;
        if (!Capture(c, &shot))
            return Fail("could not copy the client area from the screen");
        for (int s = 0; s < 2 && drawn; s++) {
            HICON icon = WindowIcon(slots[s]);
            drawn = DrawIcon(icon, drawnSize[s], RGB(0, 0, 0), &black) &&
                    DrawIcon(icon, drawnSize[s], RGB(255, 255, 255), &white);
            const IconJudge judge = { &shot, c, under, kBlackRows, pictureSize[s], drawnSize[s] };
            if (drawn)
                wrong[s] = IconMismatches(judge, black, &white);
            if (s == 1)
                bigWhite = white;
        }
        FreeShot(&shot);
    }
    if (!drawn) {
        if (g_onWine)
            return Info("the icon cannot be drawn from another process here (DrawIconEx: error "
                        "%lu): Wine keeps an icon's bitmaps in the process that made it",
                        GetLastError());
        return Fail("the window's icon could not be drawn (DrawIconEx: error %lu)", GetLastError());
    }
    Shot icon = { { 0, 0, bigSize, bigSize }, NULL, NULL };
    std::vector<DWORD> raw;
    for (COLORREF p : bigWhite)
        raw.push_back((GetRValue(p) << 16) | (GetGValue(p) << 8) | GetBValue(p));
    icon.px = raw.data();
    SavePicture(icon, "6-big-icon-over-white-x8", 8);

    // Digital: the seconds change the face, and the icon with it. The first
    // picture is taken once the digital face shows, so that the switch
    // itself is not what changes it.
    Command(IDM_ANALOG);
    const bool digital = AwaitFace(false);
    std::vector<COLORREF> first, now;
    DrawIcon(WindowIcon(ICON_SMALL), size, RGB(0, 0, 0), &first);
    const DWORD since = GetTickCount();
    const bool changed = WaitUntil([&] {
        DrawIcon(WindowIcon(ICON_SMALL), size, RGB(0, 0, 0), &now);
        return now != first;
    });
    const DWORD ms = GetTickCount() - since;
    return Judge(wrong[0] == 0 && wrong[1] == 0 && digital && changed,
                 "drawn over black and white: %d of 256 pixels of the small icon (%dx%d) differ "
                 "from the client area reduced to 16x16, %d of %d of the big icon from it reduced "
                 "to %dx%d; %s; the picture changed %s%lu ms",
                 wrong[0], size, size, wrong[1], bigSize * bigSize, bigSize, bigSize,
                 digital ? "digital" : "the digital face never showed",
                 changed ? "after " : "never in ", ms);
}

// The small icon where the title bar draws it, copied from the screen with
// the face in the same copy, and its mismatches with the face reduced; the
// caption's own colour, row by row (a theme may shade it), lies behind the
// icon. Where *at.x < 0, the icon is first looked for in the title bar's
// left part, at its best match.
static int CaptionIcon(POINT *at, std::vector<COLORREF> *icon, COLORREF keyed, COLORREF *behind)
{
    RECT window;
    GetWindowRect(g_clock.hwnd, &window);
    const RECT bar = TitleBar(), face = ClientOnScreen();
    Shot shot;
    if (!Capture(window, &shot))
        return 256;
    *behind = CommonColor(shot, bar);
    std::vector<COLORREF> rows;
    for (int y = bar.top; y < bar.bottom; y++) {
        const RECT row = { bar.left, y, bar.right, y + 1 };
        rows.push_back(CommonColor(shot, row));
    }
    const POINT known = *at;
    int wrong = 256;
    for (int y = bar.top; y + 16 <= bar.bottom; y++) {
        for (int x = bar.left; x < bar.left + 48; x++) {
            if (known.x >= 0 && (x != known.x || y != known.y))
                continue;
            std::vector<COLORREF> seen;
            for (int j = 0; j < 16; j++)
                for (int i = 0; i < 16; i++)
                    seen.push_back(ShotPixel(shot, x + i, y + j));
            const IconJudge judge = { &shot, face, keyed, &rows[y - bar.top], 16, 16 };
            const int n = IconMismatches(judge, seen, NULL);
            if (n < wrong)
                wrong = n, *icon = seen, at->x = x, at->y = y;
        }
    }
    RECT left = { bar.left, bar.top, std::min(bar.right, bar.left + 64), bar.bottom };
    Shot part;
    if (Capture(left, &part)) {
        SavePicture(part, "6-caption-icon-x8", 8);
        FreeShot(&part);
    }
    FreeShot(&shot);
    return wrong;
}

// The icon the title bar shows, as it reaches the screen: the face reduced,
// new with each second in digital mode, and its black (the key) showing the
// caption. Seen from outside without WM_GETICON, which Wine refuses across
// processes.
static Result IconInCaption()
{
    const int small = GetSystemMetrics(SM_CXSMICON), scale = ScalePercent();
    if (small != 16 || scale != 100)
        return Info("the small icon is %dx%d at %d %% scale: the title bar's icon is judged only "
                    "at 16x16 and 100 %%, where the clock's 16x16 picture fills it unscaled",
                    small, GetSystemMetrics(SM_CYSMICON), scale);
    // Red on green: each pixel of an icon drawn with a wrong mask would mix
    // with the caption, and no stretch of plain caption looks like the face.
    char text[128];
    snprintf(text, sizeof text, "Analog=0\r\nOpacy=255\r\nColFG=%d\r\nColBG=%d\r\n",
             (int)RGB(200, 30, 30), (int)kGreen);
    Prepare(text);
    const COLORREF under = BackdropOnScreen();
    POINT at = { -1, -1 };
    bool found = false;
    std::vector<COLORREF> icon, first;
    COLORREF behind = CLR_INVALID;
    // Frames caught between a new face and its icon, or by a tick between
    // the titles before and after them, are passed over. The face is solid
    // here: nothing of it counts as the key, so nothing but the icon can
    // match it, and a frame that matches places the icon even across a
    // tick (on a loaded machine the first search, over the whole left of
    // the title bar, may take longer than a second). A change counts when
    // the title's time has moved on too: just after loading, a few pixels
    // of the face settle within a second.
    char firstTitle[64] = "", before[64], after[64];
    int frames = 0, matched = 0, least = 256;
    const DWORD since = GetTickCount();
    // Two matching frames a tick apart: twice the usual bound.
    const bool changed = WaitUntil(
        [&] {
            if (!found)
                at.x = -1;
            GetWindowTextA(g_clock.hwnd, before, sizeof before);
            const int wrong = CaptionIcon(&at, &icon, CLR_INVALID, &behind);
            GetWindowTextA(g_clock.hwnd, after, sizeof after);
            frames++, least = std::min(least, wrong);
            found = found || wrong == 0;
            if (wrong || strcmp(before, after) != 0)
                return false;
            matched++;
            if (first.empty()) {
                first = icon, strcpy(firstTitle, after);
                return false;
            }
            return icon != first && strcmp(after, firstTitle) != 0;
        },
        2 * kWaitMs);
    const DWORD ms = GetTickCount() - since;
    // The background keyed: its black must show the caption once the icon
    // of the keyed face has reached it. (Where the icon was not found, a
    // plain stretch of caption would match a keyed face.)
    ToggleBackground(true);
    int keyedWrong = -1;
    if (found)
        WaitUntil([&] { return (keyedWrong = CaptionIcon(&at, &icon, under, &behind)) == 0; });
    char where[48] = "not found", keyed[64] = "not looked at";
    if (found) {
        const RECT bar = TitleBar();
        snprintf(where, sizeof where, "found at %+ld,%+ld", at.x - bar.left, at.y - bar.top);
        snprintf(keyed, sizeof keyed, "%d of 256 pixels differ", keyedWrong);
    }
    return Judge(changed && keyedWrong == 0,
                 "icon %s in the title bar, caption %s; %d of %d frames matched the face reduced "
                 "(fewest pixels differing %d), the matching picture changed %s%lu ms; with the "
                 "background keyed: %s",
                 where, Rgb(behind), matched, frames, least, changed ? "after " : "never in ", ms,
                 keyed);
}

// ---- The common controls and the slider ----

// The file version of a DLL, "a.b.c.d", or "unknown".
static void FileVersion(const char *path, char *out, int size)
{
    snprintf(out, size, "unknown");
    DWORD ignored = 0;
    const DWORD bytes = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> data(bytes ? bytes : 1);
    VS_FIXEDFILEINFO *info = NULL;
    UINT length = 0;
    if (bytes && GetFileVersionInfoA(path, 0, bytes, data.data()) &&
        VerQueryValueA(data.data(), "\\", (void **)&info, &length) && info)
        snprintf(out, size, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS),
                 LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
                 LOWORD(info->dwFileVersionLS));
}

// The manifest at work: the clock's process has version 6 of comctl32, which
// Windows (and Wine) load from the side-by-side store (WinSxS) for a program
// that asks for it, never from the system folder.
static Result CommonControls6()
{
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (!EnumProcessModulesEx(g_clock.process, modules, sizeof modules, &bytes, LIST_MODULES_ALL))
        return Fail("the clock's modules could not be listed (EnumProcessModulesEx: error %lu)",
                    GetLastError());
    const DWORD count = std::min<DWORD>(bytes / sizeof(HMODULE), 1024);
    char seen[600] = "";
    bool fromSxs = false;
    for (DWORD i = 0; i < count; i++) {
        char path[MAX_PATH] = "";
        GetModuleFileNameExA(g_clock.process, modules[i], path, sizeof path);
        const char *name = strrchr(path, '\\');
        if (!name || _stricmp(name + 1, "comctl32.dll") != 0)
            continue;
        char version[48];
        FileVersion(path, version, sizeof version);
        char lower[MAX_PATH];
        snprintf(lower, sizeof lower, "%s", path);
        CharLowerA(lower);
        // The store's folder names the assembly's version; the file's own
        // version is 6.x on Windows, while Wine's copy there reads 5.81.
        const bool assembly6 =
            strstr(lower, "\\winsxs\\") &&
            strstr(lower, "_microsoft.windows.common-controls_6595b64144ccf1df_6.");
        fromSxs = fromSxs || (assembly6 && (g_onWine || strncmp(version, "6.", 2) == 0));
        const size_t used = strlen(seen);
        snprintf(seen + used, sizeof seen - used, "%s%s (version %s)", used ? "; " : "", path,
                 version);
    }
    return Judge(fromSxs, "comctl32 in the clock's process (of %lu modules): %s%s", count,
                 seen[0] ? seen : "none",
                 g_onWine ? "; under Wine the assembly's folder is judged, not the file's version"
                          : "");
}

// The opacity slider, opened from "Opacy" under the pointer as a user opens
// it: the clock's trackbar, centred on the pointer, over the alpha's range at
// the alpha. Its picture is for a person to judge its look (the system's
// visual style, or Windows 2000's grey channel and square thumb). Resting
// on it and leaving it closes it.
static Result OpacitySlider()
{
    Prepare("");
    const RECT c = ClientOnScreen();
    const POINT at = { (c.left + c.right) / 2, (c.top + c.bottom) / 2 };
    MovePointer(at.x, at.y);
    Command(IDM_OPACITY);
    HWND slider = NULL;
    WaitUntil([&] { return (slider = FindClockWindow("msctls_trackbar32", NULL)) != NULL; });
    if (!slider)
        return Fail("\"Opacy\" opened no slider within %lu s", kWaitMs / 1000);
    RECT rc;
    GetWindowRect(slider, &rc);
    DWORD_PTR lo = 0, hi = 0, pos = 0;
    SendMessageTimeoutA(slider, TBM_GETRANGEMIN, 0, 0, SMTO_ABORTIFHUNG, 2000, &lo);
    SendMessageTimeoutA(slider, TBM_GETRANGEMAX, 0, 0, SMTO_ABORTIFHUNG, 2000, &hi);
    SendMessageTimeoutA(slider, TBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &pos);
    const bool placed = rc.left == at.x - 100 && rc.top == at.y - 15 && rc.right - rc.left == 200 &&
                        rc.bottom - rc.top == 30;
    Shot shot;
    if (Capture(Inflated(rc, 8), &shot)) {
        SavePicture(shot, "6-opacity-slider-x2", 2);
        FreeShot(&shot);
    }
    // Rest on it (the rest is the user's part: twice the hover time), then
    // leave it for the backdrop beside the clock.
    MovePointer(at.x + 1, at.y);
    Sleep(800);
    MovePointer(g_backdropRect.right - 20, g_backdropRect.top + 20);
    const bool closed = WaitUntil([slider] { return !IsWindow(slider); });
    if (!closed)
        PostMessageA(slider, WM_CLOSE, 0, 0);
    return Judge(placed && lo == 20 && hi == 235 && pos == 200 && closed,
                 "a trackbar at %ld,%ld %ldx%ld for the pointer at %ld,%ld; range %lu to %lu, "
                 "position %lu at alpha 200; %s after the pointer rested on it and left",
                 rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, at.x, at.y,
                 (unsigned long)lo, (unsigned long)hi, (unsigned long)pos,
                 closed ? "closed" : "still open after the wait");
}

// Measures alpha and key once: the background is the blend of the green at
// alpha 200; with the background transparent it is the backdrop itself.
static bool AlphaAndKeyHold(COLORREF under, char *out, int size)
{
    const POINT bg = BackgroundPoint();
    const COLORREF want = Blend(kGreen, under, 200);
    const COLORREF blended = AwaitPixel(bg, want, kTolerance);
    ToggleBackground(true);
    const COLORREF keyed = ScreenPixel(bg);
    char how[200];
    const bool through = ReachesBackdrop(bg, how, sizeof how);
    ToggleBackground(false);
    snprintf(out, size, "background %s (expected %s), transparent %s, %s", Rgb(blended), Rgb(want),
             Rgb(keyed), how);
    return Distance(blended, want) <= kTolerance && keyed == under && through;
}

// As Windows 11's snap does: the clock resized and moved while another
// window is active; then minimised and restored, also while inactive.
static Result SnapWhileInactive()
{
    char text[128];
    snprintf(text, sizeof text, "ColBG=%d\r\n", (int)kGreen);
    Prepare(text);
    const COLORREF under = BackdropOnScreen();
    ActivateOtherWindow();
    char active[96];
    snprintf(active, sizeof active, "%s", WindowName(GetForegroundWindow()));
    SetWindowPos(g_clock.hwnd, NULL, 300, 60, 260, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    AwaitPixel(BackgroundPoint(), Blend(kGreen, under, 200), kTolerance);
    Picture("7-snapped");
    RECT moved;
    GetWindowRect(g_clock.hwnd, &moved);
    char afterMove[400], afterRestore[400];
    const bool moveOk = AlphaAndKeyHold(under, afterMove, sizeof afterMove);
    ShowWindow(g_clock.hwnd, SW_SHOWMINNOACTIVE);
    const bool minimised = WaitUntil([] { return IsIconic(g_clock.hwnd) != 0; });
    ShowWindow(g_clock.hwnd, SW_SHOWNOACTIVATE);
    WaitUntil([] { return !IsIconic(g_clock.hwnd); });
    const bool restoreOk = AlphaAndKeyHold(under, afterRestore, sizeof afterRestore);
    return Judge(
        moveOk && minimised && restoreOk,
        "active: %s; moved and sized to %ld,%ld %ldx%ld: %s; minimised %d, then restored: %s, "
        "alpha %u",
        active, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top,
        afterMove, minimised, afterRestore, ClockAlpha());
}

// "Save settings" writes the ten keys with the values the clock shows: a
// loaded state, then changed from outside (face, background, place).
static Result SettingsSave()
{
    char text[512], before[2048], saved[2048], value[64];
    snprintf(text, sizeof text,
             "Comment=kept by the save\r\nAnalog=0\r\nBGTransparent=1\r\nOpacy=180\r\nColFG=%d\r\n"
             "ColBG=%d\r\nLeft=50\r\nTop=60\r\nRight=260\r\nBottom=280\r\n",
             (int)RGB(200, 30, 30), (int)kGreen);
    Prepare(text);
    Picture("8-digital-transparent");
    Command(IDM_ANALOG);
    Command(IDM_BGTRANSPARENT);
    SetWindowPos(g_clock.hwnd, NULL, 70, 50, 200, 210, SWP_NOZORDER | SWP_NOACTIVATE);
    ReadText(g_clock.ini, before, sizeof before);
    Command(IDM_SAVE_SETTINGS);
    if (!WaitForNewSettings(before, saved, sizeof saved))
        return Fail("Lumivane.ini did not change within %lu s of \"Save settings\"",
                    kWaitMs / 1000);
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(g_clock.hwnd, &wp);
    const RECT &r = wp.rcNormalPosition;
    struct Expected {
        const char *key;
        long value;
    } expected[] = {
        { "Analog", 1 },
        { "OnTop", (ClockExStyle() & WS_EX_TOPMOST) != 0 },
        { "BGTransparent", 0 },
        { "Opacy", ClockAlpha() },
        { "ColFG", (long)RGB(200, 30, 30) },
        { "ColBG", (long)kGreen },
        { "Left", r.left },
        { "Top", r.top },
        { "Right", r.right },
        { "Bottom", r.bottom },
    };
    char seen[600] = "";
    int wrong = 0;
    for (const Expected &e : expected) {
        const char *v = SettingValue(saved, e.key, value, sizeof value);
        const bool ok = v && atol(v) == e.value;
        wrong += !ok;
        snprintf(seen + strlen(seen), sizeof seen - strlen(seen), "%s%s=%s", seen[0] ? " " : "",
                 e.key, v ? v : "(missing)");
        if (!ok)
            snprintf(seen + strlen(seen), sizeof seen - strlen(seen), "(clock: %ld)", e.value);
    }
    const bool kept = strstr(saved, "Comment=kept by the save") != NULL;
    return Judge(wrong == 0 && kept && r.left == 70 && r.top == 50 && ClockAlpha() == 180,
                 "%d of 10 keys differ from the clock: %s; the other line %s; the clock's alpha "
                 "%u (file: 180), at %ld,%ld (moved to 70,50)",
                 wrong, seen, kept ? "kept" : "lost", ClockAlpha(), r.left, r.top);
}

// Moves the clock a little, so that the next save writes new text.
static void ChangeSomething(char *before, int size)
{
    static int step;
    ReadText(g_clock.ini, before, size);
    SetWindowPos(g_clock.hwnd, NULL, 60 + 10 * (++step % 4), 60, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static Result SettingsHidden()
{
    char before[2048], after[2048];
    SetFileAttributesA(g_clock.ini, FILE_ATTRIBUTE_HIDDEN);
    ChangeSomething(before, sizeof before);
    Command(IDM_SAVE_SETTINGS);
    const bool saved = WaitForNewSettings(before, after, sizeof after);
    const DWORD attributes = GetFileAttributesA(g_clock.ini);
    SetFileAttributesA(g_clock.ini, FILE_ATTRIBUTE_NORMAL);
    return Judge(
        saved && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN),
        "saved %s; attributes after the save %#lx (hidden %d)", saved ? "yes" : "no", attributes,
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN));
}

// A reader holding the file for a moment, as an editor or a virus scanner
// may: the save waits for it, without an error box.
static Result SettingsHeldOpen()
{
    char before[2048], after[2048];
    ChangeSomething(before, sizeof before);
    HANDLE held =
        CreateFileA(g_clock.ini, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    const DWORD openError = GetLastError();
    PostMessageA(g_clock.hwnd, WM_SYSCOMMAND, IDM_SAVE_SETTINGS, 0);
    // Held on for 300 ms once the save has written its temporary file and
    // so comes to replace the held one.
    char tmp[MAX_PATH];
    snprintf(tmp, sizeof tmp, "%s.tmp", g_clock.ini);
    const bool begun =
        WaitUntil([&tmp] { return GetFileAttributesA(tmp) != INVALID_FILE_ATTRIBUTES; });
    Sleep(300);
    // Still unchanged while held: the replace has to wait.
    char during[2048];
    ReadText(g_clock.ini, during, sizeof during);
    const bool waited = strcmp(during, before) == 0;
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    const bool saved = WaitForNewSettings(before, after, sizeof after);
    // A box would be up before the clock takes messages again.
    AwaitClockIdle();
    HWND box = FindClockWindow("#32770", NULL);
    if (box)
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (held == INVALID_HANDLE_VALUE)
        return Fail("could not open Lumivane.ini to hold it (error %lu)", openError);
    return Judge(begun && saved && !box,
                 "held for 300 ms %s (unchanged meanwhile: %s); saved after the release: %s; "
                 "error box: %s",
                 begun ? "after the save began" : "(no temporary file appeared)",
                 waited ? "yes" : "no", saved ? "yes" : "no", box ? "shown" : "none");
}

static BOOL CALLBACK CollectText(HWND child, LPARAM lParam)
{
    char *all = (char *)lParam, text[256] = "";
    // WM_GETTEXT is copied across processes; GetWindowText would not ask.
    DWORD_PTR n = 0;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 1000, &n);
    if (text[0] && strlen(all) + strlen(text) + 4 < 512)
        snprintf(all + strlen(all), 512 - strlen(all), "%s\"%s\"", all[0] ? " " : "", text);
    return TRUE;
}

// A read-only file: left as it was, and the clock says so in a box.
static Result SettingsReadOnly()
{
    char before[2048], after[2048];
    SetFileAttributesA(g_clock.ini, FILE_ATTRIBUTE_READONLY);
    ChangeSomething(before, sizeof before);
    PostMessageA(g_clock.hwnd, WM_SYSCOMMAND, IDM_SAVE_SETTINGS, 0);
    HWND box = NULL;
    WaitUntil([&box] { return (box = FindClockWindow("#32770", NULL)) != NULL; });
    char title[64] = "", texts[512] = "";
    bool closed = false;
    if (box) {
        GetWindowTextA(box, title, sizeof title);
        EnumChildWindows(box, CollectText, (LPARAM)texts);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        closed = WaitUntil([box] { return !IsWindow(box); });
    }
    ReadText(g_clock.ini, after, sizeof after);
    const DWORD attributes = GetFileAttributesA(g_clock.ini);
    SetFileAttributesA(g_clock.ini, FILE_ATTRIBUTE_NORMAL);
    const bool unchanged = strcmp(before, after) == 0;
    return Judge(box && strstr(texts, "Could not save Settings") && closed && unchanged &&
                     (attributes & FILE_ATTRIBUTE_READONLY),
                 "box %s \"%s\" saying %s, %s; the file %s, read-only %d",
                 box ? "shown:" : "not shown", title, texts[0] ? texts : "nothing",
                 closed ? "closed by OK" : "still open", unchanged ? "unchanged" : "changed",
                 (attributes & FILE_ATTRIBUTE_READONLY) != 0);
}

// What "Save settings" writes for the key now. The file is removed first:
// a save may write the same text back, and its arrival is what is waited for.
static const char *SavedValue(const char *key, char *value, int size)
{
    char saved[2048];
    value[0] = 0;
    DeleteFileA(g_clock.ini);
    Command(IDM_SAVE_SETTINGS);
    WaitForNewSettings("", saved, sizeof saved);
    SettingValue(saved, key, value, size);
    return value;
}

// "Load settings" applies a file written here: place, colours, modes, each
// unlike the state before. Place, alpha, topmost and background are seen
// from outside; the face mode and the foreground colour are what the clock
// saves next.
static Result SettingsLoad()
{
    const COLORREF blue = RGB(30, 60, 200), yellow = RGB(250, 250, 0);
    char text[512], analog[16], foreground[16], value[16];
    Prepare("");
    // Analog before, by the menu command: the file then asks for digital.
    if (strcmp(SavedValue("Analog", analog, sizeof analog), "1") != 0)
        Command(IDM_ANALOG);
    snprintf(text, sizeof text,
             "Analog=0\r\nOnTop=1\r\nBGTransparent=0\r\nOpacy=230\r\nColFG=%d\r\nColBG=%d\r\n"
             "Left=70\r\nTop=80\r\nRight=330\r\nBottom=320\r\n",
             (int)yellow, (int)blue);
    Load(text);
    Picture("9-loaded");
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(g_clock.hwnd, &wp);
    const RECT &r = wp.rcNormalPosition;
    const COLORREF under = BackdropOnScreen();
    const COLORREF want = Blend(blue, under, 230);
    const COLORREF seen = AwaitPixel(BackgroundPoint(), want, kTolerance);
    const bool topmost = (ClockExStyle() & WS_EX_TOPMOST) != 0;
    const BYTE alpha = ClockAlpha();
    SavedValue("Analog", analog, sizeof analog);
    SettingValue(text, "ColFG", value, sizeof value);
    SavedValue("ColFG", foreground, sizeof foreground);
    Prepare("");   // not on top any more
    return Judge(
        r.left == 70 && r.top == 80 && r.right == 330 && r.bottom == 320 && topmost &&
            alpha == 230 && Distance(seen, want) <= kTolerance && !strcmp(analog, "0") &&
            !strcmp(foreground, value),
        "placed at %ld,%ld,%ld,%ld (file: 70,80,330,320), topmost %d, alpha %u; the background "
        "reads %s, expected %s over the backdrop %s; saved next: Analog=%s ColFG=%s (file: 0 and "
        "%s)",
        r.left, r.top, r.right, r.bottom, topmost, alpha, Rgb(seen), Rgb(want), Rgb(under), analog,
        foreground, value);
}

// ---- Resources ----

struct Resources {
    DWORD gdi, user;
    int census;   // Wine only: GDI objects (DCs aside) in the clock's handle table; -1 where not
                  // counted
};
static Resources s_start;

// Wine's GetGuiResources counts nothing; its GDI handle table, which the
// PEB points to, does: an entry whose type byte is not 0 is a live object.
// Wine lays it out alike in both bitnesses: 24-byte entries, the type at
// byte 14. Read from the clock's memory where both programs have the same
// bitness: directly, or, where both run under WoW64 (Wine 10 runs 32-bit
// programs so), from the 64-bit side, which holds the table, through
// ntdll's calls for it.
static bool ReadGdiTable(std::vector<BYTE> *entries)
{
    BOOL wowSelf = FALSE, wowClock = FALSE;
    IsWow64Process(GetCurrentProcess(), &wowSelf);
    IsWow64Process(g_clock.process, &wowClock);
    HMODULE ntdll = GetModuleHandleA("ntdll");
    if (wowSelf != wowClock)
        return false;
    if (wowSelf) {
        typedef LONG(WINAPI * Query64Proc)(HANDLE, int, void *, ULONG, ULONG *);
        typedef LONG(WINAPI * Read64Proc)(HANDLE, ULONG64, void *, ULONG64, ULONG64 *);
        struct BasicInformation64 {
            LONG exitStatus;
            ULONG pad;
            ULONG64 peb;
            ULONG64 rest[4];
        } info = {};
        Query64Proc query =
            (Query64Proc)(void (*)(void))GetProcAddress(ntdll, "NtWow64QueryInformationProcess64");
        Read64Proc read =
            (Read64Proc)(void (*)(void))GetProcAddress(ntdll, "NtWow64ReadVirtualMemory64");
        ULONG64 table = 0;
        return query && read && query(g_clock.process, 0, &info, sizeof info, NULL) == 0 &&
               read(g_clock.process, info.peb + 0xF8, &table, sizeof table, NULL) == 0 && table &&
               read(g_clock.process, table, entries->data(), entries->size(), NULL) == 0;
    }
    typedef LONG(WINAPI * QueryProc)(HANDLE, int, void *, ULONG, ULONG *);
    struct BasicInformation {
        LONG_PTR exitStatus;
        BYTE *peb;
        ULONG_PTR rest[4];
    } info = {};
    QueryProc query = (QueryProc)(void (*)(void))GetProcAddress(ntdll, "NtQueryInformationProcess");
    if (!query || query(g_clock.process, 0, &info, sizeof info, NULL) != 0)
        return false;
#ifdef _WIN64
    const int pebOffset = 0xF8;
#else
    const int pebOffset = 0x94;
#endif
    BYTE *table = NULL;
    return ReadProcessMemory(g_clock.process, info.peb + pebOffset, &table, sizeof table, NULL) &&
           table &&
           ReadProcessMemory(g_clock.process, table, entries->data(), entries->size(), NULL);
}

// DCs are left out: Wine's window manager caches them as windows come and
// go (the error box, new window sizes), which is not the clock's doing.
static int GdiCensus()
{
    const int entrySize = 24, typeOffset = 14;
    std::vector<BYTE> entries(0x10000 * entrySize);
    if (!g_onWine || !ReadGdiTable(&entries))
        return -1;
    int live = 0;
    for (int i = 0; i < 0x10000; i++) {
        const BYTE type = entries[i * entrySize + typeOffset];
        live += type != 0 && type != 0x01;   // 0x01: a DC
    }
    return live;
}

static Resources CountResources()
{
    Resources r = { GetGuiResources(g_clock.process, GR_GDIOBJECTS),
                    GetGuiResources(g_clock.process, GR_USEROBJECTS), -1 };
    if (r.gdi == 0 && r.user == 0)
        r.census = GdiCensus();
    return r;
}

static void Widen(Resources *low, Resources *high, const Resources &r)
{
    low->gdi = std::min(low->gdi, r.gdi), high->gdi = std::max(high->gdi, r.gdi);
    low->user = std::min(low->user, r.user), high->user = std::max(high->user, r.user);
    low->census = std::min(low->census, r.census), high->census = std::max(high->census, r.census);
}

// A repaint pass holds a few objects for a moment: the least of a few
// quick counts is the count between passes, which a leak raises and a pass
// caught in the middle does not.
static Resources RestingResources()
{
    Resources least = CountResources(), most = least;
    for (int i = 0; i < 5; i++) {
        Sleep(40);
        Widen(&least, &most, CountResources());
    }
    return least;
}

void NoteStartingResources()
{
    s_start = RestingResources();
}

// While the digital face repaints whole every second (a new icon each
// pass), the GDI and USER counts stay flat: 3 s in the quick run, a minute
// otherwise. The counts at the run's start are shown beside them; between
// the two the clock has opened a box and changed size, after which Wine
// keeps more cached DCs with their regions. CPU and memory are reported.
static Result ResourcesFlat()
{
    // Counted from the second digital pass on: the first makes what the
    // digital face keeps.
    Prepare("Analog=0\r\n");
    AwaitTick();
    const Resources begin = RestingResources();
    Resources low = begin, high = begin;
    const int samples = g_quick ? 3 : 12;
    for (int i = 0; i < samples; i++) {
        Sleep(g_quick ? 1000 : 5000);
        Widen(&low, &high, CountResources());
    }
    const Resources end = RestingResources();
    FILETIME created, exited, kernel, user;
    GetProcessTimes(g_clock.process, &created, &exited, &kernel, &user);
    const double cpu = ((ULONGLONG)kernel.dwHighDateTime << 32 | kernel.dwLowDateTime) / 1e7 +
                       ((ULONGLONG)user.dwHighDateTime << 32 | user.dwLowDateTime) / 1e7;
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(g_clock.process, &pmc, sizeof pmc);
    char usage[100];
    snprintf(usage, sizeof usage, "CPU %.2f s; working set %lu KB, peak %lu KB", cpu,
             (unsigned long)(pmc.WorkingSetSize / 1024),
             (unsigned long)(pmc.PeakWorkingSetSize / 1024));
    const int watched = samples * (g_quick ? 1 : 5);
    // Counted between passes: a leak grows, the passes' own objects are gone.
    const DWORD slack = 4;
    if (begin.gdi || begin.user || end.gdi || end.user)
        return Judge(
            end.gdi <= begin.gdi + slack && end.user <= begin.user + slack,
            "over %d s, between passes: GDI objects %lu, then %lu (%lu to %lu between), USER "
            "objects %lu, then %lu (%lu to %lu); at the run's start %lu and %lu; %s",
            watched, begin.gdi, end.gdi, low.gdi, high.gdi, begin.user, end.user, low.user,
            high.user, s_start.gdi, s_start.user, usage);
    if (begin.census >= 0 && end.census >= 0)
        return Judge(end.census <= begin.census + (int)slack,
                     "GetGuiResources counts nothing here (Wine); GDI objects other than DCs, "
                     "counted in the clock's handle table over %d s between passes: %d, then %d "
                     "(%d to %d between); at the run's start %d; USER objects not counted; %s",
                     watched, begin.census, end.census, low.census, high.census, s_start.census,
                     usage);
    return Info("GetGuiResources counts nothing here%s, and the handle table cannot be read; %s",
                g_onWine ? " (Wine does not count GDI or USER objects)" : "", usage);
}

const Check kChecks[] = {
    { "alpha-start", AlphaAtStart },
    { "caption-not-keyed", CaptionNotKeyed },
    { "caption-hit-test", CaptionHitTest },
    { "caption-click-activates", CaptionClickActivates },
    { "background-key", BackgroundKey },
    { "alpha-load", AlphaLoaded },
    { "ontop-click-through", OnTopClickThrough },
    { "icon-slots", IconSlots },
    { "icon-picture", IconPicture },
    { "icon-in-caption", IconInCaption },
    { "common-controls-6", CommonControls6 },
    { "opacity-slider", OpacitySlider },
    { "snap-while-inactive", SnapWhileInactive },
    { "settings-save", SettingsSave },
    { "settings-hidden", SettingsHidden },
    { "settings-held-open", SettingsHeldOpen },
    { "settings-read-only", SettingsReadOnly },
    { "settings-load", SettingsLoad },
    { "resources", ResourcesFlat },
};
const int kCheckCount = sizeof kChecks / sizeof kChecks[0];
