// Helpers shared by the daemon's unit tests.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// A fresh directory under /tmp, removed when the object goes.
struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/wsvdtest.XXXXXX";
        path = mkdtemp(tmpl) ? tmpl : "";
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};
