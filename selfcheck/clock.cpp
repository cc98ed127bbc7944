// The clock as the self-check sees it: a process started in a temporary
// folder, a window found by its class and process, commands posted as the
// system menu sends them, and the settings file in that folder.
#include "selfcheck/selfcheck.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

Clock g_clock;

struct FindState {
    DWORD pid;
    const char *className;
    const char *title;
    HWND found;
};

static BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM lParam)
{
    FindState *state = (FindState *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "", title[128] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if (pid == state->pid && IsWindowVisible(hwnd) && !strcmp(cls, state->className) &&
        (!state->title || !strcmp(title, state->title))) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindClockWindow(const char *className, const char *title)
{
    FindState state = { g_clock.pid, className, title, NULL };
    EnumWindows(FindWindowOfProcess, (LPARAM)&state);
    return state.found;
}

// The window shows the time in its title once it has ticked: "12:34:56".
static bool ShowsTime(HWND hwnd)
{
    char title[64] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    return strlen(title) == 8 && title[2] == ':' && title[5] == ':';
}

bool StartClock(const char *exe, const char *settings)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(g_clock.folder, sizeof g_clock.folder, "%slumivane-selfcheck-%lu", temp,
             GetCurrentProcessId());
    snprintf(g_clock.ini, sizeof g_clock.ini, "%s\\Lumivane.ini", g_clock.folder);
    if (!CreateDirectoryA(g_clock.folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (settings[0] && !WriteSettings(settings))
        return false;

    char cmd[MAX_PATH + 4];
    snprintf(cmd, sizeof cmd, "\"%s\"", exe);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe, cmd, NULL, NULL, FALSE, 0, NULL, g_clock.folder, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    g_clock.process = pi.hProcess;
    g_clock.pid = pi.dwProcessId;
    WaitForInputIdle(pi.hProcess, 10000);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
        HWND hwnd = FindClockWindow("Lumivane", NULL);
        if (hwnd && ShowsTime(hwnd)) {
            g_clock.hwnd = hwnd;
            // New windows open on top, but a machine's foreground rules may
            // leave it below ours; the checks need it above the backdrop.
            SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return true;
        }
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
    }
    return false;
}

static void RemoveFolder()
{
    if (!g_clock.folder[0])
        return;
    char pattern[MAX_PATH], path[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\*", g_clock.folder);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            snprintf(path, sizeof path, "%s\\%s", g_clock.folder, fd.cFileName);
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);   // read-only and hidden files too
            DeleteFileA(path);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    if (!RemoveDirectoryA(g_clock.folder))
        Report("note: the temporary folder %s could not be removed (error %lu)", g_clock.folder,
               GetLastError());
    g_clock.folder[0] = 0;
}

void StopClock()
{
    if (g_clock.process) {
        // A box a failed check left open would keep the clock from closing.
        HWND box;
        for (int i = 0; i < 5 && (box = FindClockWindow("#32770", NULL)); i++) {
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            WaitUntil([box] { return !IsWindow(box); }, 1000);
        }
        if (g_clock.hwnd)
            PostMessageA(g_clock.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (WaitForSingleObject(g_clock.process, 5000) != WAIT_OBJECT_0) {
            Report("note: the clock did not close within 5 s; ended it");
            TerminateProcess(g_clock.process, 1);
            WaitForSingleObject(g_clock.process, 5000);
        }
        CloseHandle(g_clock.process);
        g_clock.process = NULL;
        g_clock.hwnd = NULL;
    }
    RemoveFolder();
}

void Command(WPARAM id)
{
    PostMessageA(g_clock.hwnd, WM_SYSCOMMAND, id, 0);
}

bool WriteSettings(const char *text)
{
    // Binary: the text carries its own CR LF line ends.
    FILE *f = fopen(g_clock.ini, "wb");
    if (!f)
        return false;
    const bool ok = fputs(text, f) >= 0;
    return fclose(f) == 0 && ok;
}

bool ReadText(const char *path, char *text, int size)
{
    text[0] = 0;
    FILE *f = fopen(path, "rb");
    if (!f)
        return false;
    const size_t n = fread(text, 1, size - 1, f);
    text[n] = 0;
    fclose(f);
    return true;
}

bool WaitForNewSettings(const char *before, char *after, int size)
{
    return WaitUntil(
        [=] { return ReadText(g_clock.ini, after, size) && strcmp(before, after) != 0; });
}

// Whether the face on the screen is the analog one: its 12 and the dots
// beside it lie in the upper fifth of the client area, where the digital
// face draws nothing.
static bool FaceIs(bool analog)
{
    const RECT c = ClientOnScreen();
    const RECT band = { c.left + 5, c.top + 5, c.right - 5, c.top + (c.bottom - c.top) / 5 };
    Shot shot;
    if (band.bottom <= band.top || !Capture(band, &shot))
        return false;
    const COLORREF background = ScreenPixel(BackgroundPoint());
    int drawn = 0;
    for (int y = band.top; y < band.bottom; y++)
        for (int x = band.left; x < band.right; x++)
            drawn += Distance(ShotPixel(shot, x, y), background) > 40;
    FreeShot(&shot);
    return analog ? drawn >= 10 : drawn == 0;
}

bool AwaitFace(bool analog)
{
    return WaitUntil([analog] { return FaceIs(analog); });
}

// Whether the clock shows what a settings text asks, each value read as the
// clock reads it (a mode is on when its value is 1, the alpha is the low 8
// bits). What the text leaves out is not looked at.
static bool ShowsLoaded(const char *text)
{
    char v[32];
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(g_clock.hwnd, &wp))
        return false;
    const RECT &r = wp.rcNormalPosition;
    const struct {
        const char *key;
        LONG seen;
    } edges[] = {
        { "Left", r.left }, { "Top", r.top }, { "Right", r.right }, { "Bottom", r.bottom }
    };
    for (const auto &e : edges)
        if (SettingValue(text, e.key, v, sizeof v) && atol(v) != e.seen)
            return false;
    if (SettingValue(text, "Opacy", v, sizeof v) && (BYTE)atoi(v) != ClockAlpha())
        return false;
    if (SettingValue(text, "OnTop", v, sizeof v) &&
        (atoi(v) == 1) != ((ClockExStyle() & WS_EX_TOPMOST) != 0))
        return false;
    if (SettingValue(text, "Analog", v, sizeof v) && !FaceIs(atoi(v) == 1))
        return false;
    // The background: the backdrop where keyed, else its colour at the alpha.
    const COLORREF under = BackdropOnScreen();
    const COLORREF seen = ScreenPixel(BackgroundPoint());
    if (SettingValue(text, "BGTransparent", v, sizeof v) && atoi(v) == 1)
        return seen == under;
    if (!SettingValue(text, "ColBG", v, sizeof v))
        return true;
    return Distance(seen, Blend((COLORREF)atol(v), under, ClockAlpha())) <= kTolerance;
}

bool Load(const char *text)
{
    WriteSettings(text);
    Command(IDM_LOAD_SETTINGS);
    return WaitUntil([text] { return ShowsLoaded(text); });
}

bool Prepare(const char *overrides)
{
    char text[1024];
    snprintf(text, sizeof text,
             "%sAnalog=1\r\nOnTop=0\r\nBGTransparent=0\r\nOpacy=200\r\nColFG=%d\r\nColBG=%d\r\n"
             "Left=40\r\nTop=40\r\nRight=226\r\nBottom=234\r\n",
             overrides, (int)RGB(1, 1, 1), (int)GetSysColor(COLOR_BTNFACE));
    return Load(text);
}

bool ToggleBackground(bool keyed)
{
    const COLORREF under = BackdropOnScreen();
    Command(IDM_BGTRANSPARENT);
    return WaitUntil([=] { return (ScreenPixel(BackgroundPoint()) == under) == keyed; });
}

bool AwaitTick()
{
    char before[64] = "", now[64] = "";
    GetWindowTextA(g_clock.hwnd, before, sizeof before);
    return WaitUntil([&] {
        GetWindowTextA(g_clock.hwnd, now, sizeof now);
        return strcmp(now, before) != 0;
    });
}

bool AwaitClockIdle()
{
    // Sent messages wait for the thread to take messages; posted ones may
    // still be queued behind it.
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(g_clock.hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored) != 0;
}

const char *SettingValue(const char *text, const char *key, char *value, int size)
{
    const size_t n = strlen(key);
    for (const char *line = text; *line;) {
        const char *end = line + strcspn(line, "\r\n");
        if ((size_t)(end - line) > n && !_strnicmp(line, key, n) && line[n] == '=') {
            snprintf(value, size, "%.*s", (int)(end - line - n - 1), line + n + 1);
            return value;
        }
        line = end + strspn(end, "\r\n");
    }
    return NULL;
}

POINT BackgroundPoint()
{
    const RECT c = ClientOnScreen();
    POINT pt = { c.left + 3, c.top + 3 };
    return pt;
}

RECT ClientOnScreen()
{
    RECT rc = {};
    GetClientRect(g_clock.hwnd, &rc);
    MapWindowPoints(g_clock.hwnd, NULL, (POINT *)&rc, 2);
    return rc;
}

BYTE ClockAlpha()
{
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(g_clock.hwnd, &key, &alpha, &flags);
    return alpha;
}

LONG ClockExStyle()
{
    return GetWindowLongA(g_clock.hwnd, GWL_EXSTYLE);
}
