// The settings store: a growable table of owned key/value strings, the reader
// that fills it from "key=value" lines and the writer that puts it back.
//
// Plain C runtime on purpose (the product is built without exceptions or
// RTTI and must stay small); the only platform code is the save's temporary
// file (held for the whole save, so that two clocks in one folder take
// turns), the flush to disk and the final replace.
#include "settings/settings_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

static char *CopyText(const char *text)
{
    size_t len = strlen(text);
    char *copy = (char *)malloc(len + 1);
    if (copy)
        memcpy(copy, text, len + 1);
    return copy;
}

// ASCII only, like _stricmp in the C locale: keys are ASCII and the result
// must not depend on the user's locale.
static bool SameKey(const char *a, const char *b)
{
    for (;; a++, b++) {
        int ca = (unsigned char)*a;
        int cb = (unsigned char)*b;
        if (ca >= 'A' && ca <= 'Z')
            ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z')
            cb += 'a' - 'A';
        if (ca != cb)
            return false;
        if (ca == 0)
            return true;
    }
}

SettingsFile::~SettingsFile()
{
    Clear();
}

void SettingsFile::Clear()
{
    for (int i = 0; i < count; i++) {
        free(keys[i]);
        free(values[i]);
    }
    free(keys);
    free(values);
    keys = nullptr;
    values = nullptr;
    count = 0;
    capacity = 0;
}

// Adds owned copies at the end. False, with the table as it was, when memory
// runs out.
bool SettingsFile::Append(const char *key, const char *value)
{
    if (count == capacity) {
        if (capacity > 0x3fffffff)
            return false;
        int grown = capacity ? capacity * 2 : 16;
        char **k = (char **)realloc(keys, (size_t)grown * sizeof *k);
        if (!k)
            return false;
        keys = k;
        char **v = (char **)realloc(values, (size_t)grown * sizeof *v);
        if (!v)
            return false;  // keys is merely larger than needed
        values = v;
        capacity = grown;
    }
    char *k = CopyText(key);
    char *v = CopyText(value);
    if (!k || !v) {
        free(k);
        free(v);
        return false;
    }
    keys[count] = k;
    values[count] = v;
    count++;
    return true;
}

bool SettingsFile::Read()
{
    if (!path || !path[0])
        return false;
    file = fopen(path, "r");
    if (!file)
        return false;

    // Built apart so that a failure part way leaves the current table whole.
    SettingsFile fresh;
    bool ok = true;
    while (ok && fgets(lineBuffer, SETTINGS_LINE_SIZE, file)) {
        // The line ends at its first CR or LF. Then it is split as two calls of
        // strtok(line, "=") would: leading "=" skipped, the key up to the next
        // "=", then the value up to a further "=" or the end. Short keys and
        // lines without a value add nothing; nothing is trimmed.
        char *line = lineBuffer;
        line[strcspn(line, "\r\n")] = '\0';

        char *key = line + strspn(line, "=");
        size_t keyLen = strcspn(key, "=");
        if (keyLen < 3 || key[keyLen] == '\0')
            continue;
        key[keyLen] = '\0';
        char *value = key + keyLen + 1;
        value += strspn(value, "=");
        size_t valueLen = strcspn(value, "=");
        if (valueLen == 0)
            continue;
        value[valueLen] = '\0';
        ok = fresh.Append(key, value);
    }
    // fopen succeeds on a directory on POSIX and fgets then fails: a read
    // error must not pass for an empty file and wipe the table.
    if (ferror(file))
        ok = false;
    fclose(file);
    file = nullptr;
    if (!ok)
        return false;

    char **oldKeys = keys;
    char **oldValues = values;
    int oldCount = count;
    int oldCapacity = capacity;
    keys = fresh.keys;
    values = fresh.values;
    count = fresh.count;
    capacity = fresh.capacity;
    fresh.keys = oldKeys;
    fresh.values = oldValues;
    fresh.count = oldCount;
    fresh.capacity = oldCapacity;
    return true;  // fresh frees the old table
}

bool SettingsFlushToDisk(FILE *file)
{
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;  // FlushFileBuffers
#else
    return fsync(fileno(file)) == 0;
#endif
}

// A virus scanner or an indexer opens a fresh file for a moment; a save
// waits for it this long in all, looking again at this interval.
static const int kHeldWaitMs = 1000;
static const int kHeldPollMs = 50;

// Sleeps one interval; false once the save has waited all it may.
static bool WaitForOtherProgram(int *waitedMs)
{
    if (*waitedMs >= kHeldWaitMs)
        return false;
#ifdef _WIN32
    Sleep(kHeldPollMs);
#else
    struct timespec pause = {0, kHeldPollMs * 1000000L};
    nanosleep(&pause, nullptr);
#endif
    *waitedMs += kHeldPollMs;
    return true;
}

// The file name part of a path, and where it starts.
static const char *FileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
#ifdef _WIN32
        if (*p == '\\' || *p == '/' || *p == ':')
#else
        if (*p == '/')
#endif
            name = p + 1;
    return name;
}

// "<target>.<pid>.<serial>.tmp", digits only: what the release before this
// one named the temporary file of each save, anew every time.
static bool IsOldTempName(const char *name, const char *targetName)
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

#ifdef _WIN32
static bool HeldElsewhere(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

// Opens the save's temporary file, a leftover of a killed save included,
// and holds it: no other clock can write it until we close it, while the
// replace (which needs only DELETE access) still gets through.
static FILE *OpenHeldTemp(const char *name, int *waitedMs)
{
    HANDLE h;
    while ((h = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL)) == INVALID_HANDLE_VALUE)
        if (!HeldElsewhere(GetLastError()) || !WaitForOtherProgram(waitedMs))
            return nullptr;
    // Text mode: CR LF line ends, as the file has always had.
    int fd = SetEndOfFile(h) ? _open_osfhandle((intptr_t)h, _O_WRONLY | _O_TEXT) : -1;
    FILE *f = fd >= 0 ? _fdopen(fd, "w") : nullptr;
    if (!f) {
        DeleteFileA(name);  // deleted at the close below, no window for another clock
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(h);
    }
    return f;
}

// Hidden, system and not-indexed go from the old file to the new one, with
// archive beside them. A reused leftover may carry them from another save,
// so they are set whenever the two differ.
static bool KeepWhatTheUserSet(const char *target, const char *temp, FILE *)
{
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
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
static bool ReplaceTarget(const char *temp, const char *target, int *waitedMs)
{
    while (!MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        if (!HeldElsewhere(GetLastError()) || !WaitForOtherProgram(waitedMs))
            return false;
    return true;
}

// DeleteFileA refuses a file that its writer holds open, as an old clock
// saving right now does.
static void RemoveOldTemps(const char *target)
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
#else
// The target's folder, "." for a bare name (malloc'ed), or null.
static char *FolderOf(const char *target)
{
    const size_t len = (size_t)(FileNamePart(target) - target);
    char *folder = (char *)malloc(len + 2);
    if (!folder)
        return nullptr;
    if (len == 0)
        strcpy(folder, ".");
    else {
        memcpy(folder, target, len);
        folder[len] = '\0';
    }
    return folder;
}

// As on Windows, the temporary file is held for the whole save, here by an
// exclusive lock. A lock won only after its holder renamed or removed the
// file locks nothing that still bears the name: then start again.
static FILE *OpenHeldTemp(const char *name, int *waitedMs)
{
    for (;;) {
        int fd = open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return nullptr;
        struct stat held, named;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            close(fd);
            if (!busy || !WaitForOtherProgram(waitedMs))
                return nullptr;
        } else if (fstat(fd, &held) != 0) {
            close(fd);
            return nullptr;
        } else if (stat(name, &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev) {
            close(fd);
            if (!WaitForOtherProgram(waitedMs))
                return nullptr;
        } else {
            FILE *f = ftruncate(fd, 0) == 0 ? fdopen(fd, "w") : nullptr;
            if (!f) {
                unlink(name);
                close(fd);
            }
            return f;
        }
    }
}

static bool KeepWhatTheUserSet(const char *target, const char *, FILE *f)
{
    struct stat st;
    if (stat(target, &st) != 0)
        return true;  // a first save: the umask decides
    return fchmod(fileno(f), st.st_mode & 0777) == 0;
}

// The folder's own flush makes the rename durable. The file is replaced by
// then either way, so its failure does not fail the save.
static bool ReplaceTarget(const char *temp, const char *target, int *)
{
    if (rename(temp, target) != 0)
        return false;
    char *folder = FolderOf(target);
    int fd = folder ? open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (fd >= 0) {
        (void)fsync(fd);
        close(fd);
    }
    free(folder);
    return true;
}

static void RemoveOldTemps(const char *target)
{
    const char *targetName = FileNamePart(target);
    const size_t folderLen = (size_t)(targetName - target);
    char *folder = FolderOf(target);
    DIR *d = folder ? opendir(folder) : nullptr;
    char *name = (char *)malloc(folderLen + sizeof ((struct dirent *)0)->d_name);
    if (d && name) {
        while (struct dirent *e = readdir(d)) {
            if (IsOldTempName(e->d_name, targetName)) {
                memcpy(name, target, folderLen);
                strcpy(name + folderLen, e->d_name);
                unlink(name);
            }
        }
    }
    if (d)
        closedir(d);
    free(name);
    free(folder);
}
#endif

// Windows will not replace a read-only file, and neither may we: Wine's
// replace and POSIX rename would, so the user's protection is checked here.
static bool IsReadOnly(const char *path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
#else
    struct stat st;
    return stat(path, &st) == 0 && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
#endif
}

bool SettingsFile::Write()
{
    if (!path || !path[0] || count == 0 || IsReadOnly(path))
        return false;
    // One temporary file per target, with a fixed name: a save that was
    // killed leaves it, and the next save reuses it.
    char *tempName = (char *)malloc(strlen(path) + 5);
    if (!tempName)
        return false;
    sprintf(tempName, "%s.tmp", path);
    int waitedMs = 0;
    file = OpenHeldTemp(tempName, &waitedMs);
    if (!file) {
        free(tempName);
        return false;
    }
    RemoveOldTemps(path);

    bool ok = KeepWhatTheUserSet(path, tempName, file);
    for (int i = 0; i < count && ok; i++)
        if (fprintf(file, "%s=%s\n", keys[i], values[i]) < 0)
            ok = false;
    // A full disk often shows only here, when the buffer goes out. The data
    // must be on the disk before the new name points at it: the journal
    // keeps the rename, not the data.
    if (fflush(file) != 0 || (ok && !flushToDisk(file)))
        ok = false;
    // Replaced while still held, so that no other clock has the file between.
    if (ok)
        ok = ReplaceTarget(tempName, path, &waitedMs);
    if (!ok)
#ifdef _WIN32
        DeleteFileA(tempName);  // takes effect at the close
#else
        unlink(tempName);
#endif
    // Flushed already: nothing is left that the close could fail to write.
    fclose(file);
    file = nullptr;
    free(tempName);
    return ok;
}

const char *SettingsFile::GetValue(const char *key) const
{
    for (int i = 0; i < count; i++)
        if (SameKey(keys[i], key))
            return values[i];
    return nullptr;
}

void SettingsFile::SetValue(const char *key, const char *value)
{
    for (int i = 0; i < count; i++) {
        if (SameKey(keys[i], key)) {
            // Copy before freeing: value may be the stored text itself.
            char *copy = CopyText(value);
            if (!copy)
                return;  // out of memory: keep the old value rather than none
            free(values[i]);
            values[i] = copy;
            return;
        }
    }
    (void)Append(key, value);
}
