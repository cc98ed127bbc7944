// Putting a new version of a file in the place of the old one so that a
// crash, a power cut or a reader sees the old version or the new one, never
// a mix: the new one is written to "<target>.tmp", flushed to the disk and
// renamed over the target in one step. No Win32 here; each platform's half
// is in safe_replace_win32.cpp or safe_replace_posix.cpp.
#pragma once

#include <stdio.h>

// Pushes a written stream's data from the system's cache to the disk; false
// when that failed, with the reason where the platform keeps it (errno; on
// Windows GetLastError).
typedef bool (*SettingsFlushProc)(FILE *file);
// The one used unless replaced: FlushFileBuffers, or fsync.
bool SettingsFlushToDisk(FILE *file);

// One replace in progress.
struct SafeReplace {
    const char *target;   // not owned
    char *tempName;       // "<target>.tmp", owned
    FILE *file;           // where the new version is written
    int waitedMs;         // time spent so far waiting for other programs
    bool inPlace;         // file is the target itself: see BeginReplace
};

// Opens and holds "<target>.tmp" (a leftover of a killed save included),
// removes the numbered temporary files of the release before and gives the
// temporary file the target's hidden and system attributes (POSIX: its
// permission bits). The temporary file is held until EndReplace, so a second
// replace of the same target waits for the first. Only a refusal that can
// pass is waited for, about a second in all: another program's hold of a
// moment, or a name that is being deleted.
//
// Where the folder refuses new files but the target exists and may be
// written (a folder locked down around one writable file), the target
// itself is opened, emptied and written in place, as a plain save would:
// such a replace is not safe against a cut in the middle of it.
//
// False, with nothing left behind, for a read-only target or when neither
// file can be had.
bool BeginReplace(SafeReplace *r, const char *target);

// written: whether everything went into r->file. Flushes it with flush and
// replaces the target with it, then closes it. A file system that offers no
// flush ("not supported") has been handed the data, which is all it can
// take: that counts as flushed. False, with the target left byte for byte
// as it was and no temporary file, when anything was not written or the
// flush or the replace failed (in place: with the target as far as it was
// written).
bool EndReplace(SafeReplace *r, bool written, SettingsFlushProc flush);
