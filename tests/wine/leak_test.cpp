// No pass leaves an object behind: the GDI handle table holds as many live
// objects after ten thousand passes as before, in every mode.
#include "clock_test_support.h"

#include "app/globals.h"
#include "app/menu.h"

namespace {

const int kPasses = 10000;

// Warms up (fonts are cached by the mapper on first use), then counts.
int ObjectsAfterPasses(void (*step)(int))
{
    for (int i = 0; i < 10; i++)
        step(i);
    const int before = CountGdiObjects();
    for (int i = 0; i < kPasses; i++)
        step(i);
    return CountGdiObjects() - before;
}

void SameMinute(int)
{
    Tick();
}

void NewMinuteEveryPass(int i)
{
    SetFakeTime((i / 60) % 24, i % 60, 0);
    Tick();
}

}   // namespace

using NoLeaks = ClockTest;

TEST_F(NoLeaks, AnalogPassesWithoutMinuteChanges)
{
    EXPECT_EQ(0, ObjectsAfterPasses(SameMinute));
}

TEST_F(NoLeaks, AnalogPassesThatRepaintEveryTime)
{
    EXPECT_EQ(0, ObjectsAfterPasses(NewMinuteEveryPass));
}

TEST_F(NoLeaks, DigitalPasses)
{
    Command(IDM_ANALOG);
    EXPECT_EQ(0, ObjectsAfterPasses(NewMinuteEveryPass));
}

TEST_F(NoLeaks, MinimisedPasses)
{
    ShowWindow(g_hwndMain, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(g_hwndMain));
    EXPECT_EQ(0, ObjectsAfterPasses(SameMinute));
}

TEST_F(NoLeaks, TheCensusSeesALeak)
{
    // The counter itself: an object kept alive shows as one more.
    const int before = CountGdiObjects();
    HPEN hPen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_EQ(before + 1, CountGdiObjects());
    DeleteObject(hPen);
    EXPECT_EQ(before, CountGdiObjects());
}

TEST_F(NoLeaks, TheCensusTellsWinesIdleCachedDcsFromOneInUse)
{
    // The soak's allowance for Wine's DC cache rests on this count.
    const int idle = CountIdleCachedDcs();
    ASSERT_GT(idle, 0) << "no idle DC in Wine's cache after a paint";
    HDC hdc = GetDC(g_hwndMain);
    EXPECT_EQ(idle - 1, CountIdleCachedDcs());
    ReleaseDC(g_hwndMain, hdc);
    EXPECT_EQ(idle, CountIdleCachedDcs());
}
