#include "file_list_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vendrik::cli {

std::vector<std::string> splitFileList(std::string_view list) {
    const bool nulSeparated = list.find('\0') != std::string_view::npos;
    const char separator = nulSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(separator, start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view name = list.substr(start, end - start);
        if (!nulSeparated && !name.empty() && name.back() == '\r') {
            name.remove_suffix(1);
        }
        if (!name.empty()) {
            names.emplace_back(name);
        }
        start = end + 1;
    }
    return names;
}

bool readFileList(const std::string& source, std::vector<std::string>& names, std::string& error) {
    const bool standardInput = source == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "--files-from " + source + ": " + std::strerror(errno);
        return false;
    }
    std::string list;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            list.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            error = "--files-from " + source + ": " + std::strerror(errno);
            if (!standardInput) {
                ::close(fd);
            }
            return false;
        }
    }
    if (!standardInput) {
        ::close(fd);
    }
    names = splitFileList(list);
    return true;
}

}  // namespace vendrik::cli
