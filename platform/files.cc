#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

int checkPartitionUsage(const char *path, int minFreePercent) {
    const char *forced = getenv("KARN_PARTITION_FULL");
    if (forced && strcmp(forced, "1") == 0) return 1;
    struct statvfs vfs;
    if (statvfs(path && *path ? path : ".", &vfs) != 0 || vfs.f_blocks == 0) return 0;
    unsigned long long total = vfs.f_blocks, available = vfs.f_bavail;
    return available * 100 < total * (unsigned long long)(minFreePercent > 0 ? minFreePercent : 0);
}

namespace {

bool writeAll(int fd, const char *data, size_t length) {
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        length -= size_t(n);
    }
    return true;
}

void syncDirectoryOf(const std::string &path) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

karnFileResult karnFileReplace(const char *path, const char *data, size_t length) {
    std::string target = path ? path : "";
    std::string temp = target + ".XXXXXX";
    int fd = target.empty() ? -1 : mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return KARN_FILE_CANNOT_CREATE;
    bool written = fchmod(fd, 0644) == 0 && writeAll(fd, data, length) && fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) {
        unlink(temp.c_str());
        errno = err;
        return KARN_FILE_CANNOT_WRITE;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        unlink(temp.c_str());
        errno = err;
        return KARN_FILE_CANNOT_CREATE;
    }
    syncDirectoryOf(target);
    return KARN_FILE_WRITTEN;
}
