// vendrik-cli settings: which settings file the command line would use and
// what each key comes to, with where the value came from.

#include <cstdio>
#include <string>

#include "commands.h"
#include "common/terminal_text.h"
#include "startup/effective_settings.h"
#include "startup/markers.h"
#include "startup/settings_file.h"

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
    // Read once; what became of it is named beside its path.
    const SettingsFileRead read = file.empty() ? SettingsFileRead() : readSettingsFile(file);
    if (file.empty()) {
        std::printf("Einstellungsdatei: keine (eingebaute Vorgaben)\n");
    } else {
        std::string note;
        switch (read.state) {
            case SettingsFileState::Read:
                if (read.document.carriageReturnLines()) {
                    note = " (Zeilenenden nur CR)";
                }
                break;
            case SettingsFileState::Missing:
                note = " (nicht vorhanden, Vorgaben)";
                break;
            case SettingsFileState::NotAFile:
            case SettingsFileState::Unreadable:
            case SettingsFileState::TooLarge:
                note = " (" + read.problem + "; Vorgaben)";
                break;
        }
        std::printf("Einstellungsdatei: %s%s\n", terminalText(file).c_str(), note.c_str());
    }
    for (const SettingReport& r : reportSettings(read.document)) {
        std::string origin = r.source == SettingSource::File ? "Datei" : "Vorgabe";
        if (r.rejected) {
            origin += ", gespeichert \"" + terminalText(*r.stored) + "\" nicht anwendbar";
        }
        std::printf("%-13s = %s  [%s]\n", std::string(r.key).c_str(),
                    terminalText(r.effective).c_str(), origin.c_str());
        if (r.key == "Info") {
            std::string display = r.effective;
            DecodeMarkers(display);
            std::printf("%-13s = %d\n", "Zeilenumbrüche", countWatermarkLineBreaks(display));
        }
    }
    return 0;
}

}  // namespace vendrik::cli
