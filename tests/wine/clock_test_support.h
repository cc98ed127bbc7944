// Driving the clock window inside the test process: a replaceable clock
// source, a fresh working folder, message pumping and pixel read-back.
#pragma once

#include <windows.h>

#include "process_census.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>

// Replaces the clock source with a fixed time.
void SetFakeTime(int hour, int minute, int second);

// Dispatches every queued message, for at least ms milliseconds.
void PumpMessages(DWORD ms = 0);

// Pumps until done() holds or timeoutMs passes; gives done()'s last answer.
template <typename F> bool PumpUntil(F done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return done();
        PumpMessages(10);
    }
    return true;
}

// One timer tick, as timer 1 delivers it.
void Tick();

RECT ClientRect();

// Reads a client pixel from the window's own surface.
COLORREF ReadPixel(int x, int y);

// Paints the whole client area with a marker colour outside any paint
// bracket, so that a later read shows whether a pass painted over it.
void MarkClient(COLORREF marker);

// Sends WM_SYSCOMMAND with one of the clock's identifiers.
LRESULT Command(WPARAM id);

// The extent of "8" in the analog face's numeral font for a client of
// width x height, measured on hdc as the face measures it.
SIZE NumeralExtent8(HDC hdc, int width, int height);

// Whether an icon handle still names a live icon.
bool IconAlive(HICON hIcon);

// A fresh temporary folder, made the working directory; removed at the end.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    const std::string &Path() const { return path; }
    std::string File(const char *name) const { return path + "\\" + name; }

private:
    std::string path;
    std::string previous;
};

// Each case starts the clock in a fresh working folder at a fixed time and
// destroys the window at the end.
class ClockTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TempWorkDir dir;
};

std::string ReadFileText(const std::string &path);
void WriteFileText(const std::string &path, const std::string &text);
bool FileExists(const std::string &path);

// Whether the system-menu item id shows its check mark.
bool Checked(UINT id);

// Runs a command that may open a modal box; act runs on a second thread
// with the box and gives the button that ends it. Gives the box, or null
// when the command returned without one (or none appeared within five
// seconds).
HWND RunWithDialog(WPARAM id, const std::function<int(HWND)> &act);

// Whether real pointer input can be made: under Wine, whether xdotool is
// installed; Windows makes it itself.
bool HaveXdotool();

// Real pointer input, given as xdotool's commands: under Wine, xdotool, a
// Unix program, is started; on Windows they are sent through SendInput.
// The end of xdotool cannot be waited for, so callers wait for the effect.
bool Xdotool(const std::string &args);

// The clock window's layered alpha.
BYTE WindowAlpha();

// Colour helpers for pixel checks.
int ColorDistance(COLORREF a, COLORREF b);
