#include "settings_options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "common/regular_file.h"
#include "startup/settings_file.h"

namespace vendrik::cli {

void addSettingsOptions(std::vector<CliOption>& table, SettingsSelection& selection,
                        const std::string& namedHelp) {
    CliOption named{"settings", 0, "DATEI", namedHelp, nullptr, true, ""};
    named.apply = [&selection](const std::string& value, std::string& error) {
        if (value.empty()) {
            error = "--settings erwartet eine Einstellungsdatei";
            return false;
        }
        selection.named = true;
        selection.file = value;
        return true;
    };
    table.push_back(std::move(named));
    CliOption none{"no-settings", 0,    "", "nur die eingebauten Vorgaben, keine Einstellungsdatei",
                   nullptr,       true, ""};
    none.apply = [&selection](const std::string&, std::string&) {
        selection.none = true;
        return true;
    };
    table.push_back(std::move(none));
}

Result<void> checkSettingsSelection(const SettingsSelection& selection) {
    if (selection.named && selection.none) {
        return Failure{"--settings und --no-settings schließen einander aus"};
    }
    if (!selection.named) {
        return {};
    }
    const std::string& file = selection.file;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return Failure{errno == ENOENT ? "Einstellungsdatei " + file + " nicht gefunden"
                                       : "Einstellungsdatei " + file +
                                             " nicht lesbar: " + systemErrorText(errno)};
    }
    if (S_ISDIR(st.st_mode)) {
        return Failure{"Einstellungsdatei " + file + " ist ein Ordner"};
    }
    if (!S_ISREG(st.st_mode)) {
        return Failure{"Einstellungsdatei " + file + " ist keine gewöhnliche Datei"};
    }
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxIniFileSize) {
        return Failure{"Einstellungsdatei " + file + " ist zu groß (mehr als " +
                       std::to_string(kMaxIniFileSize >> 20) + " MiB)"};
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Failure{"Einstellungsdatei " + file + " nicht lesbar: " + systemErrorText(errno)};
    }
    ::close(fd);
    return {};
}

std::string settingsFileOf(const SettingsSelection& selection) {
    SettingsOptions options;
    options.choice = selection.named  ? SettingsChoice::Named
                     : selection.none ? SettingsChoice::None
                                      : SettingsChoice::Located;
    options.file = selection.file;
    return resolveSettingsFile(options);
}

}  // namespace vendrik::cli
