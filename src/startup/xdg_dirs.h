#pragma once
// The freedesktop base directories the program keeps its files in.

#include <string>
#include <vector>

namespace vendrik {

// The variable's value, or empty when it is unset.
[[nodiscard]] std::string environmentValue(const char* name);

// $XDG_CONFIG_HOME, else ~/.config; with a trailing "/". Relative values are
// ignored, as the base directory specification asks. Empty without a home.
[[nodiscard]] std::string xdgConfigHome();

// $XDG_DATA_HOME, else ~/.local/share; with a trailing "/"; empty without a
// home.
[[nodiscard]] std::string xdgDataHome();

// The folders of $XDG_DATA_DIRS, else /usr/local/share/ and /usr/share/; each
// with a trailing "/". Relative entries are ignored.
[[nodiscard]] std::vector<std::string> xdgDataDirs();

}  // namespace vendrik
