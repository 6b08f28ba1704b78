// Files of the configuration partition: whether it has room, and replacing a file so
// that a reader sees either its old text or the whole new one.
#pragma once
#include <cstddef>

// Non-zero when the configuration partition holding `path` ("" or null: the working
// directory) has less than `minFreePercent` percent of its size free, so that a
// configuration file should not be written there. The partition is `path` itself, of
// KARN_CONFIG_PARTITION_BYTES bytes (64 MiB unless set), filled by the files under it and
// never roomier than the disk beneath. 0 when it has room or cannot be measured.
// KARN_PARTITION_FULL set to "1" makes every partition full (for tests).
int checkPartitionUsage(const char *path, int minFreePercent);

enum karnFileResult {
    KARN_FILE_WRITTEN = 0,
    KARN_FILE_CANNOT_CREATE = -1,  // the file (or its temporary twin) cannot be created
    KARN_FILE_CANNOT_WRITE = -2,   // the text could not be written whole (a full partition)
};
// Writes `length` bytes into a temporary file beside `path`, flushes it to the disk and
// renames it over `path` (mode 0644). On failure the temporary file is removed and
// `path` is as it was; errno says why.
karnFileResult karnFileReplace(const char *path, const char *data, size_t length);
