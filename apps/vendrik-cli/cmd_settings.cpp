// vendrik-cli settings: which settings file the command line would use and
// what each key comes to, with where the value came from.

#include <cstdio>
#include <string>

#include "commands.h"
#include "startup/effective_settings.h"
#include "startup/markers.h"
#include "startup/path_helpers.h"

namespace vendrik::cli {
namespace {

constexpr const char* kHelp =
    "Aufruf: vendrik-cli settings [--settings DATEI | --no-settings]\n"
    "\n"
    "Zeigt, welche Einstellungsdatei (vendrik.ini) gilt, und für jeden\n"
    "Schlüssel den wirksamen Wert und seine Herkunft: Datei oder Vorgabe.\n"
    "Ohne Option wird die Datei der Fenster gesucht: neben dem Programm, wenn\n"
    "dieser Ordner beschreibbar ist, sonst $XDG_CONFIG_HOME/vendrik/vendrik.ini.\n"
    "\n"
    "  --settings DATEI  diese Einstellungsdatei lesen\n"
    "  --no-settings     nur die eingebauten Vorgaben zeigen\n"
    "\n"
    "Rückgabe: 0 gezeigt, 2 falscher Aufruf.\n";

int usageError(const std::string& message) {
    return cli::usageError("settings", message);
}

// Values are shown on one line; the watermark text's line breaks as its
// stored markers already are, other control characters as "?".
std::string printable(const std::string& s) {
    std::string out;
    for (const char c : s) {
        out += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
    }
    return out;
}

}  // namespace

int runSettings(const Args& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    const SettingsOptions options = takeSettingsOptions(args);
    if (!options.error.empty()) {
        return usageError(options.error);
    }
    if (!options.remaining.empty()) {
        return usageError("unbekanntes Argument '" + options.remaining.front() + "'");
    }
    const std::string file = resolveSettingsFile(options);
    if (file.empty()) {
        std::printf("Einstellungsdatei: keine (eingebaute Vorgaben)\n");
    } else {
        std::printf("Einstellungsdatei: %s%s\n", file.c_str(),
                    FileExists(file) ? "" : " (nicht vorhanden, Vorgaben)");
    }
    for (const SettingReport& r : reportSettings(file)) {
        std::string origin = r.source == SettingSource::File ? "Datei" : "Vorgabe";
        if (r.rejected) {
            origin += ", gespeichert \"" + printable(*r.stored) + "\" nicht anwendbar";
        }
        std::printf("%-13s = %s  [%s]\n", std::string(r.key).c_str(),
                    printable(r.effective).c_str(), origin.c_str());
        if (r.key == "Info") {
            std::string display = r.effective;
            DecodeMarkers(display);
            std::printf("%-13s = %d\n", "Zeilenumbrüche", countWatermarkLineBreaks(display));
        }
    }
    return 0;
}

}  // namespace vendrik::cli
