// vendrik-cli: Vendrik's core from the command line. A thin front: every
// subcommand parses its options and calls the same core the windows use.

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "command_line.h"
#include "commands.h"
#include "common/atomic_file.h"
#include "common/terminal_text.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const vendrik::cli::Args&);
    const char* summary;
};

constexpr Command kCommands[] = {
    {"encode", vendrik::cli::runEncode, "PPM/PGM-Bild als JPEG (eigener Encoder), WebP oder AVIF kodieren"},
    {"exif", vendrik::cli::runExif, "EXIF-Zusammenfassung und alle EXIF-Einträge zeigen"},
    {"optimise", vendrik::cli::runOptimise, "Bilder verkleinern und als JPEG, WebP oder AVIF schreiben"},
    {"settings", vendrik::cli::runSettings, "Einstellungsdatei und wirksame Werte zeigen"},
    {"register", vendrik::cli::runRegister, "Vendrik als Programm zum Öffnen von Bildern eintragen"},
    {"watermark-preview", vendrik::cli::runWatermarkPreview, "Wasserzeichen-Vorschau als Bild schreiben"},
};

void printUsage(std::FILE* out) {
    std::fprintf(out, "Aufruf: vendrik-cli BEFEHL [OPTIONEN] ...\n\nBefehle:\n");
    for (const Command& c : kCommands) {
        std::fprintf(out, "  %-20s %s\n", c.name, c.summary);
    }
    std::fprintf(out,
                 "\nOptionen:\n"
                 "  -h, --help           diese Hilfe zeigen\n"
                 "  -V, --version        die Version zeigen\n"
                 "\n'vendrik-cli BEFEHL --help' beschreibt einen Befehl, 'man vendrik-cli'\n"
                 "alle.\n");
}

}  // namespace

int main(int argc, char** argv) {
    // A write past `ulimit -f` fails as a write error of its picture.
    vendrik::ignoreFileSizeLimitSignal();
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return 0;
    }
    if (name == "--version" || name == "-V") {
        std::fputs(vendrik::cli::versionText().c_str(), stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (name == c.name) {
            return c.run(vendrik::cli::Args(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "vendrik-cli: unbekannter Befehl '%s'\n",
                 vendrik::terminalText(argv[1]).c_str());
    printUsage(stderr);
    return 2;
}
