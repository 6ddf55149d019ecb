#pragma once
// `vendrik-cli optimise --files-from FILE`: the names of the pictures (or
// folders) of a run, read from a file or, for "-", from standard input, as
// `find … -print0`, `ls`, `split` or a job runner hands them over.
//
// The list is read as a stream and split as it comes, never held whole, and
// it is bounded: no name longer than a path can be (PATH_MAX), at most
// kMaxListEntries entries and kMaxListBytes bytes. So `--files-from
// /dev/zero` or `yes | … --files-from -` ends at once with a reason instead
// of filling the memory.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik::cli {

// The longest name: PATH_MAX counts the terminating NUL.
inline constexpr std::size_t kMaxListedName = 4095;
// Entries, empty ones included; and bytes of the whole list. A run over
// more is better split into shares (split --number, as README shows).
inline constexpr std::size_t kMaxListEntries = 1'000'000;
inline constexpr std::size_t kMaxListBytes = std::size_t{128} * 1024 * 1024;

// Splits a list into names as its bytes arrive: at NUL bytes when the list
// holds any (no path can hold one, so `find -print0` and `xargs -0` lists
// are told apart safely), else at line ends, a CR before the LF dropped.
// Empty entries are left out.
//
// The separator is settled by the first NUL, or, when the first
// kMaxListedName + 1 bytes hold none, as line ends: a NUL-separated list
// would then start with a name too long, so a NUL that comes later is
// refused as such a name.
class FileListSplitter {
public:
    // False, with problem() set (German), once the list breaks a bound;
    // further bytes are then ignored.
    [[nodiscard]] bool feed(std::string_view bytes);
    // The end of the list. False as feed.
    [[nodiscard]] bool finish();

    [[nodiscard]] std::vector<std::string>& names() noexcept { return m_names; }
    [[nodiscard]] const std::string& problem() const noexcept { return m_problem; }

private:
    enum class Separator { Undecided, Nul, Line };
    bool take(std::string_view name);
    bool splitPending(bool atEnd);
    bool fail(std::string problem);

    Separator m_separator = Separator::Undecided;
    std::string m_pending;  // bytes after the last separator
    std::vector<std::string> m_names;
    std::size_t m_entries = 0;
    std::size_t m_bytes = 0;
    std::string m_problem;
};

// The names of a whole list at once (FileListSplitter). When the list
// breaks a bound: the names before that point, and `problem` set.
[[nodiscard]] std::vector<std::string> splitFileList(std::string_view list,
                                                     std::string* problem = nullptr);

// Reads the list from `source` ("-": standard input; a pipe such as
// <(find …) is read to its end). False with a German reason when it cannot
// be read or breaks a bound.
[[nodiscard]] bool readFileList(const std::string& source, std::vector<std::string>& names,
                                std::string& error);

}  // namespace vendrik::cli
