// Loading and saving through the window and the real file, in a fresh working
// folder: what a file does to the clock at start and on "Load settings", and
// what "Save settings" writes.
#include "clock_test_support.h"

#include <memory>
#include <string>
#include <thread>

#include "app/clock.h"
#include "app/globals.h"
#include "app/menu.h"

namespace {

const char kFile[] = "Lumivane.ini";

std::string Num(long n)
{
    return std::to_string(n);
}

// The file a save writes from the program-start state.
std::string FirstSave()
{
    return "Analog=1\r\nOnTop=0\r\nBGTransparent=0\r\nOpacy=200\r\nColFG=65793\r\n"
           "ColBG=" +
           Num((long)GetSysColor(COLOR_BTNFACE)) +
           "\r\n"
           "Top=0\r\nLeft=0\r\nRight=186\r\nBottom=194\r\n";
}

LONG_PTR ExStyle()
{
    return GetWindowLongPtrA(g_hwndMain, GWL_EXSTYLE);
}

RECT RestoredRect()
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(g_hwndMain, &wp);
    return wp.rcNormalPosition;
}

// Holds a file open from a second thread for ms milliseconds, as a virus
// scanner or an indexer does: reading, sharing neither writing nor deletion.
class HeldFile {
public:
    HeldFile(const std::string &path, DWORD ms)
    {
        HANDLE h =
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        EXPECT_NE(INVALID_HANDLE_VALUE, h) << path;
        holder = std::thread([h, ms] {
            Sleep(ms);
            CloseHandle(h);
        });
    }
    ~HeldFile() { holder.join(); }

private:
    std::thread holder;
};

bool AnyTempFile(const TempWorkDir &dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(dir.File("*.tmp").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

// Runs a Linux shell command line. Like xdotool's, its end cannot be waited
// for through the handle: callers wait for the effect.
bool LinuxShell(const std::string &line)
{
    std::string cmd = "Z:\\bin\\sh -c \"" + line + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Whether a new file can be made in the folder now. A probe that the lock
// caught between its creation and its deletion is removed first.
bool TakesNewFiles(const std::string &folder)
{
    const std::string probe = folder + "\\probe";
    DeleteFileA(probe.c_str());
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                           FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

// The folder refuses new files while this lives, as a folder an
// administrator has locked down around one writable file does. Wine keeps
// no folder permissions of its own, so the Linux folder is made immutable
// (as root, whom permissions do not stop) or loses its write permission.
class FolderTakingNoNewFile {
public:
    explicit FolderTakingNoNewFile(const std::string &folder) : folder(folder)
    {
        typedef char *(CDECL * UnixNameProc)(const WCHAR *);
        const UnixNameProc unixName = (UnixNameProc)(void *)GetProcAddress(
            GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
        WCHAR wide[MAX_PATH];
        char *name = unixName && MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH)
                         ? unixName(wide)
                         : nullptr;
        EXPECT_NE(nullptr, name) << "no Linux path for " << folder << " (not under Wine?)";
        if (name) {
            unixFolder = name;
            HeapFree(GetProcessHeap(), 0, name);
            LinuxShell("chattr +i '" + unixFolder + "' 2>/dev/null || chmod a-w '" + unixFolder +
                       "'");
        }
        locked = PumpUntil([&] { return !TakesNewFiles(folder); }, 5000);
        EXPECT_TRUE(locked) << folder << " still takes new files";
    }
    ~FolderTakingNoNewFile()
    {
        if (!unixFolder.empty())
            LinuxShell("chattr -i '" + unixFolder + "' 2>/dev/null; chmod u+w '" + unixFolder +
                       "'");
        EXPECT_TRUE(PumpUntil([&] { return TakesNewFiles(folder); }, 5000))
            << folder << " stays locked";
    }
    bool locked = false;

private:
    std::string folder, unixFolder;
};

// Starts the clock with a prepared settings file in its working folder.
class StartWithFile : public testing::Test {
protected:
    void Start(const std::string &fileText)
    {
        WriteFileText(dir.File(kFile), fileText);
        SetFakeTime(10, 41, 59);
        StartClock(GetModuleHandleA(NULL), SW_SHOWNORMAL);
        ASSERT_TRUE(IsWindow(g_hwndMain));
        Tick();
        PumpMessages();
    }
    void TearDown() override
    {
        if (IsWindow(g_hwndMain))
            DestroyWindow(g_hwndMain);
        PumpMessages();
    }
    TempWorkDir dir;
};

}   // namespace

using SettingsStart = StartWithFile;

TEST_F(SettingsStart, OpacyAloneSetsOnlyTheAlpha)
{
    Start("Opacy=120\n");
    EXPECT_EQ(120, g_alpha);
    EXPECT_EQ(120, WindowAlpha());
    EXPECT_TRUE(Checked(IDM_ANALOG));
    EXPECT_FALSE(Checked(IDM_ONTOP));
    EXPECT_FALSE(Checked(IDM_BGTRANSPARENT));
    EXPECT_EQ(0x00010101u, g_fgColor);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), g_bgColor);
    RECT rc;
    GetWindowRect(g_hwndMain, &rc);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(186, rc.right);
}

TEST_F(SettingsStart, OpacyKeepsTheLowEightBits)
{
    const struct {
        const char *value;
        int alpha;
    } cases[] = {
        { "300", 44 }, { "-1", 255 }, { "0", 0 }, { "255", 255 }, { "20x", 20 }, { "x", 0 },
    };
    Start("");
    for (const auto &c : cases) {
        WriteFileText(dir.File(kFile), std::string("Opacy=") + c.value + "\r\n");
        Command(IDM_LOAD_SETTINGS);
        EXPECT_EQ(c.alpha, g_alpha) << c.value;
        EXPECT_EQ(c.alpha, WindowAlpha()) << c.value;
    }
}

TEST_F(SettingsStart, AnalogIsOnExactlyWhenItReadsAsOne)
{
    const struct {
        const char *line;
        bool analog;
    } cases[] = {
        { "Analog=2", false }, { "Analog=a1", false }, { "Analog=01", true }, { "Analog=1x", true },
        { "ANALOG=0", false }, { "analog=1", true },   { "Analog=0", false },
    };
    Start("");
    for (const auto &c : cases) {
        WriteFileText(dir.File(kFile), std::string(c.line) + "\n");
        Command(IDM_LOAD_SETTINGS);
        EXPECT_EQ(c.analog, IsModeOn(MENU_ANALOG)) << c.line;
        EXPECT_EQ(c.analog, Checked(IDM_ANALOG)) << c.line;
    }
}

TEST_F(SettingsStart, TransparentBackgroundRemembersTheLoadedColour)
{
    Start("ColBG=255\nBGTransparent=1\n");
    EXPECT_TRUE(Checked(IDM_BGTRANSPARENT));
    EXPECT_EQ(0u, g_bgColor);
    EXPECT_EQ(255u, g_savedBgColor);
    Command(IDM_BGTRANSPARENT);
    EXPECT_FALSE(Checked(IDM_BGTRANSPARENT));
    EXPECT_EQ(255u, g_bgColor);
}

TEST_F(SettingsStart, BGTransparentZeroTurnsTheModeOffWithTheRememberedColour)
{
    Start("");
    const COLORREF face = g_bgColor;
    Command(IDM_BGTRANSPARENT);
    ASSERT_EQ(0u, g_bgColor);
    WriteFileText(dir.File(kFile), "BGTransparent=0\n");
    Command(IDM_LOAD_SETTINGS);
    EXPECT_FALSE(Checked(IDM_BGTRANSPARENT));
    EXPECT_EQ(face, g_bgColor);
}

TEST_F(SettingsStart, OnTopFromTheFileIsTopmostButStillClickable)
{
    Start("OnTop=1\n");
    EXPECT_TRUE(Checked(IDM_ONTOP));
    EXPECT_TRUE(ExStyle() & WS_EX_TOPMOST);
    EXPECT_FALSE(ExStyle() & WS_EX_TRANSPARENT);
    Command(IDM_ONTOP);   // off: neither topmost nor click-through
    EXPECT_FALSE(Checked(IDM_ONTOP));
    EXPECT_FALSE(ExStyle() & (WS_EX_TOPMOST | WS_EX_TRANSPARENT));
    Command(IDM_ONTOP);   // on again: both
    EXPECT_TRUE(ExStyle() & WS_EX_TOPMOST);
    EXPECT_TRUE(ExStyle() & WS_EX_TRANSPARENT);
}

TEST_F(SettingsStart, EdgesMoveTheRestoredRectangle)
{
    Start("Top=50\nLeft=60\n");
    RECT rc;
    GetWindowRect(g_hwndMain, &rc);
    EXPECT_EQ(60, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_EQ(186, rc.right);   // right and bottom stay: the window shrinks
    EXPECT_EQ(194, rc.bottom);
}

TEST_F(SettingsStart, LoadingWhileMaximisedKeepsTheWindowMaximised)
{
    Start("");
    ShowWindow(g_hwndMain, SW_MAXIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsZoomed(g_hwndMain));
    WriteFileText(dir.File(kFile), "Top=10\nLeft=20\nRight=320\nBottom=250\n");
    Command(IDM_LOAD_SETTINGS);
    PumpMessages();
    EXPECT_TRUE(IsZoomed(g_hwndMain));
    const RECT rc = RestoredRect();
    EXPECT_EQ(10, rc.top);
    EXPECT_EQ(20, rc.left);
    EXPECT_EQ(320, rc.right);
    EXPECT_EQ(250, rc.bottom);
    ShowWindow(g_hwndMain, SW_RESTORE);
    PumpMessages();
    RECT now;
    GetWindowRect(g_hwndMain, &now);
    EXPECT_EQ(20, now.left);
    EXPECT_EQ(320, now.right);
}

TEST_F(SettingsStart, AnEditedFileIsAppliedByLoadSettings)
{
    Start("Opacy=50\nColFG=255\n");
    ASSERT_EQ(50, g_alpha);
    WriteFileText(dir.File(kFile), "ColFG=65280\nOpacy=90\n");
    Command(IDM_LOAD_SETTINGS);
    EXPECT_EQ(90, g_alpha);
    EXPECT_EQ(65280u, g_fgColor);
    // A missing file changes nothing and shows nothing.
    DeleteFileA(dir.File(kFile).c_str());
    Command(IDM_LOAD_SETTINGS);
    EXPECT_EQ(90, g_alpha);
}

using SettingsSave = ClockTest;

TEST_F(SettingsSave, FirstSaveWritesTheTenKeysInOrder)
{
    ASSERT_FALSE(FileExists(dir.File(kFile)));
    Command(IDM_SAVE_SETTINGS);
    EXPECT_EQ(FirstSave(), ReadFileText(dir.File(kFile)));
    // Saving again with nothing changed writes the same bytes.
    Command(IDM_SAVE_SETTINGS);
    EXPECT_EQ(FirstSave(), ReadFileText(dir.File(kFile)));
}

TEST_F(SettingsSave, TransparentModeSavesTheRememberedColour)
{
    g_bgColor = RGB(1, 2, 3);
    Command(IDM_BGTRANSPARENT);
    g_alpha = 255;
    Command(IDM_SAVE_SETTINGS);
    const std::string text = ReadFileText(dir.File(kFile));
    EXPECT_NE(std::string::npos, text.find("\r\nBGTransparent=1\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nColBG=" + Num(RGB(1, 2, 3)) + "\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nOpacy=255\r\n"));
}

TEST_F(SettingsSave, RestoredRectangleWhileMinimisedOrMaximised)
{
    SetWindowPos(g_hwndMain, NULL, -30, -20, 200, 210, SWP_NOZORDER);
    for (int show : { SW_MINIMIZE, SW_MAXIMIZE }) {
        ShowWindow(g_hwndMain, show);
        PumpMessages();
        Command(IDM_SAVE_SETTINGS);
        const std::string text = ReadFileText(dir.File(kFile));
        EXPECT_NE(std::string::npos,
                  text.find("Top=-20\r\nLeft=-30\r\nRight=170\r\nBottom=190\r\n"))
            << show << "\n"
            << text;
        ShowWindow(g_hwndMain, SW_RESTORE);
        PumpMessages();
    }
}

using SettingsRoundTrip = StartWithFile;

TEST_F(SettingsRoundTrip, SaveKeepsOrderCaseAndForeignLines)
{
    Start("Opacy=50\r\n[Settings]\r\nanalog=0\r\n# x=1\r\nAnalog = 1\r\nOpacy=90\r\n");
    ASSERT_FALSE(IsModeOn(MENU_ANALOG));
    g_alpha = 77;
    Command(IDM_SAVE_SETTINGS);
    const std::string expected = "Opacy=77\r\nanalog=0\r\n# x=1\r\nAnalog = 1\r\nOpacy=90\r\n"
                                 "OnTop=0\r\nBGTransparent=0\r\nColFG=65793\r\nColBG=" +
                                 Num((long)GetSysColor(COLOR_BTNFACE)) +
                                 "\r\nTop=0\r\nLeft=0\r\nRight=186\r\nBottom=194\r\n";
    EXPECT_EQ(expected, ReadFileText(dir.File(kFile)));
}

TEST_F(SettingsRoundTrip, LoadAndSaveCyclesDoNotGrowTheFile)
{
    Start("Opacy=60\nUnknownKey=5\n");
    Command(IDM_SAVE_SETTINGS);
    const std::string first = ReadFileText(dir.File(kFile));
    for (int i = 0; i < 5; i++) {
        Command(IDM_LOAD_SETTINGS);
        Command(IDM_SAVE_SETTINGS);
    }
    EXPECT_EQ(first, ReadFileText(dir.File(kFile)));
    EXPECT_EQ(60, g_alpha);
}

TEST_F(SettingsRoundTrip, AFailedSaveShowsTheErrorAndLeavesTheFile)
{
    const std::string original = "Opacy=60\r\nAnalog=1\r\n";
    Start(original);
    const std::string path = dir.File(kFile);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    g_alpha = 99;
    std::string caption, text;
    HWND owner = (HWND)1;
    EXPECT_TRUE(RunWithDialog(IDM_SAVE_SETTINGS, [&](HWND box) {
        char buf[256] = "";
        GetWindowTextA(box, buf, sizeof buf);
        caption = buf;
        GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);   // the box's static text
        text = buf;
        owner = GetWindow(box, GW_OWNER);
        return IDOK;
    }));
    EXPECT_EQ("Error", caption);
    EXPECT_EQ("Could not save Settings", text);
    EXPECT_EQ(NULL, owner);
    EXPECT_EQ(original, ReadFileText(path));

    // Writable again: the next save writes the current state.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    Command(IDM_SAVE_SETTINGS);
    EXPECT_EQ(0u, ReadFileText(path).find("Opacy=99\r\nAnalog=1\r\n"));
}

TEST_F(SettingsRoundTrip, AFileHeldOpenElsewhereIsNotReplaced)
{
    const std::string original = "Opacy=60\r\n";
    Start(original);
    const std::string path = dir.File(kFile);
    HANDLE h =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_TRUE(RunWithDialog(IDM_SAVE_SETTINGS, [](HWND) { return IDOK; }));
    CloseHandle(h);
    EXPECT_EQ(original, ReadFileText(path));
    EXPECT_FALSE(AnyTempFile(dir));   // nothing left behind
}

TEST_F(SettingsSave, AMomentsHoldOnEitherFileIsWaitedFor)
{
    // The settings file itself, or a temporary file that a killed save left
    // and a scanner now reads.
    int alpha = 50;
    for (const char *held : { kFile, "Lumivane.ini.tmp" }) {
        SCOPED_TRACE(held);
        WriteFileText(dir.File(held), "Opacy=60\r\n");
        g_alpha = ++alpha;
        {
            HeldFile hold(dir.File(held), 300);
            EXPECT_EQ(NULL, RunWithDialog(IDM_SAVE_SETTINGS, [](HWND) { return IDOK; }));
        }
        EXPECT_EQ(0u, ReadFileText(dir.File(kFile))
                          .find("Analog=1\r\nOnTop=0\r\nBGTransparent=0\r\nOpacy=" + Num(alpha) +
                                "\r\n"));
        EXPECT_FALSE(AnyTempFile(dir));
    }
}

TEST_F(SettingsSave, AFolderThatTakesNoNewFileIsWrittenInPlace)
{
    // Longer than the save: it must be emptied first.
    WriteFileText(dir.File(kFile), "Old=" + std::string(600, 'x') + "\r\n");
    FolderTakingNoNewFile lockedDown(dir.Path());
    ASSERT_TRUE(lockedDown.locked);
    EXPECT_EQ(NULL, RunWithDialog(IDM_SAVE_SETTINGS, [](HWND) { return IDOK; }));
    EXPECT_EQ(FirstSave(), ReadFileText(dir.File(kFile)));
    EXPECT_FALSE(AnyTempFile(dir));
}

TEST_F(SettingsSave, ARefusalThatCannotPassGivesTheBoxAtOnce)
{
    // A moment's hold is waited for, about a second; these are not. Either
    // way nothing is left behind.
    const std::string path = dir.File(kFile);
    for (bool folderInPlace : { true, false }) {
        SCOPED_TRACE(folderInPlace ? "a folder in the file's place"
                                   : "a locked-down folder without the file");
        std::unique_ptr<FolderTakingNoNewFile> lockedDown;
        if (folderInPlace)
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL));
        else
            lockedDown.reset(new FolderTakingNoNewFile(dir.Path()));
        LARGE_INTEGER frequency, sent, shown = {};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&sent);
        EXPECT_TRUE(RunWithDialog(IDM_SAVE_SETTINGS, [&](HWND) {
            QueryPerformanceCounter(&shown);
            return IDOK;
        }));
        const double ms = (shown.QuadPart - sent.QuadPart) * 1000.0 / frequency.QuadPart;
        printf("the box %.0f ms after the command\n", ms);
        EXPECT_LT(ms, 500.0);
        lockedDown.reset();
        EXPECT_FALSE(AnyTempFile(dir));
        EXPECT_EQ(folderInPlace, RemoveDirectoryA(path.c_str()) != 0);
        EXPECT_FALSE(FileExists(path));
    }
}

TEST_F(SettingsSave, HiddenOrSystemFileKeepsItsAttributes)
{
    const std::string path = dir.File(kFile);
    for (DWORD attributes : { FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM }) {
        SCOPED_TRACE(attributes);
        g_alpha = 0;
        Command(IDM_SAVE_SETTINGS);
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
        g_alpha = 90;
        EXPECT_EQ(NULL, RunWithDialog(IDM_SAVE_SETTINGS, [](HWND) { return IDOK; }));
        EXPECT_NE(std::string::npos, ReadFileText(path).find("\r\nOpacy=90\r\n"));
        EXPECT_EQ(attributes, GetFileAttributesA(path.c_str()) &
                                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(SettingsSave, PopupItemsWorkWhenTheyArriveAsMenuCommands)
{
    // A control's notification with the same number is not a menu choice.
    SendMessageA(g_hwndMain, WM_COMMAND, MAKEWPARAM(IDM_SAVE_SETTINGS, BN_CLICKED),
                 (LPARAM)g_hwndMain);
    EXPECT_FALSE(FileExists(dir.File(kFile)));
    // Nor is an accelerator's (code 1), which comes without a control.
    SendMessageA(g_hwndMain, WM_COMMAND, MAKEWPARAM(IDM_SAVE_SETTINGS, 1), 0);
    EXPECT_FALSE(FileExists(dir.File(kFile)));
    SendMessageA(g_hwndMain, WM_COMMAND, MAKEWPARAM(IDM_SAVE_SETTINGS, 0), 0);
    EXPECT_EQ(FirstSave(), ReadFileText(dir.File(kFile)));
}
