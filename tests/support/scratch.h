// What a test borrows from the machine, given back when it ends: a directory under
// /tmp (removed with everything in it) and environment variables (restored to what
// they were, set or not).
//
//   ScratchDir dir("cfgtest");
//   ScopedEnv env;
//   env.set("KARN_RUN_LOCATION", dir.path()).unset("KARN_SESSION_VAR");
//   writeFile(dir / "switch.cfg", "...");
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ScratchDir {
public:
    // A short name: unix socket paths made inside it must stay under 108 bytes.
    explicit ScratchDir(std::string_view tag = "wsvd") {
        std::string pattern = "/tmp/" + std::string(tag) + ".XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp " + pattern + " failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &path() const { return path_; }
    const char *c_str() const { return path_.c_str(); }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;
    ~ScopedEnv() {
        // Newest first, so a variable changed twice gets its first saved value back.
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }
    ScopedEnv &set(const std::string &name, const std::string &value) {
        remember(name);
        setenv(name.c_str(), value.c_str(), 1);
        return *this;
    }
    ScopedEnv &unset(const std::string &name) {
        remember(name);
        unsetenv(name.c_str());
        return *this;
    }

private:
    void remember(const std::string &name) {
        const char *old = getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string &path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}
