#include "command_line.h"

#include <cstdio>
#include <utility>

#include "common/terminal_text.h"

#ifndef VENDRIK_VERSION
#define VENDRIK_VERSION "unbekannt"
#endif

namespace vendrik::cli {

std::optional<int> readCommandLine(std::string_view command, const CommandHelp& help,
                                   const std::vector<CliOption>& options, const Args& args,
                                   CommandLine& line) {
    std::string error;
    if (!parseCommandLine(options, args, line, error)) {
        return usageError(std::string(command), error);
    }
    if (line.help || line.version) {
        std::fputs((line.help ? helpText(help, options) : versionText()).c_str(), stdout);
        return 0;
    }
    return std::nullopt;
}

CliOption compressionOption(std::string help, JpegCompression& mode) {
    return {"compression",
            0,
            "MODUS",
            std::move(help),
            [&mode](const std::string& v, std::string& e) {
                if (v != "standard" && v != "strong") {
                    e = "--compression erwartet standard oder strong, nicht '" + v + "'";
                    return false;
                }
                mode = v == "strong" ? JpegCompression::Strong : JpegCompression::Standard;
                return true;
            },
            false,
            ""};
}

// One line, so that a log shows the whole complaint together: what was
// wrong, and where the options are described. The message may quote an
// argument, which may hold anything.
int usageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "vendrik-cli %s: %s (Hilfe: vendrik-cli %s --help)\n", command.c_str(),
                 terminalText(message).c_str(), command.c_str());
    return 2;
}

std::string versionText() {
    return std::string("vendrik-cli (Tervane Vendrik) ") + VENDRIK_VERSION + "\n" +
           "Stapelverkleinerung von Bildern mit eigenem Baseline-JPEG-Encoder.\n";
}

}  // namespace vendrik::cli
