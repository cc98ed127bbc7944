// A small Windows helper for the end-to-end tests and ./dev run: it finds the
// clock by its class and reports or acts on it from outside the process, and
// it can own a plain window beneath the clock.
//   clockctl wait MS          wait for the clock window to show the time; print its handle
//   clockctl info             title, outer rectangle, client area on the screen, extended
//                             style, alpha, topmost, the X window Wine made for it
//   clockctl close            close the clock as its Close command does
//   clockctl command ID       send the clock a system-menu command
//   clockctl beneath RRGGBB X Y W H SECONDS [FILE]  show a window of one colour,
//                             logging the clicks it gets to FILE as "X Y" lines
//   clockctl clicks FILE SECONDS  like beneath (white, whole screen), logging clicks to FILE
//   clockctl stuck SECONDS    a window of the clock's class whose title never shows the
//                             time, as a clock that hangs before its first tick
//   clockctl windows          the visible top-level windows of the clock's process:
//                             handle, class, rectangle, foreground mark, "title"
//   clockctl slider           the open opacity slider: its rectangle and position
//   clockctl texts TITLE      the texts of the children of the clock's window TITLE
//   clockctl attributes FILE  the file's Windows attributes: readonly=0|1
//   clockctl hold             stay attached to the desktop until killed
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND FindClock()
{
    return FindWindowA("Lumivane", NULL);
}

// The clock window, or null with a message for the test's log.
static HWND RequireClock()
{
    HWND hwnd = FindClock();
    if (!hwnd)
        fprintf(stderr, "no clock window\n");
    return hwnd;
}

static int Wait(DWORD ms)
{
    const DWORD start = GetTickCount();
    HWND hwnd;
    while (!(hwnd = FindClock())) {
        if (GetTickCount() - start > ms) {
            fprintf(stderr, "no clock window after %lu ms\n", ms);
            return 1;
        }
        Sleep(50);
    }
    // The window exists before its first tick; wait for the time in the title.
    char title[64] = "";
    for (;;) {
        GetWindowTextA(hwnd, title, sizeof title);
        if (strlen(title) == 8 && title[2] == ':')
            break;
        if (GetTickCount() - start > ms) {
            fprintf(stderr, "the clock's title shows no time after %lu ms: \"%s\"\n", ms, title);
            return 1;
        }
        Sleep(50);
    }
    printf("%p\n", (void *)hwnd);
    return 0;
}

static int Info()
{
    HWND hwnd = RequireClock();
    if (!hwnd)
        return 1;
    char title[64] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags);
    // The title bar's height differs between Wine versions: scripts place
    // what they look at from the client area's corner.
    RECT client;
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, NULL, (POINT *)&client, 2);
    const LONG ex = GetWindowLongA(hwnd, GWL_EXSTYLE);
    // Wine keeps the X window's id in this property; its _NET_WM_PID names
    // the clock's own Linux process, whatever started it.
    const HANDLE xwindow = GetPropA(hwnd, "__wine_x11_whole_window");
    printf("title=%s\nrect=%ld %ld %ld %ld\nclient=%ld %ld %ld %ld\nexstyle=%#lx\nalpha=%u\n"
           "key=%lu\nflags=%lu\ntopmost=%d\ntransparent=%d\niconic=%d\nzoomed=%d\n"
           "xwindow=%#lx\n",
           title, rc.left, rc.top, rc.right, rc.bottom, client.left, client.top, client.right,
           client.bottom, (unsigned long)ex, alpha, (unsigned long)key, (unsigned long)flags,
           (ex & WS_EX_TOPMOST) != 0, (ex & WS_EX_TRANSPARENT) != 0, IsIconic(hwnd) != 0,
           IsZoomed(hwnd) != 0, (unsigned long)(ULONG_PTR)xwindow);
    return 0;
}

struct ListState {
    DWORD pid;
    HWND foreground;
};

static BOOL CALLBACK ListWindow(HWND hwnd, LPARAM lParam)
{
    const ListState *state = (const ListState *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != state->pid || !IsWindowVisible(hwnd))
        return TRUE;
    char cls[64] = "", title[128] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    printf("%p %s %ld %ld %ld %ld %s \"%s\"\n", (void *)hwnd, cls, rc.left, rc.top, rc.right,
           rc.bottom, hwnd == state->foreground ? "fg" : "-", title);
    return TRUE;
}

// Menus, the slider and message boxes are all top-level windows of the clock's
// process; listing them lets a test wait for one to open or close.
static int Windows()
{
    HWND hwnd = RequireClock();
    if (!hwnd)
        return 1;
    ListState state = { 0, GetForegroundWindow() };
    GetWindowThreadProcessId(hwnd, &state.pid);
    EnumWindows(ListWindow, (LPARAM)&state);
    return 0;
}

struct FindState {
    DWORD pid;
    const char *title;
    HWND found;
};

static BOOL CALLBACK FindTitled(HWND hwnd, LPARAM lParam)
{
    FindState *state = (FindState *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char title[128] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    if (pid == state->pid && IsWindowVisible(hwnd) && !strcmp(title, state->title)) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

static HWND FindClockWindow(const char *title)
{
    HWND hwnd = FindClock();
    if (!hwnd) {
        fprintf(stderr, "no clock window\n");
        return NULL;
    }
    FindState state = { 0, title, NULL };
    GetWindowThreadProcessId(hwnd, &state.pid);
    EnumWindows(FindTitled, (LPARAM)&state);
    if (!state.found)
        fprintf(stderr, "no window \"%s\" of the clock\n", title);
    return state.found;
}

static BOOL CALLBACK PrintText(HWND hwnd, LPARAM)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    if (text[0])
        printf("%s\n", text);
    return TRUE;
}

static BOOL CALLBACK FindSlider(HWND hwnd, LPARAM lParam)
{
    FindState *state = (FindState *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == state->pid && IsWindowVisible(hwnd) && !strcmp(cls, "msctls_trackbar32")) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

static int Slider()
{
    HWND hwnd = RequireClock();
    if (!hwnd)
        return 1;
    FindState state = { 0, NULL, NULL };
    GetWindowThreadProcessId(hwnd, &state.pid);
    EnumWindows(FindSlider, (LPARAM)&state);
    if (!state.found) {
        fprintf(stderr, "no slider open\n");
        return 1;
    }
    RECT rc;
    GetWindowRect(state.found, &rc);
    // TBM_GETPOS carries no pointer, so it may cross the process boundary.
    const LRESULT pos = SendMessageA(state.found, TBM_GETPOS, 0, 0);
    printf("rect=%ld %ld %ld %ld\npos=%ld\n", rc.left, rc.top, rc.right, rc.bottom, (long)pos);
    return 0;
}

static int Texts(const char *title)
{
    HWND hwnd = FindClockWindow(title);
    if (!hwnd)
        return 1;
    EnumChildWindows(hwnd, PrintText, 0);
    return 0;
}

static int Attributes(const char *path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "no file %s\n", path);
        return 1;
    }
    printf("readonly=%d\n", (attributes & FILE_ATTRIBUTE_READONLY) != 0);
    return 0;
}

static const char *s_clickLog;
static COLORREF s_color;

static LRESULT CALLBACK BeneathProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        HBRUSH hBrush = CreateSolidBrush(s_color);
        FillRect(hdc, &ps.rcPaint, hBrush);
        DeleteObject(hBrush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        // Scenery: clicked, it neither becomes active nor rises above the
        // clock. Active and as large as the screen, it would also count as a
        // full-screen window, to which Wine 10 confines the pointer, and the
        // clicks that follow go astray.
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
        if (s_clickLog) {
            FILE *f = fopen(s_clickLog, "ab");   // plain "X Y\n" lines for the scripts
            if (f) {
                fprintf(f, "%d %d\n", (short)LOWORD(lParam), (short)HIWORD(lParam));
                fclose(f);
            }
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static int Beneath(COLORREF color, int x, int y, int w, int h, int seconds,
                   const char *className = "LumivaneTestBeneath", const char *title = "beneath")
{
    s_color = color;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BeneathProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(WS_EX_NOACTIVATE, wc.lpszClassName, title, WS_POPUP | WS_VISIBLE, x,
                                y, w, h, NULL, NULL, wc.hInstance, NULL);
    SetTimer(hwnd, 1, seconds * 1000, NULL);
    printf("ready\n");
    fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == hwnd)
            break;
        DispatchMessageA(&msg);
    }
    return 0;
}

int main(int argc, char **argv)
{
    const char *verb = argc > 1 ? argv[1] : "";
    if (!strcmp(verb, "wait"))
        return Wait(argc > 2 ? strtoul(argv[2], NULL, 10) : 10000);
    if (!strcmp(verb, "info"))
        return Info();
    if (!strcmp(verb, "close") || !strcmp(verb, "command")) {
        HWND hwnd = FindClock();
        if (!hwnd)
            return 1;
        const WPARAM id = !strcmp(verb, "close") ? SC_CLOSE : strtoul(argv[2], NULL, 10);
        PostMessageA(hwnd, WM_SYSCOMMAND, id, 0);
        return 0;
    }
    if (!strcmp(verb, "windows"))
        return Windows();
    if (!strcmp(verb, "slider"))
        return Slider();
    if (!strcmp(verb, "texts") && argc > 2)
        return Texts(argv[2]);
    if (!strcmp(verb, "attributes") && argc > 2)
        return Attributes(argv[2]);
    if (!strcmp(verb, "hold")) {
        // Wine's explorer leaves when the last program leaves the desktop, and
        // the next program to start waits for a new one, which also keeps that
        // program's output open for as long as it lives.
        GetDesktopWindow();
        Sleep(INFINITE);
        return 0;
    }
    if (!strcmp(verb, "beneath") && argc > 7) {
        const unsigned long rgb = strtoul(argv[2], NULL, 16);
        s_clickLog = argc > 8 ? argv[8] : NULL;
        return Beneath(RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF), atoi(argv[3]), atoi(argv[4]),
                       atoi(argv[5]), atoi(argv[6]), atoi(argv[7]));
    }
    if (!strcmp(verb, "clicks") && argc > 3) {
        s_clickLog = argv[2];
        return Beneath(RGB(255, 255, 255), 0, 0, GetSystemMetrics(SM_CXSCREEN),
                       GetSystemMetrics(SM_CYSCREEN), atoi(argv[3]));
    }
    if (!strcmp(verb, "stuck") && argc > 2)
        return Beneath(RGB(255, 255, 255), 300, 300, 100, 100, atoi(argv[2]), "Lumivane",
                       "Lumivane");
    fprintf(stderr, "usage: clockctl wait MS | info | close | command ID | beneath RRGGBB X Y W H "
                    "S [FILE] | clicks FILE S\n"
                    "       | stuck S | windows | slider | texts TITLE | attributes FILE | hold\n");
    return 2;
}
