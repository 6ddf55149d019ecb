// vendrik-cli settings: which settings file the command line would use and
// what each key comes to, with where the value came from.

#include <cstdio>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "common/terminal_text.h"
#include "settings_options.h"
#include "startup/effective_settings.h"
#include "startup/markers.h"
#include "startup/own_presets.h"
#include "startup/settings_file.h"

namespace vendrik::cli {
namespace {

const CommandHelp kHelp{
    "vendrik-cli settings [OPTIONEN]",
    "Zeigt, welche Einstellungsdatei (vendrik.ini) gilt, und für jeden\n"
    "Schlüssel den wirksamen Wert und seine Herkunft: Datei oder Vorgabe.\n"
    "Ohne Option wird die Datei der Fenster gesucht: neben dem Programm, wenn\n"
    "dieser Ordner beschreibbar ist, sonst $XDG_CONFIG_HOME/vendrik/vendrik.ini.\n"
    "Eine Datei ohne den Abschnitt [Tervane Vendrik] gibt nur Vorgaben; das wird\n"
    "gesagt. Mit --presets stattdessen die Namen der eigenen Voreinstellungen, einer\n"
    "je Zeile, für optimise --preset NAME.\n",
    "Rückgabe: 0 gezeigt, 2 falscher Aufruf (auch: --settings DATEI fehlt oder ist\n"
    "nicht lesbar).\n"};

int usageError(const std::string& message) {
    return cli::usageError("settings", message);
}

}  // namespace

int runSettings(const Args& args) {
    SettingsSelection selection;
    std::vector<CliOption> table;
    addSettingsOptions(table, selection, "diese Einstellungsdatei lesen");
    bool presets = false;
    table.push_back(CliOption{"presets", 0, "",
                              "nur die Namen der eigenen Voreinstellungen, einer je Zeile",
                              [&presets](const std::string&, std::string&) {
                                  presets = true;
                                  return true;
                              },
                              true, ""});
    CommandLine line;
    if (const auto done = readCommandLine("settings", kHelp, table, args, line)) {
        return *done;
    }
    std::string error;
    if (!line.operands.empty()) {
        return usageError("unbekanntes Argument '" + line.operands.front() + "'");
    }
    if (!applyOptions(line, true, error)) {
        return usageError(error);
    }
    if (Result<void> usable = checkSettingsSelection(selection); !usable) {
        return usageError(usable.reason());
    }
    const std::string file = settingsFileOf(selection);
    // Read once; what became of it is named beside its path.
    const Result<SettingsFileRead> read =
        file.empty() ? Result<SettingsFileRead>(SettingsFileRead()) : readSettingsFile(file);
    if (presets) {
        if (!read) {
            std::fprintf(stderr, "vendrik-cli settings: Einstellungsdatei %s: %s\n",
                         terminalText(file).c_str(), terminalText(read.reason()).c_str());
        }
        for (const std::string& name : presetNames(read ? read->document : IniDocument())) {
            std::printf("%s\n", terminalText(name).c_str());
        }
        return 0;
    }
    if (file.empty()) {
        std::printf("Einstellungsdatei: keine (eingebaute Vorgaben)\n");
    } else {
        std::string note;
        if (!read) {
            note = " (" + read.reason() + "; Vorgaben)";
        } else if (!read->found) {
            note = " (nicht vorhanden, Vorgaben)";
        } else if (!read->document.hasSection(SettingsSection)) {
            note = " (ohne Abschnitt [" + std::string(SettingsSection) + "], Vorgaben)";
        } else if (read->document.carriageReturnLines()) {
            note = " (Zeilenenden nur CR)";
        }
        std::printf("Einstellungsdatei: %s%s\n", terminalText(file).c_str(), note.c_str());
    }
    for (const SettingReport& r : reportSettings(read ? read->document : IniDocument())) {
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
