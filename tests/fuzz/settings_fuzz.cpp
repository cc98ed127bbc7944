// Arbitrary bytes as a settings file: reading must never crash, every entry
// must obey the line rules, and what was read must come back unchanged after
// a write and a second read.
#include "settings/settings_file.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char g_dir[] = "/tmp/lumivane_fuzz_XXXXXX";
static char g_input[sizeof g_dir + 16];
static char g_output[sizeof g_dir + 16];

static void RemoveFiles()
{
    remove(g_input);
    remove(g_output);
    rmdir(g_dir);
}

static void MakeFolder()
{
    if (!mkdtemp(g_dir))
        abort();
    sprintf(g_input, "%s/in.ini", g_dir);
    sprintf(g_output, "%s/Lumivane.ini", g_dir);
    atexit(RemoveFiles);
}

static void CheckEntries(const SettingsFile &s)
{
    for (int i = 0; i < s.Count(); i++) {
        const char *key = s.KeyAt(i);
        const char *value = s.ValueAt(i);
        if (strlen(key) < 3 || !value[0] || strpbrk(key, "=\r\n") || strpbrk(value, "=\r\n"))
            abort();
    }
}

// The bytes are what is fuzzed, not the disk: a flush to it would cost
// milliseconds per input.
static bool NoFlush(FILE *)
{
    return true;
}

static bool SameTable(const SettingsFile &a, const SettingsFile &b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); i++)
        if (strcmp(a.KeyAt(i), b.KeyAt(i)) || strcmp(a.ValueAt(i), b.ValueAt(i)))
            return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!g_input[0])
        MakeFolder();
    FILE *f = fopen(g_input, "wb");
    if (!f || fwrite(data, 1, size, f) != size || fclose(f) != 0)
        abort();

    SettingsFile first;
    first.path = g_input;
    if (!first.Read())
        abort();
    CheckEntries(first);

    first.path = g_output;
    first.flushToDisk = NoFlush;
    bool written = first.Write();
    if (written != (first.Count() > 0))
        abort();
    if (!written)
        return 0;

    SettingsFile second;
    second.path = g_output;
    if (!second.Read() || !SameTable(first, second))
        abort();
    // A second read into a filled store replaces, never appends.
    if (!first.Read() || !SameTable(first, second))
        abort();
    return 0;
}
