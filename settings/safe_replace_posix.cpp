// The POSIX half of the safe replace: the temporary file held by flock,
// permission bits, rename and the folder's own flush.
#include "settings/safe_replace.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "settings/safe_replace_platform.h"

bool SettingsFlushToDisk(FILE *file)
{
    return fsync(fileno(file)) == 0;
}

// fsync's answers where the file system cannot sync.
bool FlushNotOffered()
{
    return errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
}

void PauseMs(int ms)
{
    struct timespec pause = { 0, ms * 1000000L };
    nanosleep(&pause, nullptr);
}

const char *FileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
        if (*p == '/')
            name = p + 1;
    return name;
}

// rename would replace a write-protected file, even for root: the
// protection is the user's word that the file stays as it is.
bool IsReadOnly(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
}

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
// file locks nothing that still bears the name: then start again. Only a
// lock held by another clock is waited for; a refused open does not pass.
FILE *OpenHeldTemp(const char *name, int *waitedMs, bool *folderRefused)
{
    for (;;) {
        int fd = open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            // Refused (EPERM: an immutable folder), and nothing bears the
            // name: the folder takes no new file.
            struct stat st;
            *folderRefused =
                (errno == EACCES || errno == EPERM) && lstat(name, &st) != 0 && errno == ENOENT;
            return nullptr;
        }
        struct stat held, named;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            close(fd);
            if (!busy || !WaitForOtherProgram(waitedMs))
                return nullptr;
        } else if (fstat(fd, &held) != 0) {
            close(fd);
            return nullptr;
        } else if (stat(name, &named) != 0 || named.st_ino != held.st_ino ||
                   named.st_dev != held.st_dev) {
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

// Held by the same lock as the temporary file.
FILE *OpenInPlace(const char *target, int *waitedMs)
{
    int fd = open(target, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || !WaitForOtherProgram(waitedMs)) {
            close(fd);
            return nullptr;
        }
    }
    FILE *f = ftruncate(fd, 0) == 0 ? fdopen(fd, "w") : nullptr;
    if (!f)
        close(fd);
    return f;
}

bool KeepWhatTheUserSet(const char *target, const char *, FILE *f)
{
    struct stat st;
    if (stat(target, &st) != 0)
        return true;   // a first save: the umask decides
    return fchmod(fileno(f), st.st_mode & 0777) == 0;
}

// The folder's own flush makes the rename durable. The file is replaced by
// then either way, so its failure does not fail the save.
bool ReplaceTarget(const char *temp, const char *target, int *)
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

void DeleteTemp(const char *temp)
{
    unlink(temp);
}

void RemoveOldTemps(const char *target)
{
    const char *targetName = FileNamePart(target);
    const size_t folderLen = (size_t)(targetName - target);
    char *folder = FolderOf(target);
    DIR *d = folder ? opendir(folder) : nullptr;
    char *name = (char *)malloc(folderLen + sizeof((struct dirent *)0)->d_name);
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
