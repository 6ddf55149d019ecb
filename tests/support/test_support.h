#pragma once
// Helpers the suites share: scratch folders, running commands and the peer
// tools that check our output from outside.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/surface.h"

namespace vendrik::test {

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

struct CommandResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs a shell command line and collects what it prints.
[[nodiscard]] CommandResult runCommand(const std::string& commandLine);

// Quotes a word for the shell.
[[nodiscard]] std::string shellQuote(const std::string& word);

// Path of the vendrik-cli binary under test.
[[nodiscard]] std::string cliPath();

[[nodiscard]] std::vector<std::uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
inline void writeText(const std::string& path, const std::string& text) {
    writeFileBytes(path, {text.begin(), text.end()});
}

// True when both have the same size and every pixel alike.
[[nodiscard]] bool sameSurface(const Surface& a, const Surface& b);

// A 24-bit bottom-up BMP of w × h with a pattern that differs per `seed`.
void writeBmp(const std::string& path, int w, int h, int seed);

// A JPEG of w × h written by cjpeg (quality 85, from writeBmp's pattern),
// with the tags exiftool writes for `exiftoolArgs` (e.g. "-Model=X") when it
// is not empty. False when cjpeg or exiftool is missing or fails.
[[nodiscard]] bool writeJpeg(const std::string& path, int w, int h,
                             const std::string& exiftoolArgs = {});

// True when djpeg decodes the file to its end without a warning.
[[nodiscard]] bool decodesCompletely(const std::string& jpegPath);

// The names in a folder that are not the run's outputs or inputs: hidden
// files (temporary ".….part" names) and anything ending in ".part".
[[nodiscard]] std::vector<std::string> temporaryNamesIn(const std::filesystem::path& folder);

}  // namespace vendrik::test
