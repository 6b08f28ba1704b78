#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

// The switch keeps its configuration on a small partition of its own. Here the configuration
// directory stands in for it: a partition of KARN_CONFIG_PARTITION_BYTES (64 MiB unless
// set) whose used space is what the files under the directory take, and which holds no
// more than the disk beneath it has free. Measuring the host disk's share instead would
// make the switch refuse writes whenever the machine it runs on is nine tenths full.
constexpr unsigned long long kDefaultPartitionBytes = 64ull << 20;
constexpr unsigned long long kLargestPartitionBytes = 1ull << 50;  // keeps the sums below in range

unsigned long long partitionBytes() {
    const char *text = getenv("KARN_CONFIG_PARTITION_BYTES");
    char *end = nullptr;
    unsigned long long bytes = text && *text ? strtoull(text, &end, 10) : 0;
    bool given = bytes > 0 && bytes <= kLargestPartitionBytes && end && *end == '\0';
    return given ? bytes : kDefaultPartitionBytes;
}

// What the files under `dir` take, links not followed; false when it cannot be read.
bool bytesUnder(const char *dir, unsigned long long &used) {
    namespace fs = std::filesystem;
    std::error_code error;
    used = 0;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, error),
        end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
            uintmax_t size = it->file_size(sizeError);
            if (!sizeError) used += size;
        }
    }
    return !error;
}

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

int checkPartitionUsage(const char *path, int minFreePercent) {
    const char *forced = getenv("KARN_PARTITION_FULL");
    if (forced && strcmp(forced, "1") == 0) return 1;
    const char *dir = path && *path ? path : ".";
    struct statvfs vfs;
    unsigned long long used;
    if (statvfs(dir, &vfs) != 0 || !bytesUnder(dir, used)) return 0;
    unsigned long long capacity = partitionBytes();
    unsigned long long diskFree = (unsigned long long)vfs.f_bavail * vfs.f_frsize;
    unsigned long long available = used >= capacity ? 0 : capacity - used;
    if (diskFree < available) available = diskFree;
    unsigned long long share = (unsigned long long)std::clamp(minFreePercent, 0, 101);
    return available * 100 < capacity * share;
}

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
