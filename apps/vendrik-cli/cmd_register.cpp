// vendrik-cli register: writes the open-with desktop entry, the same one the
// program writes at every start.

#include <cstdio>
#include <string>

#include "commands.h"
#include "common/terminal_text.h"
#include "startup/open_with.h"
#include "startup/path_helpers.h"

namespace vendrik::cli {
namespace {

constexpr const char* kHelp =
    "Aufruf: vendrik-cli register [--program PFAD]\n"
    "\n"
    "Trägt Vendrik in die Liste der Programme ein, mit denen die Dateiverwaltung\n"
    "Bilder öffnen kann: schreibt $XDG_DATA_HOME/applications/vendrik.desktop\n"
    "(sonst ~/.local/share/applications), wie es das Programm bei jedem Start tut.\n"
    "\n"
    "  --program PFAD  das einzutragende Programm (Vorgabe: 'vendrik' neben\n"
    "                  vendrik-cli)\n"
    "\n"
    "Rückgabe: 0 geschrieben, 1 Fehler, 2 falscher Aufruf.\n";

int usageError(const std::string& message) {
    return cli::usageError("register", message);
}

}  // namespace

int runRegister(const Args& args) {
    std::string program;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--program") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError("--program erwartet einen Pfad");
            }
            program = args[++i];
        } else {
            return usageError("unbekanntes Argument '" + a + "'");
        }
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
    std::printf("%s\n", terminalText(entry).c_str());
    return 0;
}

}  // namespace vendrik::cli
