// The settings store: a growable table of owned key/value strings, the reader
// that fills it from "key=value" lines and the writer that puts it back.
//
// Plain C runtime on purpose (the product is built without exceptions or
// RTTI and must stay small). How the written file takes the old one's place
// is the safe replace's business (safe_replace.h).
#include "settings/settings_file.h"

#include <stdlib.h>
#include <string.h>

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
            return false;   // keys is merely larger than needed
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
    return true;   // fresh frees the old table
}

bool SettingsFile::Write()
{
    if (!path || !path[0] || count == 0)
        return false;
    SafeReplace replace;
    if (!BeginReplace(&replace, path))
        return false;
    file = replace.file;
    bool ok = true;
    for (int i = 0; i < count && ok; i++)
        if (fprintf(file, "%s=%s\n", keys[i], values[i]) < 0)
            ok = false;
    file = nullptr;
    return EndReplace(&replace, ok, flushToDisk);
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
                return;   // out of memory: keep the old value rather than none
            free(values[i]);
            values[i] = copy;
            return;
        }
    }
    (void)Append(key, value);
}
