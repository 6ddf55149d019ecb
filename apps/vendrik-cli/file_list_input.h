#pragma once
// `vendrik-cli optimise --files-from FILE`: the names of the pictures (or
// folders) of a run, read from a file or, for "-", from standard input, as
// `find … -print0`, `ls`, `split` or a job runner hands them over.

#include <string>
#include <string_view>
#include <vector>

namespace vendrik::cli {

// Splits a list into names: at NUL bytes when the list holds any (no path
// can hold one, so `find -print0` and `xargs -0` lists are told apart
// safely), else at line ends, a CR before the LF dropped. Empty entries are
// left out.
[[nodiscard]] std::vector<std::string> splitFileList(std::string_view list);

// Reads the list from `source` ("-": standard input; a pipe such as
// <(find …) is read to its end). False with a German reason when it cannot
// be read.
[[nodiscard]] bool readFileList(const std::string& source, std::vector<std::string>& names,
                                std::string& error);

}  // namespace vendrik::cli
