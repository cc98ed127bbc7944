// The order of a safe replace, the same on every platform: hold the
// temporary file, write, flush, replace, and on any failure remove the
// temporary file and leave the target alone; or, where the folder takes no
// new file, the plain write in place. The platform steps are in
// safe_replace_win32.cpp and safe_replace_posix.cpp.
#include "settings/safe_replace.h"

#include <stdlib.h>
#include <string.h>

#include "settings/safe_replace_platform.h"

// A virus scanner or an indexer opens a fresh file for a moment; a replace
// waits for it this long in all, looking again at this interval.
static const int kHeldWaitMs = 1000;
static const int kHeldPollMs = 50;

bool WaitForOtherProgram(int *waitedMs)
{
    if (*waitedMs >= kHeldWaitMs)
        return false;
    PauseMs(kHeldPollMs);
    *waitedMs += kHeldPollMs;
    return true;
}

// What the release before this one named the temporary file of each save,
// anew every time.
bool IsOldTempName(const char *name, const char *targetName)
{
    const size_t len = strlen(targetName);
    if (strncmp(name, targetName, len) != 0)
        return false;
    const char *p = name + len;
    for (int part = 0; part < 2; part++) {
        if (*p++ != '.')
            return false;
        const char *digits = p;
        while (*p >= '0' && *p <= '9')
            p++;
        if (p == digits)
            return false;
    }
    return strcmp(p, ".tmp") == 0;
}

bool BeginReplace(SafeReplace *r, const char *target)
{
    r->target = target;
    r->tempName = nullptr;
    r->file = nullptr;
    r->waitedMs = 0;
    r->inPlace = false;
    if (IsReadOnly(target))
        return false;
    // One temporary file per target, with a fixed name: a save that was
    // killed leaves it, and the next save reuses it.
    r->tempName = (char *)malloc(strlen(target) + 5);
    if (!r->tempName)
        return false;
    sprintf(r->tempName, "%s.tmp", target);
    bool folderRefused = false;
    r->file = OpenHeldTemp(r->tempName, &r->waitedMs, &folderRefused);
    if (r->file) {
        RemoveOldTemps(target);
        if (KeepWhatTheUserSet(target, r->tempName, r->file))
            return true;
        DeleteTemp(r->tempName);
        fclose(r->file);
        r->file = nullptr;
    } else if (folderRefused) {
        // An administrator may lock a folder down around one writable file.
        // A save that was made safer must not fail where the plain one works.
        r->file = OpenInPlace(target, &r->waitedMs);
        r->inPlace = r->file != nullptr;
    }
    free(r->tempName);
    r->tempName = nullptr;
    return r->inPlace;
}

bool EndReplace(SafeReplace *r, bool written, SettingsFlushProc flush)
{
    bool ok = written;
    // A full disk often shows only here, when the buffer goes out. The data
    // must be on the disk before the new name points at it: the journal
    // keeps the rename, not the data.
    if (fflush(r->file) != 0 || (ok && !flush(r->file) && !FlushNotOffered()))
        ok = false;
    // Replaced while still held, so that no other clock has the file between.
    if (ok && !r->inPlace)
        ok = ReplaceTarget(r->tempName, r->target, &r->waitedMs);
    if (!ok && !r->inPlace)
        DeleteTemp(r->tempName);
    // Flushed already: nothing is left that the close could fail to write.
    fclose(r->file);
    r->file = nullptr;
    free(r->tempName);
    r->tempName = nullptr;
    return ok;
}
