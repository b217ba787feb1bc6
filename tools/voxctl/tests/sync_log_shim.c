// Preloaded into voxctl by tests: writes to the file named by VOX_SYNC_LOG
// one line per fsync ("fsync PATH") and per rename ("rename TARGET"), in the
// order they happen, so that a test can tell what was on the disk when; and
// fails the renames a test asks it to.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void note(const char* what, const char* path) {
    const char* log = getenv("VOX_SYNC_LOG");
    if (log == NULL) return;
    const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    char line[4200];
    const int length = snprintf(line, sizeof line, "%s %s\n", what, path);
    if (length > 0 && (size_t)length < sizeof line) (void)!write(fd, line, (size_t)length);
    close(fd);
}

int fsync(int fd) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    path[length > 0 ? length : 0] = '\0';
    note("fsync", path);
    int (*next)(int) = NULL;
    void* symbol = dlsym(RTLD_NEXT, "fsync");
    memcpy(&next, &symbol, sizeof next);  // ISO C has no cast between the two
    return next(fd);
}

int rename(const char* from, const char* to) {
    note("rename", to);
    // VOX_FAIL_RENAME_TO makes every rename onto a name ending so fail.
    const char* failing = getenv("VOX_FAIL_RENAME_TO");
    const size_t length = strlen(to);
    if (failing != NULL && *failing != '\0' && length >= strlen(failing) &&
        strcmp(to + length - strlen(failing), failing) == 0) {
        errno = EIO;
        return -1;
    }
    int (*next)(const char*, const char*) = NULL;
    void* symbol = dlsym(RTLD_NEXT, "rename");
    memcpy(&next, &symbol, sizeof next);
    return next(from, to);
}
