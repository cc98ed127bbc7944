// The settings store: a growable table of owned key/value strings, the reader
// that fills it from "key=value" lines and the writer that puts it back.
//
// Plain C runtime on purpose (the product is built without exceptions or
// RTTI and must stay small); the only platform code is creating the
// temporary file and the final replace.
#include "settings/settings_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

// Tells apart the temporary files of successive writes in one process.
static unsigned g_tempSerial = 0;

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

// Creates a new file beside the target, so that the final replace stays on
// one volume and needs no copy. Returns its name (malloc'ed) or null.
static char *CreateTempBeside(const char *target, FILE **out)
{
    size_t size = strlen(target) + 48;
    char *name = (char *)malloc(size);
    if (!name)
        return nullptr;
    for (int attempt = 0; attempt < 100; attempt++) {
        // sprintf, not snprintf: mingw's snprintf links its own printf.
#ifdef _WIN32
        sprintf(name, "%s.%d.%u.tmp", target, _getpid(), g_tempSerial++);
        int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT, _S_IREAD | _S_IWRITE);
#else
        sprintf(name, "%s.%ld.%u.tmp", target, (long)getpid(), g_tempSerial++);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0666);
#endif
        if (fd < 0) {
            if (errno == EEXIST)
                continue;  // a leftover from an earlier run
            break;
        }
        // Text mode: CR LF line ends on Windows, as the file has always had.
#ifdef _WIN32
    *out = _fdopen(fd, "w");
#else
    *out = fdopen(fd, "w");
#endif
        if (*out)
            return name;
#ifdef _WIN32
        _close(fd);
#else
        close(fd);
#endif
        remove(name);
        break;
    }
    free(name);
    return nullptr;
}

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
    char *tempName = CreateTempBeside(path, &file);
    if (!tempName)
        return false;

    bool ok = true;
    for (int i = 0; i < count && ok; i++)
        if (fprintf(file, "%s=%s\n", keys[i], values[i]) < 0)
            ok = false;
    // A full disk often shows only here, when the buffer goes out.
    if (fflush(file) != 0)
        ok = false;
    if (fclose(file) != 0)
        ok = false;
    file = nullptr;

    if (ok) {
#ifdef _WIN32
        // Fails on a read-only target or one another program holds open.
        ok = MoveFileExA(tempName, path, MOVEFILE_REPLACE_EXISTING) != 0;
#else
        ok = rename(tempName, path) == 0;
#endif
    }
    if (!ok)
        remove(tempName);
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
