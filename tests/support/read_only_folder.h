#pragma once
// Makes a folder read-only for the length of a test in a way that binds
// root too: root ignores permission bits, so as root the folder is bind-
// mounted onto itself read-only; as anyone else its write bits are removed.

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace vendrik::test {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string folder) : m_folder(std::move(folder)) {
        if (::geteuid() == 0) {
            m_mounted = ::mount(m_folder.c_str(), m_folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
            if (m_mounted) {
                m_active = ::mount(nullptr, m_folder.c_str(), nullptr,
                                   MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
            }
            return;
        }
        std::error_code ec;
        std::filesystem::permissions(m_folder,
                                     std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::replace, ec);
        m_active = !ec;
    }
    ~ReadOnlyFolder() {
        if (m_mounted) {
            ::umount(m_folder.c_str());
        } else {
            std::error_code ec;
            std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, ec);
        }
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False when the folder could not be made read-only (no mount rights).
    [[nodiscard]] bool active() const { return m_active; }

private:
    std::string m_folder;
    bool m_mounted = false;
    bool m_active = false;
};

}  // namespace vendrik::test
