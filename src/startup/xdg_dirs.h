#pragma once
// The freedesktop base directories the program keeps its files in.

#include <string>

namespace vendrik {

// The variable's value, or empty when it is unset.
[[nodiscard]] std::string environmentValue(const char* name);

// $XDG_CONFIG_HOME, else ~/.config; with a trailing "/". Relative values are
// ignored, as the base directory specification asks. Empty without a home.
[[nodiscard]] std::string xdgConfigHome();

// $XDG_DATA_HOME, else ~/.local/share; with a trailing "/"; empty without a
// home.
[[nodiscard]] std::string xdgDataHome();

}  // namespace vendrik
