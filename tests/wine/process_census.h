// A census of what this process holds: GDI objects, read from the shared
// handle table, and memory.
#pragma once

#include <windows.h>

// Object types as the handle table records them.
enum GdiObjectType {
    kGdiDc = 0x01,
    kGdiRegion = 0x04,
    kGdiBitmap = 0x05,
    kGdiFont = 0x0a,
    kGdiBrush = 0x10,
    kGdiPen = 0x30,
};

// The live GDI objects of this process: Windows' own count, or under Wine
// the process's handle table. byType, when given, gets the count of each
// object type from the table added in; on Windows the table holds the whole
// session's objects, so a census by type means something under Wine only.
int CountGdiObjects(int byType[256] = nullptr);

// The DCs that the window manager keeps in its cache between a window's
// ReleaseDC and the next GetDC: Wine disables them while idle, so that they
// answer no query. Every other DC (the screen's, memory DCs, one in use)
// answers.
int CountIdleCachedDcs();

// Private memory: under Wine the process's resident anonymous memory, its
// Unix side included.
SIZE_T PrivateBytes();

// Bytes in use on the process's Windows heaps: what the program and the
// Windows side of the system DLLs hold. The rest of private memory is Wine's
// own, on its Unix side (window and GDI objects, X11, fonts). Wine 10's
// heaps, unlike Wine 8's, have a low-fragmentation front end: a group of 31
// small blocks is walked as one block in use while any of them is, and
// emptied groups are kept for reuse, so the count can grow by a group where
// the program holds not a byte more.
SIZE_T HeapBytesInUse();

// What this program holds through the C runtime: the blocks and bytes that
// malloc, calloc, realloc and _strdup gave it (new calls malloc) less those
// it freed, counted from the first call on. That call routes the exe's own
// imports of those routines through counters, so the count is exact on any
// heap: it is the memory of the clock's own code, the tests' and the C++
// library's, and none of the C runtime's own (stream buffers) or the system
// DLLs'.
struct CrtMemory {
    LONG blocks;
    LONG64 bytes;
};
CrtMemory CrtMemoryInUse();
