// The shipped program as a process: it starts, shows its window, and ends
// with exit code 0 when the window is closed, writing no file.
#include "clock_test_support.h"

#include <string>
#include <vector>

namespace {

// The exe's path: a Unix one as Wine's drive Z: sees it, or the Windows
// host's own.
std::string ExePath()
{
    std::string path = LUMIVANE_EXE_PATH;
    if (path[0] == '/')
        path = "Z:" + path;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

struct FindData {
    DWORD pid;
    HWND hwnd;
};

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
    PumpUntil(
        [&] {
            EnumWindows(FindClockOf, (LPARAM)&fd);
            return fd.hwnd != NULL;
        },
        timeoutMs);
    return fd.hwnd;
}

}   // namespace

TEST(ShippedProgram, ClosingTheWindowEndsTheProcessWithZeroAndNoFile)
{
    TempWorkDir dir;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + ExePath() + "\" ignored arguments";
    ASSERT_TRUE(
        CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, dir.Path().c_str(), &si, &pi))
        << cmd << " error " << GetLastError();
    HWND hwnd = WaitForClockWindow(pi.dwProcessId, 15000);
    ASSERT_TRUE(hwnd != NULL);

    // The title starts ticking.
    EXPECT_TRUE(PumpUntil(
        [&] {
            char title[64] = "";
            GetWindowTextA(hwnd, title, sizeof title);
            return strlen(title) == 8 && title[2] == ':' && title[5] == ':';
        },
        5000));

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

namespace {

#pragma pack(push, 2)
struct IconDirEntry {   // an entry of an RT_GROUP_ICON resource
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::string VersionString(const std::vector<char> &info, const char *name)
{
    char *value = nullptr;
    UINT len = 0;
    std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), (void **)&value, &len) || !value)
        return "";
    return value;
}

}   // namespace

TEST(ShippedProgram, CarriesItsIconAndVersionInformation)
{
    const std::string exe = ExePath();
    HMODULE hModule = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(hModule != NULL) << exe;

    // One icon group "A" with one 32 x 32 image at 8 bits per pixel.
    HRSRC hGroup = FindResourceA(hModule, "A", (LPCSTR)RT_GROUP_ICON);
    ASSERT_TRUE(hGroup != NULL);
    const BYTE *dir = (const BYTE *)LockResource(LoadResource(hModule, hGroup));
    ASSERT_TRUE(dir != NULL);
    const WORD count = *(const WORD *)(dir + 4);
    ASSERT_EQ(1, count);
    const IconDirEntry *entry = (const IconDirEntry *)(dir + 6);
    EXPECT_EQ(32, entry->width);
    EXPECT_EQ(32, entry->height);
    EXPECT_EQ(8, entry->bitCount);
    FreeLibrary(hModule);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
    EXPECT_EQ("Lumivane", VersionString(info, "ProductName"));
    EXPECT_EQ(LUMIVANE_VERSION_STR, VersionString(info, "ProductVersion"));
    EXPECT_EQ(LUMIVANE_VERSION_STR, VersionString(info, "FileVersion"));
    EXPECT_FALSE(VersionString(info, "FileDescription").empty());
}
