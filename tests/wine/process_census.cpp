// Counting live GDI objects by walking the handle table, where the platform
// cannot count them (GetGuiResources gives 0 under Wine), and memory.
#include "process_census.h"

#include <psapi.h>

namespace {

// The shared GDI handle table that the PEB points to, with the size of its
// entries and where in an entry the object type is; the type byte is
// non-zero while the object lives.
struct HandleTable {
    const BYTE *entries;
    int entrySize;
    int uniqueOffset;
    int typeOffset;

    BYTE TypeAt(int i) const { return entries[i * entrySize + typeOffset]; }
    // A handle is its entry's index with the entry's serial above it.
    HGDIOBJ HandleAt(int i) const
    {
        const WORD unique = *(const WORD *)(entries + i * entrySize + uniqueOffset);
        return (HGDIOBJ)(ULONG_PTR)(i | (DWORD)unique << 16);
    }
};

HandleTable GdiHandleTable()
{
#ifdef _WIN64
    const BYTE *peb;
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
    return { *(const BYTE *const *)(peb + 0xF8), 24, 12, 14 };
#else
    const BYTE *peb;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    return { *(const BYTE *const *)(peb + 0x94), 16, 8, 10 };
#endif
}

const int kHandleTableSize = 0x10000;

}   // namespace

int CountGdiObjects(int byType[256])
{
    // Windows counts a process's objects itself, and its handle table is
    // shared by the whole session; Wine's count is always 0, and its table
    // is the process's own. A count by type needs the table.
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted && !byType)
        return (int)counted;
    const HandleTable table = GdiHandleTable();
    int live = 0;
    for (int i = 0; i < kHandleTableSize; i++)
        if (const BYTE type = table.TypeAt(i)) {
            live++;
            if (byType)
                byType[type]++;
        }
    return live;
}

int CountIdleCachedDcs()
{
    const HandleTable table = GdiHandleTable();
    int idle = 0;
    for (int i = 0; i < kHandleTableSize; i++)
        // A DC in use always has a mapping mode.
        if (table.TypeAt(i) == kGdiDc && GetMapMode((HDC)table.HandleAt(i)) == 0)
            idle++;
    return idle;
}

SIZE_T PrivateBytes()
{
    // Wine reports PrivateUsage as 0; PagefileUsage holds the same figure
    // there (RssAnon and VmSwap of /proc/self/status) and on Windows.
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

SIZE_T HeapBytesInUse()
{
    HANDLE heaps[64];
    const DWORD n = GetProcessHeaps(64, heaps);
    SIZE_T used = 0;
    for (DWORD h = 0; h < n && h < 64; h++) {
        PROCESS_HEAP_ENTRY e = {};
        HeapLock(heaps[h]);
        while (HeapWalk(heaps[h], &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                used += e.cbData;
        HeapUnlock(heaps[h]);
    }
    return used;
}
