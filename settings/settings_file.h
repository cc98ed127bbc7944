// The settings store: key/value text pairs in the order they were read or
// added, written back whole. Plain C runtime, no Win32, so it is tested
// natively too.
//
// Lookups take the first entry whose key matches ignoring ASCII case; later
// entries with the same key are kept and written back untouched. Every usable
// line of a file is kept, however many there are.
#pragma once

#include <stdio.h>

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

  // Replaces the table with the file's entries. False, with the table left
  // as it was, when there is no path or the file cannot be opened.
  bool Read();
  // Writes every entry as "key=value" to a temporary file beside the target
  // and then replaces the target in one step. False, with the target left
  // byte for byte as it was, on an empty path, an empty table or any failed
  // write, flush, close or replace.
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
  char **keys = nullptr;    // owned copies, count of them in use
  char **values = nullptr;  // parallel to keys
  int count = 0;
  int capacity = 0;
};
