// The steps of a safe replace that each platform does its own way, for
// safe_replace.cpp: safe_replace_win32.cpp holds the Windows half,
// safe_replace_posix.cpp the POSIX one. Only one of them is built.
#pragma once

#include <stdio.h>

// The file name part of a path.
const char *FileNamePart(const char *path);

// Whether the user has write-protected the file.
bool IsReadOnly(const char *path);

// Opens the temporary file name for writing, emptied, and holds it so that
// no other clock writes it until it is closed; a refusal that can pass is
// waited for through WaitForOtherProgram. Null when it cannot be had, with
// *folderRefused set when that is because the folder refuses new files.
FILE *OpenHeldTemp(const char *name, int *waitedMs, bool *folderRefused);

// Opens the existing target for writing, held as the temporary file is, and
// empties it. Null when it cannot be had.
FILE *OpenInPlace(const char *target, int *waitedMs);

// Whether the flush that has just failed is one the file system does not
// offer.
bool FlushNotOffered();

// Removes the numbered temporary files of the release before (IsOldTempName)
// beside the target.
void RemoveOldTemps(const char *target);

// Gives the temporary file what the user set on the target.
bool KeepWhatTheUserSet(const char *target, const char *temp, FILE *f);

// Puts the temporary file in the target's place in one step, durably.
bool ReplaceTarget(const char *temp, const char *target, int *waitedMs);

// Removes the temporary file of a failed replace; f is still open.
void DeleteTemp(const char *temp);

// Sleeps ms milliseconds.
void PauseMs(int ms);

// Shared by both halves, in safe_replace.cpp.

// Sleeps one interval; false once the replace has waited all it may.
bool WaitForOtherProgram(int *waitedMs);

// Whether name is "<targetName>.<pid>.<serial>.tmp", digits only.
bool IsOldTempName(const char *name, const char *targetName);
