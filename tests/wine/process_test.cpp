// The shipped program as a process: it starts, shows its window, and ends
// with exit code 0 when the window is closed, writing no file.
#include "clock_test_support.h"

#include <string>

namespace {

// The exe's Unix path as Wine's drive Z: sees it.
std::string ExePath()
{
    std::string path = "Z:" + std::string(LUMIVANE_EXE_PATH);
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

struct FindData { DWORD pid; HWND hwnd; };

BOOL CALLBACK FindClockOf(HWND hwnd, LPARAM lParam)
{
    FindData *fd = (FindData *)lParam;
    char cls[32];
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == fd->pid && GetClassNameA(hwnd, cls, sizeof cls) && strcmp(cls, "Lumivane") == 0) {
        fd->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForClockWindow(DWORD pid, DWORD timeoutMs)
{
    FindData fd = { pid, NULL };
    PumpUntil([&] {
        EnumWindows(FindClockOf, (LPARAM)&fd);
        return fd.hwnd != NULL;
    }, timeoutMs);
    return fd.hwnd;
}

}  // namespace

TEST(ShippedProgram, ClosingTheWindowEndsTheProcessWithZeroAndNoFile)
{
    TempWorkDir dir;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + ExePath() + "\" ignored arguments";
    ASSERT_TRUE(CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, dir.Path().c_str(),
                               &si, &pi)) << cmd << " error " << GetLastError();
    HWND hwnd = WaitForClockWindow(pi.dwProcessId, 15000);
    ASSERT_TRUE(hwnd != NULL);

    // The title starts ticking.
    EXPECT_TRUE(PumpUntil([&] {
        char title[64] = "";
        GetWindowTextA(hwnd, title, sizeof title);
        return strlen(title) == 8 && title[2] == ':' && title[5] == ':';
    }, 5000));

    // Closed the way the title bar's close button or Alt+F4 closes it.
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 15000));
    DWORD code = 1234;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(dir.File("*").c_str(), &fd);
    int files = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do
            files += strcmp(fd.cFileName, ".") != 0 && strcmp(fd.cFileName, "..") != 0;
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(0, files);
}
