#include "startup/open_with.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "common/atomic_file.h"
#include "common/utf8.h"
#include "startup/path_helpers.h"
#include "startup/settings_file.h"
#include "startup/xdg_dirs.h"

namespace vendrik {
namespace {

// The Desktop Entry Specification's reserved characters: an argument holding
// any of them (or a control character) must be quoted.
bool needsQuoting(std::string_view argument) {
    if (argument.empty()) {
        return true;
    }
    return std::any_of(argument.begin(), argument.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string_view(R"( "'\><~|&;$*?#()`)").find(c) != std::string_view::npos;
    });
}

}  // namespace

std::string quoteExecArgument(std::string_view argument) {
    // First the Exec quoting rules, then "%" as "%%" (field codes are
    // expanded before the command line is split), then the escapes of the
    // file's string type, where "\" itself is written "\\".
    std::string quoted;
    const bool quote = needsQuoting(argument);
    if (quote) {
        quoted += '"';
    }
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            quoted += '\\';
        }
        quoted += c;
        if (c == '%') {
            quoted += '%';
        }
    }
    if (quote) {
        quoted += '"';
    }
    std::string escaped;
    for (const char c : quoted) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\n': escaped += "\\n"; break;
            case '\t': escaped += "\\t"; break;
            case '\r': escaped += "\\r"; break;
            default: escaped += c; break;
        }
    }
    return escaped;
}

std::string execCommand(std::string_view programPath) {
    if (programPath.find('%') == std::string_view::npos) {
        return quoteExecArgument(programPath);
    }
    // GLib looks for the program named first on the Exec line before it
    // turns "%%" back into "%", so it would miss a program whose path holds
    // a "%". A shell named first hands the file on unchanged.
    return "sh -c " + quoteExecArgument(R"(exec "$0" "$@")") + " " +
           quoteExecArgument(programPath);
}

std::string desktopEntryText(std::string_view programPath) {
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Version=1.0\n";
    text += "Name=" + std::string(ProductTitle) + "\n";
    text += "GenericName=Bildoptimierer\n";
    text += "Comment=Bilder verkleinern, mit Wasserzeichen versehen und als JPEG speichern\n";
    text += "Exec=" + execCommand(programPath) + " %f\n";
    text += "Terminal=false\n";
    text += "Categories=Graphics;Photography;\n";
    text += "MimeType=" + std::string(kOpenWithMimeTypes) + "\n";
    return text;
}

std::string desktopEntryPath() {
    const std::string data = xdgDataHome();
    if (data.empty()) {
        return {};
    }
    return data + "applications/" + std::string(kDesktopEntryName);
}

std::string packagedDesktopEntryPath() {
    const std::string perUser = desktopEntryPath();
    for (const std::string& dir : xdgDataDirs()) {
        const std::string entry = dir + "applications/" + std::string(kDesktopEntryName);
        if (entry != perUser && FileExists(entry)) {
            return entry;
        }
    }
    return {};
}

bool RegisterOpenWith(const std::string& programPath) {
    const std::string path = desktopEntryPath();
    if (!packagedDesktopEntryPath().empty()) {
        return path.empty() || ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    if (programPath.empty() || !isValidUtf8(programPath) || path.empty()) {
        return false;
    }
    std::string folder = ParentPath(path);
    if (!MakePath(folder)) {
        return false;
    }
    const std::string text = desktopEntryText(programPath);
    const auto outcome = writeFileAtomically(
        path, std::as_bytes(std::span(text.data(), text.size())), ReplacePolicy::Replace);
    return outcome.result == AtomicWriteResult::Written;
}

}  // namespace vendrik
