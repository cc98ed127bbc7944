// Support for the window tests; see clock_test_support.h.
#include "clock_test_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <atomic>
#include <thread>

#include "app/clock.h"
#include "app/globals.h"
#include "face/paint.h"
#include "face/rules.h"

static SYSTEMTIME s_fakeTime;

static void WINAPI FakeLocalTime(LPSYSTEMTIME st)
{
    *st = s_fakeTime;
}

void SetFakeTime(int hour, int minute, int second)
{
    s_fakeTime = {};
    s_fakeTime.wYear = 2026;
    s_fakeTime.wMonth = 12;
    s_fakeTime.wDay = 8;
    s_fakeTime.wHour = (WORD)hour;
    s_fakeTime.wMinute = (WORD)minute;
    s_fakeTime.wSecond = (WORD)second;
    g_pfnGetLocalTime = FakeLocalTime;
}

void PumpMessages(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (ms)
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

void Tick()
{
    SendMessageA(g_hwndMain, WM_TIMER, 1, 0);
}

RECT ClientRect()
{
    RECT rc;
    GetClientRect(g_hwndMain, &rc);
    return rc;
}

COLORREF ReadPixel(int x, int y)
{
    HDC hdc = GetDC(g_hwndMain);
    COLORREF c = GetPixel(hdc, x, y);
    ReleaseDC(g_hwndMain, hdc);
    return c;
}

void MarkClient(COLORREF marker)
{
    HDC hdc = GetDC(g_hwndMain);
    RECT rc = ClientRect();
    HBRUSH hBrush = CreateSolidBrush(marker);
    FillRect(hdc, &rc, hBrush);
    DeleteObject(hBrush);
    ReleaseDC(g_hwndMain, hdc);
}

LRESULT Command(WPARAM id)
{
    return SendMessageA(g_hwndMain, WM_SYSCOMMAND, id, 0);
}

bool IconAlive(HICON hIcon)
{
    ICONINFO ii;
    if (!GetIconInfo(hIcon, &ii))
        return false;
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    return true;
}

SIZE NumeralExtent8(HDC hdc, int width, int height)
{
    HFONT hFont = CreateFaceFont(NumeralFontHeight(width, height), FW_BOLD);
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    SIZE size;
    GetTextExtentPoint32A(hdc, "8", 1, &size);
    SelectObject(hdc, hOldFont);
    DeleteObject(hFont);
    return size;
}

TempWorkDir::TempWorkDir()
{
    char base[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    GetTempFileNameA(base, "lmv", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, NULL);
    path = name;
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    previous = cwd;
    SetCurrentDirectoryA(path.c_str());
}

TempWorkDir::~TempWorkDir()
{
    SetCurrentDirectoryA(previous.c_str());
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string f = path + "\\" + fd.cFileName;
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

void ClockTest::SetUp()
{
    SetFakeTime(10, 41, 59);
    StartClock(GetModuleHandleA(NULL), SW_SHOWNORMAL);
    ASSERT_TRUE(IsWindow(g_hwndMain));
    // The first tick, as the timer gives it: it consumes the repaint that
    // loading the settings forced.
    Tick();
    PumpMessages();
}

void ClockTest::TearDown()
{
    if (IsWindow(g_hwndMain))
        DestroyWindow(g_hwndMain);
    PumpMessages();
}

std::string ReadFileText(const std::string &path)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    fclose(f);
    return text;
}

void WriteFileText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f != NULL) << path;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int ColorDistance(COLORREF a, COLORREF b)
{
    return abs((int)GetRValue(a) - (int)GetRValue(b)) + abs((int)GetGValue(a) - (int)GetGValue(b)) +
           abs((int)GetBValue(a) - (int)GetBValue(b));
}

bool Checked(UINT id)
{
    return (GetMenuState(GetSystemMenu(g_hwndMain, FALSE), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

static BOOL CALLBACK FindDialogOfThisProcess(HWND hwnd, LPARAM lParam)
{
    char cls[16] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) &&
        GetClassNameA(hwnd, cls, sizeof cls) && strcmp(cls, "#32770") == 0) {
        *(HWND *)lParam = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs a command that opens a modal box and handles the box from a second
// thread, since the GUI thread stays in the box's own loop until it ends.
// act sees the box and gives the button that ends it. Gives the box, or
// null when none appeared: the command returned without one.
HWND RunWithDialog(WPARAM id, const std::function<int(HWND)> &act)
{
    HWND box = NULL;
    std::atomic<bool> returned(false);
    std::thread helper([&] {
        const DWORD start = GetTickCount();
        while (!box && !returned && GetTickCount() - start < 5000) {
            EnumWindows(FindDialogOfThisProcess, (LPARAM)&box);
            if (!box)
                Sleep(10);
        }
        if (box)
            PostMessageA(box, WM_COMMAND, act(box), 0);
    });
    Command(id);
    returned = true;
    helper.join();
    return box;
}

// xdotool is a Unix program; Wine starts it from its Unix path.
static const char kXdotool[] = "Z:\\usr\\bin\\xdotool";

static bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

bool HaveXdotool()
{
    return !UnderWine() || GetFileAttributesA(kXdotool) != INVALID_FILE_ATTRIBUTES;
}

// On Windows the same commands become real input through SendInput: the
// ones the tests use, "mousemove X Y", "click 1", "mousedown 1" and
// "mouseup 1", in any sequence.
static bool SendXdotoolInput(const std::string &args)
{
    char buf[128];
    snprintf(buf, sizeof buf, "%s", args.c_str());
    for (char *word = strtok(buf, " "); word; word = strtok(NULL, " ")) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        UINT n = 1;
        if (strcmp(word, "mousemove") == 0) {
            const char *x = strtok(NULL, " "), *y = strtok(NULL, " ");
            if (!x || !y)
                return false;
            // Absolute positions run from 0 to 65535 across the primary screen.
            in[0].mi.dx = MulDiv(atoi(x), 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
            in[0].mi.dy = MulDiv(atoi(y), 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
            in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        } else {
            const char *button = strtok(NULL, " ");
            if (!button || strcmp(button, "1") != 0)
                return false;
            if (strcmp(word, "click") == 0) {
                in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
                in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
                n = 2;
            } else if (strcmp(word, "mousedown") == 0) {
                in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            } else if (strcmp(word, "mouseup") == 0) {
                in[0].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            } else {
                return false;
            }
        }
        if (SendInput(n, in, sizeof in[0]) != n)
            return false;
    }
    return true;
}

// Its end cannot be waited for through the handle, so callers wait for the
// effect.
bool Xdotool(const std::string &args)
{
    if (!UnderWine())
        return SendXdotoolInput(args);
    std::string cmd = std::string(kXdotool) + " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    return true;
}

BYTE WindowAlpha()
{
    BYTE alpha = 0;
    GetLayeredWindowAttributes(g_hwndMain, NULL, &alpha, NULL);
    return alpha;
}
