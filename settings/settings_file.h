// The settings store: key/value text pairs in the order they were read or
// added, written back whole. Plain C runtime, no Win32, so it is tested
// natively too.
//
// Lookups take the first entry whose key matches ignoring ASCII case; later
// entries with the same key are kept and written back untouched. Every entry
// of a file (a "key=value" line whose key has more than two characters) is
// kept, however many there are; other lines are not.
#pragma once

#include <stdio.h>

#include "settings/safe_replace.h"

// fgets buffer: a longer physical line is handled as several lines.
#define SETTINGS_LINE_SIZE 1024

class SettingsFile {
public:
    SettingsFile() = default;
    ~SettingsFile();
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    // Not owned; set once at start-up.
    const char *path = nullptr;
    // How Write puts the new file on the disk before it replaces the old one;
    // tests put in one that fails.
    SettingsFlushProc flushToDisk = SettingsFlushToDisk;

    // Replaces the table with the file's entries. False, with the table left
    // as it was, when there is no path or the file cannot be opened.
    bool Read();
    // Writes every entry as "key=value" through a safe replace (safe_replace.h):
    // to the temporary file "<path>.tmp", flushed to the disk, then in the
    // target's place in one step, keeping the target's hidden and system
    // attributes (POSIX: its permission bits). False, with the target left byte
    // for byte as it was and no temporary file, on an empty path, an empty
    // table, a read-only target or any failed write, flush or replace.
    bool Write();
    // Value of the first entry whose key matches, or null.
    const char *GetValue(const char *key) const;
    // Replaces the value of the first matching entry, or appends a new entry.
    void SetValue(const char *key, const char *value);
    // Drops every entry.
    void Clear();

    int Count() const { return count; }
    const char *KeyAt(int i) const { return keys[i]; }
    const char *ValueAt(int i) const { return values[i]; }

private:
    bool Append(const char *key, const char *value);

    FILE *file = nullptr;
    char lineBuffer[SETTINGS_LINE_SIZE] = {};
    char **keys = nullptr;     // owned copies, count of them in use
    char **values = nullptr;   // parallel to keys
    int count = 0;
    int capacity = 0;
};
