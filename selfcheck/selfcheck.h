// The self-check: a console program that starts the real clock in a folder of
// its own and checks it from outside, as a user would drive it, on whatever
// machine it runs on. It links nothing of the clock.
#pragma once

#include <windows.h>

// ---- The report (main.cpp) ----

enum Verdict { VERDICT_PASS, VERDICT_FAIL, VERDICT_INFO };

// What one check found: its verdict and the values it saw.
struct Result {
    Verdict verdict;
    char text[700];
};

Result Pass(const char *format, ...);
Result Fail(const char *format, ...);
// Where the platform cannot answer: the text says why.
Result Info(const char *format, ...);
Result Judge(bool ok, const char *format, ...);

// One line to the console and to selfcheck-report.txt.
void Report(const char *format, ...);

// Every wait for a state the checks judge: ample on a loaded machine, and
// waited in full only where the state never comes (the check then fails).
const DWORD kWaitMs = 5000;

// Calls done() until it gives true (then true) or ms have passed (false).
template <class Test> bool WaitUntil(Test done, DWORD ms = kWaitMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(50);
    }
    return true;
}

extern bool g_quick;
// Wine's ntdll exports wine_get_version; the known differences are named
// in the lines they touch.
extern bool g_onWine;

// ---- The checks (checks.cpp) ----

struct Check {
    const char *name;
    Result (*run)();
};
// The table of checks, in the order they run.
extern const Check kChecks[];
extern const int kCheckCount;
// Samples the clock's resources once it is up, for the resource check.
void NoteStartingResources();

// ---- The clock, driven from outside (clock.cpp) ----

struct Clock {
    HANDLE process;
    DWORD pid;
    HWND hwnd;
    char folder[MAX_PATH];   // its working folder, made and removed by us
    char ini[MAX_PATH];      // Lumivane.ini in that folder
};
extern Clock g_clock;

// Menu identifiers of the clock's system menu. Copied rather than included:
// app/menu.h brings the clock's own declarations, and the self-check must
// stand apart from its code; these numbers are what a user's click sends.
enum {
    IDM_ANALOG = 1000,
    IDM_ONTOP = 1001,
    IDM_BGTRANSPARENT = 1002,
    IDM_OPACITY = 1003,
    IDM_LOAD_SETTINGS = 1200,
    IDM_SAVE_SETTINGS = 1210,
};

// Starts the clock in a fresh temporary folder holding the settings text
// (may be empty) and waits for its window to show the time.
bool StartClock(const char *exe, const char *settings);
// Closes the clock (killing it if it does not end) and removes its folder.
void StopClock();
// Posts a system-menu command, as choosing the item does; the caller waits
// for what the command changes.
void Command(WPARAM id);
// Writes Lumivane.ini in the clock's folder.
bool WriteSettings(const char *text);
// Writes the text as Lumivane.ini, chooses "Load settings" and waits until
// the clock shows what the text asks: its place, alpha and topmost state,
// and its background on the screen. False if it did not within kWaitMs.
bool Load(const char *text);
// Loads the overriding lines followed by a known state (analog, alpha 200,
// default colours, the clock at 40,40 186 x 194). The first of two equal
// keys counts, so the overrides win.
bool Prepare(const char *overrides);
// Chooses "Background transparent" and waits for the background to show
// the backdrop (keyed) or the clock's own colour; false if it did not.
bool ToggleBackground(bool keyed);
// Waits for the face on the screen to be the analog one (its 12 and dots in
// the upper fifth of the client area) or the digital one (nothing there).
bool AwaitFace(bool analog);
// Waits for the title to show a new second: one more repaint pass.
bool AwaitTick();
// Waits until the clock's thread takes messages again: it has finished what
// it was doing, or it shows a modal box.
bool AwaitClockIdle();
bool ReadText(const char *path, char *text, int size);
// Waits for Lumivane.ini to differ from before; false if it did not.
bool WaitForNewSettings(const char *before, char *after, int size);
// A top-level window of the clock's process with this class (and title, if
// given), or null.
HWND FindClockWindow(const char *className, const char *title);
// The clock's client area in screen coordinates.
RECT ClientOnScreen();
// A pixel of the client area's background, away from the face.
POINT BackgroundPoint();
BYTE ClockAlpha();
LONG ClockExStyle();
// A value of "Key=Value" text, or null (the first match counts).
const char *SettingValue(const char *text, const char *key, char *value, int size);

// ---- The screen (screen.cpp) ----

// A part of the screen, copied with BitBlt from the screen's DC.
struct Shot {
    RECT rc;
    DWORD *px;   // 0x00RRGGBB, top row first
    HBITMAP bitmap;
};
bool Capture(const RECT &rc, Shot *shot);
void FreeShot(Shot *shot);
// The pixel at a screen position inside the shot.
COLORREF ShotPixel(const Shot &shot, int x, int y);
// One pixel of the screen, or CLR_INVALID.
COLORREF ScreenPixel(POINT pt);
// Per channel, between a blend we compute and the one the screen shows.
const int kTolerance = 4;
// The screen follows a change a moment later (the compositor draws after
// the clock): waits up to kWaitMs for the pixel to come within tolerance
// of want, and gives the last colour read.
COLORREF AwaitPixel(POINT pt, COLORREF want, int tolerance);
// selfcheck-pictures\NAME.bmp, each pixel scale x scale.
void SavePicture(const Shot &shot, const char *name, int scale);
// Counts the shot's pixels exactly equal to color.
int CountColor(const Shot &shot, COLORREF color);

// The window of ours beneath the clock, one colour, counting the clicks
// that reach it. Made before the clock starts, so it lies below it.
bool StartBackdrop(const RECT &rc, COLORREF color);
void StopBackdrop();
extern HWND g_backdrop;
extern RECT g_backdropRect;
// A window of ours that can be active, apart from the clock: clicked by
// ActivateOtherWindow, it takes the activation away from the clock without
// covering it. (The backdrop itself never becomes active: activation would
// raise it above the clock.)
extern HWND g_other;
RECT OtherWindowRect();
void ActivateOtherWindow();
LONG BackdropClicks();
POINT BackdropLastClick();
// The backdrop's colour as the screen shows it, read beside the clock.
COLORREF BackdropOnScreen();

// The display's scale in per cent. Like the clock, this program declares no
// DPI awareness: on a scaled display both see the same virtual pixels, and
// the ratio of physical to virtual pixels across shows the scale.
int ScalePercent(int *physical = NULL, int *logical = NULL);

// A real pointer move, and a real left click, through SendInput; both wait
// for the pointer to be there.
bool MovePointer(int x, int y);
void Click(int x, int y);

COLORREF Blend(COLORREF top, COLORREF under, int alpha);
// The largest difference of the three channels.
int Distance(COLORREF a, COLORREF b);
// "R,G,B" in a static buffer (one of four, so a line can show several).
const char *Rgb(COLORREF color);
