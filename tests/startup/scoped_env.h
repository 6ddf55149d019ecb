#pragma once
// Sets environment variables for one test and restores them afterwards, so
// start-up's look-ups (HOME, XDG folders, TMPDIR) point into a scratch
// folder instead of the real home.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vendrik::test {

class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
    }
    void set(const std::string& name, const std::string& value) {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name) {
        remember(name);
        ::unsetenv(name.c_str());
    }

private:
    void remember(const std::string& name) {
        const char* v = std::getenv(name.c_str());
        m_saved.emplace_back(name, v == nullptr ? std::nullopt : std::optional<std::string>(v));
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}  // namespace vendrik::test
