#include "support/test_support.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>

namespace vendrik::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vendrik-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only subfolders removable again before cleaning up.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

CommandResult runCommand(const std::string& commandLine) {
    CommandResult r;
    const std::string full = commandLine + " 2>&1";
    std::FILE* p = ::popen(full.c_str(), "r");
    if (p == nullptr) {
        return r;
    }
    std::array<char, 4096> buf{};
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) {
        r.output.append(buf.data(), n);
    }
    const int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string shellQuote(const std::string& word) {
    std::string q = "'";
    for (const char c : word) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

std::string cliPath() {
    return VENDRIK_CLI;
}

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool sameSurface(const Surface& a, const Surface& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

void writeBmp(const std::string& path, int w, int h, int seed) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<std::uint8_t> f(54 + static_cast<std::size_t>(stride) * h, 0);
    auto le32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    f[0] = 'B';
    f[1] = 'M';
    le32(2, static_cast<std::uint32_t>(f.size()));
    le32(10, 54);
    le32(14, 40);
    le32(18, static_cast<std::uint32_t>(w));
    le32(22, static_cast<std::uint32_t>(h));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &f[54 + static_cast<std::size_t>(y) * stride + x * 3];
            p[0] = static_cast<std::uint8_t>(x * 5 + seed * 40);
            p[1] = static_cast<std::uint8_t>(y * 7 + seed * 13);
            p[2] = static_cast<std::uint8_t>((x ^ y) + seed);
        }
    }
    writeFileBytes(path, f);
}

bool writeJpeg(const std::string& path, int w, int h, const std::string& exiftoolArgs) {
    const std::string bmp = path + ".bmp";
    writeBmp(bmp, w, h, 5);
    const bool encoded =
        runCommand("cjpeg -quality 85 " + shellQuote(bmp) + " > " + shellQuote(path)).exitCode == 0;
    std::filesystem::remove(bmp);
    if (!encoded || exiftoolArgs.empty()) {
        return encoded;
    }
    const std::string tag = "exiftool -q -overwrite_original " + exiftoolArgs + " ";
    return runCommand(tag + shellQuote(path)).exitCode == 0;
}

bool decodesCompletely(const std::string& jpegPath) {
    const CommandResult r = runCommand("djpeg -outfile /dev/null " + shellQuote(jpegPath));
    return r.exitCode == 0 && r.output.empty();
}

std::vector<std::string> temporaryNamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.front() == '.' || name.ends_with(".part")) {
            names.push_back(name);
        }
    }
    return names;
}

}  // namespace vendrik::test
