// The settings store through its interface and real files in a fresh folder:
// the reading rules line by line, replacement on reading, first-match lookups,
// the exact bytes written, and writes that fail without touching the old file.
// Built natively and again for Windows, where text mode writes CR LF.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace std::string_literals;

#ifdef _WIN32
static const char *const kEol = "\r\n";
#else
static const char *const kEol = "\n";
#endif

typedef std::vector<std::pair<std::string, std::string>> Entries;

static Entries TableOf(const SettingsFile &s)
{
    Entries e;
    for (int i = 0; i < s.Count(); i++)
        e.emplace_back(s.KeyAt(i), s.ValueAt(i));
    return e;
}

static void WriteBytes(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(fclose(f), 0);
}

static std::string ReadBytes(const std::string &path)
{
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return "<missing>";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    fclose(f);
    return bytes;
}

// Lines joined with the platform's line end, as Write puts them out.
static std::string Lines(const std::vector<std::string> &lines)
{
    std::string s;
    for (const std::string &line : lines)
        s += line + kEol;
    return s;
}

static std::vector<std::string> ListDir(const std::string &dir)
{
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, ".."))
                names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
#else
    DIR *d = opendir(dir.c_str());
    if (d) {
        while (struct dirent *e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, ".."))
                names.push_back(e->d_name);
        closedir(d);
    }
#endif
    std::sort(names.begin(), names.end());
    return names;
}

static bool IsDir(const std::string &path)
{
#ifdef _WIN32
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

static void RemoveTree(const std::string &dir)
{
    for (const std::string &name : ListDir(dir)) {
        std::string p = dir + "/" + name;
        if (IsDir(p))
            RemoveTree(p);
        else
            remove(p.c_str());
    }
#ifdef _WIN32
    RemoveDirectoryA(dir.c_str());
#else
    rmdir(dir.c_str());
#endif
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifdef _WIN32
        char base[MAX_PATH], name[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, base), 0u);
        ASSERT_NE(GetTempFileNameA(base, "lst", 0, name), 0u);
        DeleteFileA(name);
        ASSERT_TRUE(CreateDirectoryA(name, nullptr));
        dir = name;
#else
        char name[] = "/tmp/lumivane_settings_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
#endif
        target = Path("Lumivane.ini");
    }
    void TearDown() override
    {
        if (!dir.empty())
            RemoveTree(dir);
    }
    std::string Path(const char *name) const
    {
        return dir + "/" + name;
    }

    // A store whose table is the given file's entries.
    void Load(SettingsFile &s, const std::string &bytes)
    {
        WriteBytes(target, bytes);
        s.path = target.c_str();
        ASSERT_TRUE(s.Read());
    }

    std::string dir;
    std::string target;
};

TEST_F(SettingsFileTest, ReadAppliesTheLineRules)
{
    struct Case {
        const char *name;
        std::string file;
        Entries expected;
    } cases[] = {
        { "key of three characters", "Top=5\n", { { "Top", "5" } } },
        { "key of two characters", "ab=5\n", {} },
        { "key of one character", "a=5\n", {} },
        { "leading separator", "=Analog=1\n", { { "Analog", "1" } } },
        { "doubled separator", "Analog==1\n", { { "Analog", "1" } } },
        { "further separator", "Analog=1=2\n", { { "Analog", "1" } } },
        { "blanks kept", "Analog = 1\n", { { "Analog ", " 1" } } },
        { "tabs kept", "\tTop\t=\t5\t\n", { { "\tTop\t", "\t5\t" } } },
        { "section and remark", "[Settings]\n; note\n", {} },
        { "hash line is an entry", "# x=1\n", { { "# x", "1" } } },
        { "no value", "Analog=\n", {} },
        { "only separators after key", "Analog===\n", {} },
        { "no separator", "Analog\n", {} },
        { "only separators", "===\n", {} },
        { "empty lines", "\n\n\r\n", {} },
        { "empty file", "", {} },
        { "repeated keys kept in order, case kept",
          "analog=0\nOpacy=50\nAnalog=1\nOpacy=90\n",
          { { "analog", "0" }, { "Opacy", "50" }, { "Analog", "1" }, { "Opacy", "90" } } },
        { "unknown key", "Colour=red\n", { { "Colour", "red" } } },
        { "LF", "Analog=1\nOnTop=0\n", { { "Analog", "1" }, { "OnTop", "0" } } },
        { "CR LF", "Analog=1\r\nOnTop=0\r\n", { { "Analog", "1" }, { "OnTop", "0" } } },
        { "no final line end", "Analog=1\nOnTop=0", { { "Analog", "1" }, { "OnTop", "0" } } },
        { "line ends at a lone CR",
          "Analog=1\rOnTop=0\nLeft=3\n",
          { { "Analog", "1" }, { "Left", "3" } } },
        { "NUL ends the line",
          "Analog=1\0OnTop=0\nLeft=3\n"s,
          { { "Analog", "1" }, { "Left", "3" } } },
        { "NUL at the start", "\0Top=1\nLeft=3\n"s, { { "Left", "3" } } },
        { "NUL inside the value", "Opacy=12\0003\n"s, { { "Opacy", "12" } } },
        { "binary bytes",
          "\xff\xfe\x01=\x80\x90\x7f\n\x02\x03\n",
          { { "\xff\xfe\x01", "\x80\x90\x7f" } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile s;
        Load(s, c.file);
        EXPECT_EQ(TableOf(s), c.expected);
    }
}

TEST_F(SettingsFileTest, LongLineIsReadAsPiecesOf1023)
{
    // 1500 characters: a first piece of 1023 holding one entry, then a piece of
    // 477 that holds another. A cut one place earlier or later changes both.
    std::string first = "Head=" + std::string(1018, 'a');
    std::string second = "Tail=" + std::string(472, 'b');
    ASSERT_EQ(first.size(), 1023u);
    ASSERT_EQ(second.size(), 477u);
    const Entries expected = { { "Head", std::string(1018, 'a') },
                               { "Tail", std::string(472, 'b') },
                               { "Left", "3" } };
    for (const char *eol : { "\n", "\r\n" }) {
        SCOPED_TRACE(strlen(eol));
        SettingsFile s;
        Load(s, first + second + eol + "Left=3");
        EXPECT_EQ(TableOf(s), expected);
    }
}

TEST_F(SettingsFileTest, ReadReplacesTheTable)
{
    SettingsFile s;
    s.path = target.c_str();
    s.SetValue("Opacy", "10");
    s.SetValue("Extra", "1");

    // Each step writes the file and reads it into the same store.
    struct Step {
        const char *name;
        std::string file;
        Entries expected;
    } steps[] = {
        { "first read drops what was set",
          "Analog=1\nOpacy=50\n",
          { { "Analog", "1" }, { "Opacy", "50" } } },
        { "same file again is not doubled",
          "Analog=1\nOpacy=50\n",
          { { "Analog", "1" }, { "Opacy", "50" } } },
        { "edited file shows new values",
          "Opacy=90\nAnalog=0\nTop=4\n",
          { { "Opacy", "90" }, { "Analog", "0" }, { "Top", "4" } } },
        { "empty file empties the table", "", {} },
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        WriteBytes(target, step.file);
        EXPECT_TRUE(s.Read());
        EXPECT_EQ(TableOf(s), step.expected);
    }
}

TEST_F(SettingsFileTest, FailedReadKeepsTheTable)
{
    std::string missing = Path("missing.ini");
    std::string inMissingFolder = Path("nofolder/Lumivane.ini");
    struct Case {
        const char *name;
        const char *path;
    } cases[] = {
        { "null path", nullptr },
        { "empty path", "" },
        { "missing file", missing.c_str() },
        { "missing folder", inMissingFolder.c_str() },
        { "a folder", dir.c_str() },
    };
    const Entries before = { { "Analog", "1" }, { "Opacy", "50" } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile s;
        Load(s, "Analog=1\nOpacy=50\n");
        s.path = c.path;
        EXPECT_FALSE(s.Read());
        EXPECT_EQ(TableOf(s), before);
    }
}

TEST_F(SettingsFileTest, GetValueTakesTheFirstMatchIgnoringCase)
{
    SettingsFile s;
    Load(s, "analog=0\nOpacy=50\nAnalog=1\nOPACY=90\nAnalog =7\nTop=-3\n");
    struct Case {
        const char *key;
        const char *expected;
    } cases[] = {
        { "Analog", "0" },      { "ANALOG", "0" },    { "analog", "0" }, { "Opacy", "50" },
        { "opacy", "50" },      { "Analog ", "7" },   { "Top", "-3" },   { "Analo", nullptr },
        { "Analogs", nullptr }, { "ColFG", nullptr }, { "", nullptr },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        const char *v = s.GetValue(c.key);
        if (c.expected)
            EXPECT_STREQ(v, c.expected);
        else
            EXPECT_EQ(v, nullptr);
    }
    SettingsFile empty;
    EXPECT_EQ(empty.GetValue("Analog"), nullptr);
}

TEST_F(SettingsFileTest, SetValueUpdatesTheFirstMatchOrAppends)
{
    struct Case {
        const char *name;
        const char *file;
        const char *key;
        const char *value;
        Entries expected;
    } cases[] = {
        { "stored case and index kept",
          "Top=1\nanalog=0\nAnalog=0\n",
          "Analog",
          "1",
          { { "Top", "1" }, { "analog", "1" }, { "Analog", "0" } } },
        { "shadowed entry untouched",
          "Opacy=50\nOpacy=90\n",
          "Opacy",
          "120",
          { { "Opacy", "120" }, { "Opacy", "90" } } },
        { "missing key appended", "Top=5\n", "Left", "3", { { "Top", "5" }, { "Left", "3" } } },
        { "key with a blank is another key",
          "Analog =1\n",
          "Analog",
          "0",
          { { "Analog ", "1" }, { "Analog", "0" } } },
        { "into an empty table", "", "Analog", "1", { { "Analog", "1" } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile s;
        Load(s, c.file);
        s.SetValue(c.key, c.value);
        EXPECT_EQ(TableOf(s), c.expected);
    }
}

TEST_F(SettingsFileTest, StoreOwnsItsStrings)
{
    SettingsFile s;
    char key[] = "Opacy";
    char value[] = "50";
    s.SetValue(key, value);
    key[0] = 'X';
    value[0] = '9';
    EXPECT_STREQ(s.GetValue("Opacy"), "50");
    EXPECT_STREQ(s.KeyAt(0), "Opacy");

    // The value passed may be the stored text itself.
    s.SetValue("Opacy", s.GetValue("Opacy"));
    EXPECT_STREQ(s.GetValue("Opacy"), "50");

    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.GetValue("Opacy"), nullptr);
}

TEST_F(SettingsFileTest, WriteFormat)
{
    const char *ten[][2] = {
        { "Analog", "1" },    { "OnTop", "0" },        { "BGTransparent", "0" }, { "Opacy", "200" },
        { "ColFG", "65793" }, { "ColBG", "15790320" }, { "Top", "0" },           { "Left", "0" },
        { "Right", "186" },   { "Bottom", "194" },
    };
    struct Case {
        const char *name;
        const char *oldFile;   // null: no file before
        bool setTen;
        std::string expected;
    } cases[] = {
        { "ten keys into an empty table", nullptr, true,
          Lines({ "Analog=1", "OnTop=0", "BGTransparent=0", "Opacy=200", "ColFG=65793",
                  "ColBG=15790320", "Top=0", "Left=0", "Right=186", "Bottom=194" }) },
        { "hand-written file keeps order, case and extra lines",
          "; note\r\nbottom=5\r\n=Colour=red=x\r\nOpacy=50\r\nOpacy=90\r\nab=1\r\n# x=1\r\nAnalog "
          "= 1",
          true,
          Lines({ "bottom=194", "Colour=red", "Opacy=200", "Opacy=90", "# x=1", "Analog = 1",
                  "Analog=1", "OnTop=0", "BGTransparent=0", "ColFG=65793", "ColBG=15790320",
                  "Top=0", "Left=0", "Right=186" }) },
        { "longer old file is replaced whole", "Top=1\nLeft=2\nRight=3\nBottom=4\nExtra=55555555\n",
          false, Lines({ "Top=1", "Left=2", "Right=3", "Bottom=4", "Extra=55555555" }) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile s;
        s.path = target.c_str();
        if (c.oldFile)
            Load(s, c.oldFile);
        if (c.setTen)
            for (auto &kv : ten)
                s.SetValue(kv[0], kv[1]);
        EXPECT_TRUE(s.Write());
        EXPECT_EQ(ReadBytes(target), c.expected);
        EXPECT_EQ(ListDir(dir), std::vector<std::string>{ "Lumivane.ini" });
        remove(target.c_str());
    }
}

TEST_F(SettingsFileTest, WriteRefusesWithoutPathOrEntries)
{
    std::string inMissingFolder = Path("nofolder/Lumivane.ini");
    struct Case {
        const char *name;
        const char *path;
        bool fill;
    } cases[] = {
        { "empty table", target.c_str(), false },
        { "null path", nullptr, true },
        { "empty path", "", true },
        { "missing folder", inMissingFolder.c_str(), true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile s;
        if (c.fill)
            s.SetValue("Analog", "1");
        s.path = c.path;
        EXPECT_FALSE(s.Write());
        EXPECT_EQ(ListDir(dir), std::vector<std::string>{});
    }

    SettingsFile cleared;
    cleared.path = target.c_str();
    cleared.SetValue("Analog", "1");
    cleared.Clear();
    EXPECT_FALSE(cleared.Write());
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{});
}

TEST_F(SettingsFileTest, HundredThousandLinesRoundTrip)
{
    const int n = 100000;
    std::string file, expected;
    for (int i = 0; i < n; i++) {
        std::string key = "Key" + std::to_string(i % 70000);   // repeats after 70,000
        std::string value = std::to_string(i);
        file += key + "=" + value + "\n";
        expected += key + "=" + (i == 12345 ? std::string("changed") : value) + kEol;
    }
    SettingsFile s;
    Load(s, file);
    ASSERT_EQ(s.Count(), n);
    int wrong = 0;
    for (int i = 0; i < n; i++)
        if (s.KeyAt(i) != "Key" + std::to_string(i % 70000) || s.ValueAt(i) != std::to_string(i))
            wrong++;
    EXPECT_EQ(wrong, 0);

    s.SetValue("key12345", "changed");
    ASSERT_TRUE(s.Write());
    std::string written = ReadBytes(target);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}

// The disk flush seen from inside a save: how often it came, how much of
// the new file had reached the system by then, what the target held then.
// It fails with the given error (0: it works), where the platform keeps it.
static struct {
    int error;
    std::string target;
    int calls;
    long size;
    std::string targetThen;
} g_flush;

static bool RecordingFlush(FILE *f)
{
    struct stat st;
    g_flush.calls++;
    g_flush.size = fstat(fileno(f), &st) == 0 ? (long)st.st_size : -1;
    g_flush.targetThen = ReadBytes(g_flush.target);
#ifdef _WIN32
    SetLastError(g_flush.error);
#else
    errno = g_flush.error;
#endif
    return g_flush.error == 0;
}

TEST_F(SettingsFileTest, TheNewFileIsFlushedWholeBeforeTheReplace)
{
    // A file system that offers no flush has all the data it can take.
    struct Case {
        const char *name;
        int error;
        bool saved;
    } cases[] = {
        { "flush works", 0, true },
#ifdef _WIN32
        { "flush fails", ERROR_WRITE_FAULT, false },
        { "flush is an invalid function here", ERROR_INVALID_FUNCTION, true },
        { "flush not supported", ERROR_NOT_SUPPORTED, true },
#else
        { "flush fails", EIO, false },
        { "flush cannot sync this file", EINVAL, true },
        { "flush not supported", EOPNOTSUPP, true },
#endif
    };
    const std::string old = "Analog=1\n", written = Lines({ "Analog=0", "Opacy=90" });
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(target, old);
        SettingsFile s;
        s.path = target.c_str();
        s.SetValue("Analog", "0");
        s.SetValue("Opacy", "90");
        s.flushToDisk = RecordingFlush;
        g_flush = { c.error, target, 0, 0, "" };
        EXPECT_EQ(s.Write(), c.saved);
        EXPECT_EQ(g_flush.calls, 1);
        EXPECT_EQ(g_flush.size, (long)written.size());
        EXPECT_EQ(g_flush.targetThen, old);
        EXPECT_EQ(ReadBytes(target), c.saved ? written : old);
        EXPECT_EQ(ListDir(dir), std::vector<std::string>{ "Lumivane.ini" });
    }
}

TEST_F(SettingsFileTest, WriteLeavesNoTemporaryFileBehind)
{
    // What killed saves leave: this release's temporary file (longer than
    // what is written now, so it must be emptied when reused) and the numbered
    // ones of the release before. The rest is the user's, however alike.
    const char *const leftovers[] = { "Lumivane.ini.tmp", "Lumivane.ini.4242.0.tmp",
                                      "Lumivane.ini.7.12.tmp" };
    const char *const users[] = { "Lumivane.ini.bak",       "notes.tmp",
                                  "Lumivane.ini.42.tmp",    "Lumivane.ini.x.0.tmp",
                                  "Lumivane.ini.1.2.3.tmp", "Lumivane.ini.4242.0.tmp.keep",
                                  "Lumivane.ini..0.tmp",    "XLumivane.ini.4242.0.tmp",
                                  "Other.ini.4242.0.tmp" };
    WriteBytes(target, "Analog=1\n");
    for (const char *name : leftovers)
        WriteBytes(Path(name), "Stale=" + std::string(300, 'x') + "\n");
    for (const char *name : users)
        WriteBytes(Path(name), name);
    SettingsFile s;
    s.path = target.c_str();
    s.SetValue("Analog", "0");
    EXPECT_TRUE(s.Write());
    EXPECT_EQ(ReadBytes(target), Lines({ "Analog=0" }));
    std::vector<std::string> expected(std::begin(users), std::end(users));
    expected.push_back("Lumivane.ini");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListDir(dir), expected);
    for (const char *name : users)
        EXPECT_EQ(ReadBytes(Path(name)), name);
}

// One version of the file per writer and round: a header naming both and
// enough lines to span several buffers, so that a torn file shows.
static Entries Version(int writer, int round)
{
    Entries e = { { "Writer", std::to_string(writer) }, { "Round", std::to_string(round) } };
    for (int i = 0; i < 300; i++)
        e.emplace_back("Line" + std::to_string(i), std::to_string(writer * 1000 + round));
    return e;
}

static std::string VersionText(int writer, int round)
{
    std::string text;
    for (const auto &kv : Version(writer, round))
        text += kv.first + "=" + kv.second + kEol;
    return text;
}

TEST_F(SettingsFileTest, TwoStoresSavingAtOnceWhileAThirdReads)
{
    // Two clocks in one folder saving at the same moment, round after round,
    // while another program reads the file: each save waits for the other's.
    const int rounds = 20;
    SettingsFile stores[2];
    for (SettingsFile &s : stores)
        s.path = target.c_str();
    WriteBytes(target, VersionText(0, -1));

    std::atomic<bool> writing(true);
    int reads = 0, torn = 0;
    std::thread reader([&] {
        while (writing) {
            // Windows may refuse the open for the moment of a replace.
            std::string text = ReadBytes(target);
            int writer = -1, round = -2;
            sscanf(text.c_str(), "Writer=%d%*[\r\n]Round=%d", &writer, &round);
            if (text != "<missing>") {
                torn += text != VersionText(writer, round);
                reads++;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::atomic<int> failedSaves(0);
    for (int round = 0; round < rounds; round++) {
        std::thread writers[2];
        for (int w = 0; w < 2; w++) {
            writers[w] = std::thread([&, w] {
                for (const auto &kv : Version(w, round))
                    stores[w].SetValue(kv.first.c_str(), kv.second.c_str());
                if (!stores[w].Write())
                    failedSaves++;
            });
        }
        for (std::thread &t : writers)
            t.join();
    }
    writing = false;
    reader.join();
    EXPECT_EQ(failedSaves.load(), 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(torn, 0);
    const std::string last = ReadBytes(target);
    EXPECT_TRUE(last == VersionText(0, rounds - 1) || last == VersionText(1, rounds - 1));
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{ "Lumivane.ini" });
}

#ifndef _WIN32
TEST_F(SettingsFileTest, WriteKeepsThePermissionBits)
{
    for (mode_t mode : { 0600, 0640, 0664 }) {
        SCOPED_TRACE(mode);
        WriteBytes(target, "Analog=1\n");
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        SettingsFile s;
        s.path = target.c_str();
        s.SetValue("Analog", "0");
        EXPECT_TRUE(s.Write());
        struct stat st;
        ASSERT_EQ(stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode);
        EXPECT_EQ(ReadBytes(target), "Analog=0\n");
    }
}

// Runs Write in a forked child once prepare() has set the child up (false:
// it could not). Returns the child's Write result (1 or 0), 2 where prepare
// failed, or -1 if the child died.
template <typename Prepare> static int WriteInChild(SettingsFile &s, Prepare prepare)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(!prepare() ? 2 : s.Write() ? 1 : 0);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Write in a child whose files may grow to at most `limit` bytes, as on a
// nearly full disk.
static int WriteWithFileSizeLimit(SettingsFile &s, rlim_t limit)
{
    return WriteInChild(s, [limit] {
        struct rlimit rl;
        getrlimit(RLIMIT_FSIZE, &rl);
        rl.rlim_cur = limit;
        signal(SIGXFSZ, SIG_IGN);   // write then fails with EFBIG
        return setrlimit(RLIMIT_FSIZE, &rl) == 0;
    });
}

TEST_F(SettingsFileTest, FullDeviceLeavesTheOldFile)
{
    const std::string old = "Analog=1\r\nOpacy=50\r\n";
    struct Case {
        const char *name;
        int entries;   // few: the failure shows at the flush; many: while printing
    } cases[] = { { "fails at flush", 20 }, { "fails while printing", 5000 } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(target, old);
        SettingsFile s;
        s.path = target.c_str();
        for (int i = 0; i < c.entries; i++)
            s.SetValue(("Key" + std::to_string(i)).c_str(), "123456789");
        EXPECT_EQ(WriteWithFileSizeLimit(s, 64), 0);
        EXPECT_EQ(ReadBytes(target), old);
        EXPECT_EQ(ListDir(dir), std::vector<std::string>{ "Lumivane.ini" });

        // Without the limit the same table writes: the failure was the device's.
        EXPECT_TRUE(s.Write());
        EXPECT_NE(ReadBytes(target), old);
    }
}

TEST_F(SettingsFileTest, FailedReplaceLeavesTheTarget)
{
    // A folder in the target's place: the temporary file is written, the
    // rename over it fails.
    ASSERT_EQ(mkdir(target.c_str(), 0777), 0);
    WriteBytes(target + "/keep", "Analog=1\n");
    SettingsFile s;
    s.path = target.c_str();
    s.SetValue("Analog", "0");
    EXPECT_FALSE(s.Write());
    EXPECT_TRUE(IsDir(target));
    EXPECT_EQ(ListDir(target), std::vector<std::string>{ "keep" });
    EXPECT_EQ(ReadBytes(target + "/keep"), "Analog=1\n");
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{ "Lumivane.ini" });
}

TEST_F(SettingsFileTest, ReadOnlyFileIsNotReplaced)
{
    // rename would replace it, even for root: the write-protection is the
    // user's word that the file stays as it is.
    WriteBytes(target, "Analog=1\n");
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    SettingsFile s;
    s.path = target.c_str();
    s.SetValue("Analog", "0");
    EXPECT_FALSE(s.Write());
    EXPECT_EQ(ReadBytes(target), "Analog=1\n");
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{ "Lumivane.ini" });
    ASSERT_EQ(chmod(target.c_str(), 0644), 0);
    EXPECT_TRUE(s.Write());
    EXPECT_EQ(ReadBytes(target), "Analog=0\n");
}

static bool FlushFailsWithEio(FILE *)
{
    errno = EIO;
    return false;
}

TEST_F(SettingsFileTest, FolderThatTakesNoNewFile)
{
    // A folder the user may not add to, around a file they may write: the
    // plain write in place. Root passes every permission check, so as root
    // the save runs as nobody, owning the folder and the file as their user
    // would.
    const bool root = geteuid() == 0;
    const uid_t uid = root ? 65534 : geteuid();
    const gid_t gid = root ? 65534 : getegid();
    const std::string old = "Analog=1\nExtra=" + std::string(300, 'x') + "\n";
    struct Case {
        const char *name;
        bool file;
        mode_t mode;
        SettingsFlushProc flush;
        int written;   // 1: written, 0: refused
        std::string after;
    } cases[] = {
        { "writable file: written in place", true, 0644, SettingsFlushToDisk, 1,
          "Analog=0\nExtra=1\n" },
        { "in place, the flush still counts", true, 0644, FlushFailsWithEio, 0,
          "Analog=0\nExtra=1\n" },
        { "a file its owner may not write", true, 0464, SettingsFlushToDisk, 0, old },
        { "no file to write in place", false, 0, SettingsFlushToDisk, 0, "<missing>" },
    };
    ASSERT_EQ(chown(dir.c_str(), uid, gid), 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = Path(c.name);
        const std::string file = folder + "/Lumivane.ini";
        ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
        ASSERT_EQ(chown(folder.c_str(), uid, gid), 0);
        if (c.file) {
            WriteBytes(file, old);
            ASSERT_EQ(chown(file.c_str(), uid, gid), 0);
            ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
        }
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

        SettingsFile s;
        s.path = file.c_str();
        s.SetValue("Analog", "0");
        s.SetValue("Extra", "1");
        s.flushToDisk = c.flush;
        const int written = WriteInChild(s, [&] {
            return !root || (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0);
        });
        std::vector<std::string> names = ListDir(folder);
        chmod(folder.c_str(), 0777);
        EXPECT_EQ(written, c.written) << "1: written, 2: could not become uid " << uid;
        EXPECT_EQ(ReadBytes(file), c.after);
        EXPECT_EQ(names,
                  c.file ? std::vector<std::string>{ "Lumivane.ini" } : std::vector<std::string>{});
    }
}
#endif
