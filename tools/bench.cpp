// Cost of one repaint pass, measured through the window in this process:
// the three kinds of pass at two sizes, beside a reference pass that makes
// only the platform calls every pass must make, and each of those alone.
// "bench save" times the settings store's save of the ordinary ten-line file,
// and one refused by a folder in the file's place.
// Prints Markdown tables; it reports, it does not judge.
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <vector>

#include "app/clock.h"
#include "app/globals.h"
#include "app/menu.h"
#include "face/paint.h"
#include "settings/settings_file.h"

static const int kPasses = 2000;
static SYSTEMTIME s_time;
static LARGE_INTEGER s_frequency;

static void WINAPI BenchTime(LPSYSTEMTIME st)
{
    *st = s_time;
}

static void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

struct Stats {
    double median, p10, p90;
};

// Times each call of step in microseconds.
template <typename F> static Stats Measure(F step)
{
    std::vector<double> us;
    for (int i = 0; i < 50; i++)
        step(i);
    for (int i = 0; i < kPasses; i++) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        step(i);
        QueryPerformanceCounter(&b);
        us.push_back((b.QuadPart - a.QuadPart) * 1e6 / s_frequency.QuadPart);
        if (i % 100 == 0)
            Pump();
    }
    std::sort(us.begin(), us.end());
    return { us[us.size() / 2], us[us.size() / 10], us[us.size() * 9 / 10] };
}

static void Row(const char *what, const char *size, Stats s)
{
    printf("| %s | %s | %.1f | %.1f | %.1f |\n", what, size, s.median, s.p10, s.p90);
}

static void Timer(int)
{
    SendMessageA(g_hwndMain, WM_TIMER, 1, 0);
}

static void ForcedTimer(int)
{
    ForceRepaint();
    SendMessageA(g_hwndMain, WM_TIMER, 1, 0);
}

static void SetTitle(int)
{
    SetWindowTextA(g_hwndMain, "10:41:59");
}

static void Invalidate(int)
{
    InvalidateRect(g_hwndMain, NULL, TRUE);
    ValidateRect(g_hwndMain, NULL);
}

static void PaintBracket(int)
{
    PAINTSTRUCT ps;
    BeginPaint(g_hwndMain, &ps);
    EndPaint(g_hwndMain, &ps);
}

// The icon goes to both of the window's slots on every pass.
static void HandOverIcon(int)
{
    SendMessageA(g_hwndMain, WM_SETICON, ICON_SMALL, (LPARAM)g_smallIcon);
    SendMessageA(g_hwndMain, WM_SETICON, ICON_BIG, (LPARAM)g_bigIcon);
}

// The icon step of a pass: both icons made from the client area and handed
// over. Less the hand-over above, what making them costs.
static void MakeIcons(int)
{
    RECT rc;
    GetClientRect(g_hwndMain, &rc);
    HDC hdc = GetDC(g_hwndMain);
    UpdateSmallIcon(hdc, &rc);
    ReleaseDC(g_hwndMain, hdc);
}

static void ReferencePass(int i)
{
    SetTitle(i);
    InvalidateRect(g_hwndMain, NULL, TRUE);
    PaintBracket(i);
    HandOverIcon(i);
    UpdateWindow(g_hwndMain);
}

static void MeasureSize(const char *size)
{
    RECT rc;
    GetClientRect(g_hwndMain, &rc);
    char label[64];
    sprintf(label, "%s (client %ld x %ld)", size, rc.right, rc.bottom);
    if (!IsModeOn(MENU_ANALOG))
        SendMessageA(g_hwndMain, WM_SYSCOMMAND, IDM_ANALOG, 0);
    Row("analog pass that repaints", label, Measure(ForcedTimer));
    Row("analog pass that does not repaint", label, Measure(Timer));
    SendMessageA(g_hwndMain, WM_SYSCOMMAND, IDM_ANALOG, 0);
    Row("digital pass", label, Measure(Timer));
    SendMessageA(g_hwndMain, WM_SYSCOMMAND, IDM_ANALOG, 0);
    Row("reference: platform calls only", label, Measure(ReferencePass));
    Row("  SetWindowTextA", label, Measure(SetTitle));
    Row("  InvalidateRect", label, Measure(Invalidate));
    Row("  BeginPaint + EndPaint", label, Measure(PaintBracket));
    Row("  WM_SETICON, small and large", label, Measure(HandOverIcon));
    Row("icon step: both icons made and handed over", label, Measure(MakeIcons));
}

// Milliseconds from starting the exe until its window is shown with its
// layered attributes set: the face is painted during creation, so this is
// when the first frame can reach the screen.
static int FirstFrame(const char *exe)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    char cmd[MAX_PATH + 2];
    sprintf(cmd, "\"%s\"", exe);
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 1;
    HWND hwnd = NULL;
    BYTE alpha = 0;
    for (int i = 0; i < 20000; i++) {
        hwnd = FindWindowA("Lumivane", NULL);
        DWORD flags = 0;
        COLORREF key;
        if (hwnd && IsWindowVisible(hwnd) &&
            GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags) && flags)
            break;
        hwnd = NULL;
        Sleep(1);
    }
    QueryPerformanceCounter(&b);
    if (hwnd)
        printf("%.0f\n", (b.QuadPart - a.QuadPart) * 1e3 / s_frequency.QuadPart);
    if (hwnd)
        PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return hwnd ? 0 : 1;
}

// Milliseconds for each of runs calls of s.Write after warm ones that are
// not counted, printed as a table row; false if any call gave other than
// expected.
static bool TimeWrites(SettingsFile &s, int warm, int runs, bool expected)
{
    std::vector<double> ms;
    bool ok = true;
    for (int i = 0; i < warm + runs; i++) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        ok = s.Write() == expected && ok;
        QueryPerformanceCounter(&b);
        if (i >= warm)
            ms.push_back((b.QuadPart - a.QuadPart) * 1e3 / s_frequency.QuadPart);
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    printf("| %d%s | %.3f | %.3f | %.3f |\n", runs, ok ? "" : " (some not as expected)",
           ms[ms.size() / 2], sum / ms.size(), ms[ms.size() * 9 / 10]);
    return ok;
}

// Milliseconds for one SettingsFile::Write of the ten lines a first save
// writes, over and over into one file of a fresh folder; then for one that
// is refused because a folder bears the file's name, until it gives up.
static int SaveTimes()
{
    static const char *const ten[][2] = {
        { "Analog", "1" },    { "OnTop", "0" },        { "BGTransparent", "0" }, { "Opacy", "200" },
        { "ColFG", "65793" }, { "ColBG", "15790320" }, { "Top", "0" },           { "Left", "0" },
        { "Right", "186" },   { "Bottom", "194" },
    };
    char base[MAX_PATH], dir[MAX_PATH], path[MAX_PATH + 16];
    GetTempPathA(MAX_PATH, base);
    GetTempFileNameA(base, "lsb", 0, dir);
    DeleteFileA(dir);
    CreateDirectoryA(dir, NULL);
    sprintf(path, "%s\\Lumivane.ini", dir);
    SettingsFile s;
    s.path = path;
    for (const auto &kv : ten)
        s.SetValue(kv[0], kv[1]);
    printf("| saves | median ms | mean ms | p90 ms |\n|---|---|---|---|\n");
    bool ok = TimeWrites(s, 20, 300, true);   // the first ones warm the caches
    DeleteFileA(path);
    CreateDirectoryA(path, NULL);
    printf("\nRefused, a folder in the file's place: until the save gives up\n\n");
    printf("| saves | median ms | mean ms | p90 ms |\n|---|---|---|---|\n");
    ok = TimeWrites(s, 2, 10, false) && ok;
    RemoveDirectoryA(path);
    RemoveDirectoryA(dir);
    return ok ? 0 : 1;
}

int main(int argc, char **argv)
{
    QueryPerformanceFrequency(&s_frequency);
    if (argc > 2 && !strcmp(argv[1], "firstframe"))
        return FirstFrame(argv[2]);
    if (argc > 1 && !strcmp(argv[1], "save"))
        return SaveTimes();
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    SetCurrentDirectoryA(dir);   // no settings file is read or written here
    s_time.wHour = 10;
    s_time.wMinute = 41;
    s_time.wSecond = 59;
    g_pfnGetLocalTime = BenchTime;
    StartClock(GetModuleHandleA(NULL), SW_SHOWNORMAL);
    KillTimer(g_hwndMain, 1);   // only our own ticks
    Pump();

    printf("| pass | size | median us | p10 us | p90 us |\n|---|---|---|---|---|\n");
    MeasureSize("186 x 194");
    SetWindowPos(g_hwndMain, NULL, 0, 0, 1000, 1000, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    MeasureSize("1000 x 1000");
    DestroyWindow(g_hwndMain);
    return 0;
}
