// The Windows half of the safe replace: the temporary file held through its
// share mode, attributes, MoveFileExA and FindFirstFileA.
#include "settings/safe_replace.h"

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "settings/safe_replace_platform.h"

bool SettingsFlushToDisk(FILE *file)
{
    return FlushFileBuffers((HANDLE)_get_osfhandle(_fileno(file))) != 0;
}

// Some network redirectors and virtual drives answer so.
bool FlushNotOffered()
{
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED;
}

void PauseMs(int ms)
{
    Sleep(ms);
}

const char *FileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

// Windows will not replace a read-only file, and neither may we: Wine's
// replace would, so the user's protection is checked here.
bool IsReadOnly(const char *path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Whether a refused open or replace of name can pass if we wait. A sharing
// or lock violation is another program's hold of a moment. Access denied is
// one where the name is being deleted (Windows refuses to open it, or to
// read its attributes, until its last handle closes) and, for a replace,
// where the target is a plain file that another program holds without
// sharing its deletion; it cannot be told from a file the user may not
// delete, which is waited for too. A folder in the file's place, a folder
// the user may not write or a path that cannot exist are answered at once.
static bool CanPass(DWORD error, const char *name, bool replacing)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return true;
    if (error != ERROR_ACCESS_DENIED)
        return false;
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_ACCESS_DENIED;
    return replacing && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

// Opens name with a share mode that holds it, waiting for a refusal that
// can pass; gives the handle, or INVALID_HANDLE_VALUE with GetLastError.
static HANDLE OpenHeld(const char *name, DWORD share, DWORD disposition, int *waitedMs)
{
    HANDLE h;
    while ((h = CreateFileA(name, GENERIC_WRITE, share, NULL, disposition, FILE_ATTRIBUTE_NORMAL,
                            NULL)) == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (!CanPass(error, name, false) || !WaitForOtherProgram(waitedMs)) {
            SetLastError(error);
            break;
        }
    }
    return h;
}

// The handle emptied, as a text-mode stream (CR LF line ends, as the file
// has always had). Null when that fails, with the handle closed and, given
// a name to remove, the file deleted at that close: no moment for another
// clock to open it.
static FILE *EmptiedStream(HANDLE h, const char *removeOnFailure)
{
    int fd = SetEndOfFile(h) ? _open_osfhandle((intptr_t)h, _O_WRONLY | _O_TEXT) : -1;
    FILE *f = fd >= 0 ? _fdopen(fd, "w") : nullptr;
    if (!f) {
        if (removeOnFailure)
            DeleteFileA(removeOnFailure);
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(h);
    }
    return f;
}

// A leftover of a killed save is opened too. The share mode holds it: no
// other clock can write it until we close it, while the replace (which needs
// only DELETE access) still gets through.
FILE *OpenHeldTemp(const char *name, int *waitedMs, bool *folderRefused)
{
    HANDLE h = OpenHeld(name, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_ALWAYS, waitedMs);
    if (h != INVALID_HANDLE_VALUE)
        return EmptiedStream(h, name);
    // Refused, and nothing bears the name: the folder takes no new file.
    *folderRefused = GetLastError() == ERROR_ACCESS_DENIED &&
                     GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES &&
                     GetLastError() == ERROR_FILE_NOT_FOUND;
    return nullptr;
}

// Shared for reading only: a second clock saving in place waits for this one.
FILE *OpenInPlace(const char *target, int *waitedMs)
{
    HANDLE h = OpenHeld(target, FILE_SHARE_READ, OPEN_EXISTING, waitedMs);
    return h != INVALID_HANDLE_VALUE ? EmptiedStream(h, nullptr) : nullptr;
}

// Hidden, system and not-indexed go from the old file to the new one, with
// archive beside them. A reused leftover may carry them from another save,
// so they are set whenever the two differ.
bool KeepWhatTheUserSet(const char *target, const char *temp, FILE *)
{
    const DWORD kept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD want = GetFileAttributesA(target);
    if (want == INVALID_FILE_ATTRIBUTES)
        want = 0;
    const DWORD have = GetFileAttributesA(temp);
    if (have != INVALID_FILE_ATTRIBUTES && (have & kept) == (want & kept))
        return true;
    want &= kept | FILE_ATTRIBUTE_ARCHIVE;
    return SetFileAttributesA(temp, want ? want : FILE_ATTRIBUTE_NORMAL) != 0;
}

// Write-through: returns once the rename has reached the disk.
bool ReplaceTarget(const char *temp, const char *target, int *waitedMs)
{
    while (!MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        if (!CanPass(GetLastError(), target, true) || !WaitForOtherProgram(waitedMs))
            return false;
    return true;
}

// The file is still open: it goes at the close.
void DeleteTemp(const char *temp)
{
    DeleteFileA(temp);
}

// DeleteFileA refuses a file that its writer holds open, as an old clock
// saving right now does.
void RemoveOldTemps(const char *target)
{
    const char *targetName = FileNamePart(target);
    const size_t folderLen = (size_t)(targetName - target);
    char *name = (char *)malloc(strlen(target) + MAX_PATH + 8);
    if (!name)
        return;
    sprintf(name, "%s.*.*.tmp", target);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(name, &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (IsOldTempName(found.cFileName, targetName)) {
                strcpy(name + folderLen, found.cFileName);
                DeleteFileA(name);
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    free(name);
}
