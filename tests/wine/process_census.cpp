// Counting live GDI objects by walking the handle table, where the platform
// cannot count them (GetGuiResources gives 0 under Wine), and memory.
#include "process_census.h"

#include <psapi.h>
#include <string.h>

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
    const BYTE *teb, *peb;
    __asm__("movl %%fs:0x18, %0" : "=r"(teb));
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
        // Wine lays the table out as for 64-bit code in 32-bit code too. In
        // its WoW64 mode (Wine 10's here) only the 64-bit PEB points to it,
        // the 32-bit one holds null; Wine's gdi32 reaches it through the
        // 64-bit TEB, whose address Wine keeps in the 32-bit TEB's
        // GdiBatchCount.
        const ULONG_PTR teb64 = *(const DWORD *)(teb + 0xF70);
        if (teb64) {
            const ULONG_PTR peb64 = (ULONG_PTR) * (const ULONGLONG *)(teb64 + 0x60);
            return { (const BYTE *)(ULONG_PTR) * (const ULONGLONG *)(peb64 + 0xF8), 24, 12, 14 };
        }
        return { *(const BYTE *const *)(peb + 0x94), 24, 12, 14 };
    }
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

namespace {

// The C runtime's own routines, and what the exe holds through them.
struct CrtRoutines {
    void *(__cdecl *malloc)(size_t);
    void *(__cdecl *calloc)(size_t, size_t);
    void *(__cdecl *realloc)(void *, size_t);
    char *(__cdecl *strdup)(const char *);
    void(__cdecl *free)(void *);
    size_t(__cdecl *msize)(void *);
};
CrtRoutines s_crt;
volatile LONG s_crtBlocks;
volatile LONG64 s_crtBytes;

// Counts a block taken (1) or given back (-1); called while it is live.
void CountBlock(void *p, LONG sign)
{
    if (!p)
        return;
    InterlockedExchangeAdd(&s_crtBlocks, sign);
    InterlockedExchangeAdd64(&s_crtBytes, sign * (LONG64)s_crt.msize(p));
}

void *__cdecl CountedMalloc(size_t size)
{
    void *p = s_crt.malloc(size);
    CountBlock(p, 1);
    return p;
}

void *__cdecl CountedCalloc(size_t count, size_t size)
{
    void *p = s_crt.calloc(count, size);
    CountBlock(p, 1);
    return p;
}

char *__cdecl CountedStrdup(const char *text)
{
    char *p = s_crt.strdup(text);
    CountBlock(p, 1);
    return p;
}

void __cdecl CountedFree(void *p)
{
    CountBlock(p, -1);
    s_crt.free(p);
}

// The old block, when there is one, counts as given back and the result as
// taken: realloc may move the block, and frees it for size 0. A failed one
// leaves the old block as it was.
void *__cdecl CountedRealloc(void *p, size_t size)
{
    const LONG64 oldBytes = p ? (LONG64)s_crt.msize(p) : 0;
    void *moved = s_crt.realloc(p, size);
    if (!moved && size)
        return moved;
    if (p) {
        InterlockedDecrement(&s_crtBlocks);
        InterlockedExchangeAdd64(&s_crtBytes, -oldBytes);
    }
    CountBlock(moved, 1);
    return moved;
}

// Points the exe's import slots for the C runtime's allocation routines at
// the counting ones. Code that calls them goes through these slots, the
// C++ library's operator new among it.
void RouteCrtImports()
{
    const HMODULE msvcrt = GetModuleHandleA("msvcrt.dll");
    s_crt.malloc = (decltype(s_crt.malloc))(void (*)())GetProcAddress(msvcrt, "malloc");
    s_crt.calloc = (decltype(s_crt.calloc))(void (*)())GetProcAddress(msvcrt, "calloc");
    s_crt.realloc = (decltype(s_crt.realloc))(void (*)())GetProcAddress(msvcrt, "realloc");
    s_crt.strdup = (decltype(s_crt.strdup))(void (*)())GetProcAddress(msvcrt, "_strdup");
    s_crt.free = (decltype(s_crt.free))(void (*)())GetProcAddress(msvcrt, "free");
    s_crt.msize = (decltype(s_crt.msize))(void (*)())GetProcAddress(msvcrt, "_msize");
    const struct {
        const char *name;
        void *counted;
    } routes[] = {
        { "malloc", (void *)CountedMalloc },   { "calloc", (void *)CountedCalloc },
        { "realloc", (void *)CountedRealloc }, { "_strdup", (void *)CountedStrdup },
        { "free", (void *)CountedFree },
    };

    const BYTE *base = (const BYTE *)GetModuleHandleA(NULL);
    const IMAGE_NT_HEADERS *nt =
        (const IMAGE_NT_HEADERS *)(base + ((const IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    // The linker may give one DLL more than one import descriptor.
    for (const IMAGE_IMPORT_DESCRIPTOR *dll =
             (const IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress);
         dll->Name; dll++) {
        if (_stricmp((const char *)(base + dll->Name), "msvcrt.dll") != 0)
            continue;
        const IMAGE_THUNK_DATA *name = (const IMAGE_THUNK_DATA *)(base + dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(base + dll->FirstThunk);
        for (; name->u1.AddressOfData; name++, slot++) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const char *imported =
                (const char *)((const IMAGE_IMPORT_BY_NAME *)(base + name->u1.AddressOfData))->Name;
            for (const auto &route : routes)
                if (strcmp(imported, route.name) == 0) {
                    DWORD protect;
                    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                                   &protect);
                    slot->u1.Function = (ULONG_PTR)route.counted;
                    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protect, &protect);
                }
        }
    }
}

}   // namespace

CrtMemory CrtMemoryInUse()
{
    if (!s_crt.malloc)
        RouteCrtImports();
    return { s_crtBlocks, s_crtBytes };
}
