// selfcheck.exe [PATH\TO\Lumivane.exe] [--quick]
// Starts the clock (default: Lumivane.exe beside this program) in a fresh
// temporary folder, runs every check of the table in checks.cpp on it, and
// reports each as one line beginning with PASS, FAIL or INFO, to the console
// and to selfcheck-report.txt, opened by a description of the machine.
// Pictures of the moments that matter go to selfcheck-pictures\.
// Exit code 0 when no check fails, 1 when one does, 2 when the clock could
// not be started or found.
#include "selfcheck/selfcheck.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

bool g_quick;
bool g_onWine;
static FILE *s_report;

void Report(const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    printf("%s\n", line);
    fflush(stdout);
    if (s_report) {
        fprintf(s_report, "%s\r\n", line);
        fflush(s_report);
    }
}

static Result Make(Verdict verdict, const char *format, va_list args)
{
    Result r;
    r.verdict = verdict;
    vsnprintf(r.text, sizeof r.text, format, args);
    return r;
}

#define MAKE(verdict)                       \
    va_list args;                           \
    va_start(args, format);                 \
    Result r = Make(verdict, format, args); \
    va_end(args);                           \
    return r

Result Pass(const char *format, ...)
{
    MAKE(VERDICT_PASS);
}
Result Fail(const char *format, ...)
{
    MAKE(VERDICT_FAIL);
}
Result Info(const char *format, ...)
{
    MAKE(VERDICT_INFO);
}
Result Judge(bool ok, const char *format, ...)
{
    MAKE(ok ? VERDICT_PASS : VERDICT_FAIL);
}

// ---- The machine, as the report's opening block ----

typedef LONG(WINAPI *RtlGetVersionProc)(OSVERSIONINFOEXW *);
typedef const char *(CDECL *WineGetVersionProc)();
typedef HRESULT(WINAPI *DwmIsCompositionEnabledProc)(BOOL *);
typedef BOOL(WINAPI *IsThemeActiveProc)();

static BOOL CALLBACK ReportMonitor(HMONITOR monitor, HDC, RECT *, LPARAM)
{
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(monitor, &mi);
    const RECT &r = mi.rcMonitor, &w = mi.rcWork;
    Report("  monitor %ld,%ld %ldx%ld, work area %ld,%ld %ldx%ld%s", r.left, r.top,
           r.right - r.left, r.bottom - r.top, w.left, w.top, w.right - w.left, w.bottom - w.top,
           (mi.dwFlags & MONITORINFOF_PRIMARY) ? ", primary" : "");
    return TRUE;
}

static void ReportEnvironment(const char *exe)
{
    HMODULE ntdll = GetModuleHandleA("ntdll");
    OSVERSIONINFOEXW v = {};
    v.dwOSVersionInfoSize = sizeof v;
    // GetVersionEx lies to programs without a manifest; ntdll does not.
    RtlGetVersionProc rtlGetVersion =
        (RtlGetVersionProc)(void (*)(void))GetProcAddress(ntdll, "RtlGetVersion");
    if (rtlGetVersion)
        rtlGetVersion(&v);
    WineGetVersionProc wineVersion =
        (WineGetVersionProc)(void (*)(void))GetProcAddress(ntdll, "wine_get_version");
    g_onWine = wineVersion != NULL;
    Report("Lumivane self-check of %s%s", exe, g_quick ? " (quick run)" : "");
    Report("  Windows %lu.%lu build %lu, service pack %u%s%s", v.dwMajorVersion, v.dwMinorVersion,
           v.dwBuildNumber, v.wServicePackMajor, g_onWine ? ", Wine " : "",
           g_onWine ? wineVersion() : "");
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    Report("  self-check is %d-bit%s", (int)sizeof(void *) * 8,
           wow64 ? ", running under WOW64" : "");

    HDC screen = GetDC(NULL);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(NULL, screen);
    int physical, logical;
    const int scale = ScalePercent(&physical, &logical);
    Report("  system DPI %d as the clock sees it, scale %d %% "
           "(%d physical / %d virtual pixels across), colour depth %d bits",
           dpi, scale, physical, logical, bits);

    BOOL composition = FALSE;
    HMODULE dwm = LoadLibraryA("dwmapi");
    DwmIsCompositionEnabledProc isComposed =
        dwm ? (DwmIsCompositionEnabledProc)(void (*)(void))GetProcAddress(dwm,
                                                                          "DwmIsCompositionEnabled")
            : NULL;
    const bool knowsComposition = isComposed && SUCCEEDED(isComposed(&composition));
    HMODULE uxtheme = LoadLibraryA("uxtheme");
    IsThemeActiveProc themeActive =
        uxtheme ? (IsThemeActiveProc)(void (*)(void))GetProcAddress(uxtheme, "IsThemeActive")
                : NULL;
    HIGHCONTRASTA hc = {};
    hc.cbSize = sizeof hc;
    SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0);
    Report("  DWM composition %s, visual style %s, high contrast %s",
           knowsComposition ? (composition ? "on" : "off") : "unknown (no dwmapi)",
           themeActive ? (themeActive() ? "active" : "off") : "unknown (no uxtheme)",
           (hc.dwFlags & HCF_HIGHCONTRASTON) ? "on" : "off");
    Report("  caption colours: active %s, text %s, inactive text %s, button text %s",
           Rgb(GetSysColor(COLOR_ACTIVECAPTION)), Rgb(GetSysColor(COLOR_CAPTIONTEXT)),
           Rgb(GetSysColor(COLOR_INACTIVECAPTIONTEXT)), Rgb(GetSysColor(COLOR_BTNTEXT)));
    EnumDisplayMonitors(NULL, NULL, ReportMonitor, 0);
}

// ---- The run ----

// Ctrl+C or closing the console still closes the clock and removes its folder.
static BOOL WINAPI OnConsoleClose(DWORD)
{
    StopClock();
    StopBackdrop();
    return FALSE;
}

// Started by a double-click, the console is ours alone and would close with
// the last line: it waits for Enter first. Not when input is not a console
// (a script, a CI runner).
static void KeepConsoleOpen()
{
    DWORD processes[2], mode;
    if (GetConsoleProcessList(processes, 2) == 1 &&
        GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
        printf("Press Enter to close this window.\n");
        getchar();
    }
}

int main(int argc, char **argv)
{
    char exe[MAX_PATH] = "";
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--quick"))
            g_quick = true;
        else if (argv[i][0] == '-') {
            fprintf(stderr, "usage: selfcheck.exe [PATH\\TO\\Lumivane.exe] [--quick]\n");
            return 2;
        } else
            GetFullPathNameA(argv[i], sizeof exe, exe, NULL);   // the clock runs elsewhere
    }
    if (!exe[0]) {
        GetModuleFileNameA(NULL, exe, sizeof exe);
        char *slash = strrchr(exe, '\\');
        snprintf(slash ? slash + 1 : exe, sizeof exe - (slash ? slash + 1 - exe : 0),
                 "Lumivane.exe");
    }
    s_report = fopen("selfcheck-report.txt", "wb");
    ReportEnvironment(exe);
    SetConsoleCtrlHandler(OnConsoleClose, TRUE);

    // Pure magenta: a colour the clock never paints, so a pixel of it on the
    // screen is the backdrop seen through the clock.
    RECT screen = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    RECT backdrop = { 0, 0, screen.right < 800 ? screen.right : 800,
                      screen.bottom < 600 ? screen.bottom : 600 };
    if (!StartBackdrop(backdrop, RGB(255, 0, 255))) {
        Report("FAIL backdrop could not create its window (error %lu)", GetLastError());
        return 1;
    }
    // The clock starts at the known place every check begins from.
    const DWORD started = GetTickCount();
    if (!StartClock(exe, "Left=40\r\nTop=40\r\nRight=226\r\nBottom=234\r\n")) {
        Report("FAIL start the clock %s did not start or show its window within 20 s (error %lu)",
               exe, GetLastError());
        StopClock();
        StopBackdrop();
        if (s_report)
            fclose(s_report);
        KeepConsoleOpen();
        return 2;
    }
    Report("  clock started in %lu ms, working folder %s", GetTickCount() - started,
           g_clock.folder);
    NoteStartingResources();

    int failed = 0, passed = 0, info = 0;
    static const char *const kWords[] = { "PASS", "FAIL", "INFO" };
    for (int i = 0; i < kCheckCount; i++) {
        const Result r = kChecks[i].run();
        Report("%s %s %s", kWords[r.verdict], kChecks[i].name, r.text);
        failed += r.verdict == VERDICT_FAIL;
        passed += r.verdict == VERDICT_PASS;
        info += r.verdict == VERDICT_INFO;
        if (WaitForSingleObject(g_clock.process, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(g_clock.process, &code);
            Report("FAIL clock-alive the clock ended during \"%s\" with exit code %lu",
                   kChecks[i].name, code);
            failed++;
            break;
        }
    }
    StopClock();
    StopBackdrop();
    Report("%d passed, %d failed, %d for information, in %lu s", passed, failed, info,
           (GetTickCount() - started + 500) / 1000);
    if (s_report)
        fclose(s_report);
    KeepConsoleOpen();
    return failed ? 1 : 0;
}
