// vendrik-cli register: writes the open-with desktop entry, the same one the
// program writes at every start.

#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "common/terminal_text.h"
#include "startup/open_with.h"
#include "startup/path_helpers.h"

namespace vendrik::cli {
namespace {

const CommandHelp kHelp{
    "vendrik-cli register [OPTIONEN]",
    "Trägt Vendrik in die Liste der Programme ein, mit denen die Dateiverwaltung\n"
    "Bilder öffnen kann: schreibt $XDG_DATA_HOME/applications/vendrik.desktop\n"
    "(sonst ~/.local/share/applications), wie es das Programm bei jedem Start tut.\n"
    "Hat ein Paket den Eintrag für alle installiert (/usr/share/applications), gilt\n"
    "dieser; dann wird keiner geschrieben und ein alter eigener entfernt.\n",
    "Rückgabe: 0 geschrieben, 1 Fehler, 2 falscher Aufruf.\n"};

int usageError(const std::string& message) {
    return cli::usageError("register", message);
}

}  // namespace

int runRegister(const Args& args) {
    std::string program;
    const std::vector<CliOption> table{
        {"program", 0, "PFAD", "das einzutragende Programm (Vorgabe: 'vendrik' neben vendrik-cli)",
         [&](const std::string& v, std::string& e) {
             if (v.empty()) {
                 e = "--program erwartet einen Pfad";
                 return false;
             }
             program = v;
             return true;
         },
         false, ""}};
    CommandLine line;
    if (const auto done = readCommandLine("register", kHelp, table, args, line)) {
        return *done;
    }
    std::string error;
    if (!line.operands.empty()) {
        return usageError("unbekanntes Argument '" + line.operands.front() + "'");
    }
    if (!applyOptions(line, false, error)) {
        return usageError(error);
    }
    if (program.empty()) {
        program = InitPaths().programFolder + "vendrik";
    }
    if (program.front() != '/') {
        return usageError("--program erwartet einen absoluten Pfad");
    }
    const std::string entry = desktopEntryPath();
    if (!RegisterOpenWith(program)) {
        std::fprintf(stderr, "vendrik-cli register: %s: konnte nicht geschrieben werden\n",
                     entry.empty() ? "vendrik.desktop (kein Persönlicher Ordner)"
                                   : terminalText(entry).c_str());
        return 1;
    }
    const std::string packaged = packagedDesktopEntryPath();
    std::printf("%s\n", terminalText(packaged.empty() ? entry : packaged).c_str());
    return 0;
}

}  // namespace vendrik::cli
