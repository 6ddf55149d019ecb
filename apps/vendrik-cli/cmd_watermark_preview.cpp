// vendrik-cli watermark-preview: the designer's preview from the shell, so a
// watermark design can be tried before a run.

#include <cstdio>
#include <span>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "common/ascii_case.h"
#include "common/atomic_file.h"
#include "common/error.h"
#include "common/terminal_text.h"
#include "imaging/png_writer.h"
#include "jpeg/cJpeg.h"
#include "settings_options.h"
#include "startup/effective_settings.h"
#include "startup/settings.h"
#include "watermark/watermark_preview.h"
#include "watermark_options.h"

namespace vendrik::cli {
namespace {

constexpr const char* kName = "watermark-preview";
constexpr int kPreviewQuality = 90;

const CommandHelp kHelp{
    "vendrik-cli watermark-preview [OPTIONEN] AUSGABE.png|AUSGABE.jpg",
    "Zeichnet das Wasserzeichen wie die Vorschau des Wasserzeichen-Dialogs auf\n"
    "ein eingebautes Beispielbild von 307 × 222 Pixeln und schreibt es als PNG\n"
    "oder als JPEG (Vendriks eigener Encoder, Qualität 90). Eine vorhandene\n"
    "AUSGABE wird nie überschrieben.\n",
    "Rückgabe: 0 geschrieben, 1 Fehler, 2 falscher Aufruf.\n"};

int usageError(const std::string& message) {
    return cli::usageError(kName, message);
}

int failure(const std::string& message) {
    std::fprintf(stderr, "vendrik-cli %s: %s\n", kName, terminalText(message).c_str());
    return 1;
}

enum class OutputKind { Png, Jpeg, Unknown };

OutputKind kindOf(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return OutputKind::Unknown;
    }
    const std::string ext = path.substr(dot + 1);
    if (equalsIgnoringCase(ext, "png")) {
        return OutputKind::Png;
    }
    if (equalsIgnoringCase(ext, "jpg") || equalsIgnoringCase(ext, "jpeg")) {
        return OutputKind::Jpeg;
    }
    return OutputKind::Unknown;
}

int writePng(const Surface& picture, const std::string& out) {
    const std::vector<std::uint8_t> png = encodePng(picture);
    if (png.empty()) {
        return failure(out + ": PNG-Kodierung fehlgeschlagen");
    }
    const AtomicWriteOutcome written = writeFileAtomically(
        out, std::as_bytes(std::span(png.data(), png.size())), ReplacePolicy::NoReplace);
    switch (written.result) {
        case AtomicWriteResult::Written:
            return 0;
        case AtomicWriteResult::Exists:
            return failure(out + " existiert bereits und wird nicht überschrieben");
        default:
            return failure(out + ": " + written.errorText);
    }
}

int writeJpeg(const Surface& picture, const std::string& out) {
    cJpeg jpeg;
    jpeg.Quality(kPreviewQuality);
    if (jpeg.SampleHDC(picture, picture.width(), picture.height(), 0, 0) != cJpeg::kSampled) {
        return failure("nicht genug Speicher zum Kodieren");
    }
    switch (jpeg.SaveFile(out)) {
        case cJpeg::kSaved:
            return 0;
        case cJpeg::kFileExists:
            return failure(out + " existiert bereits und wird nicht überschrieben");
        default:
            return usageError("AUSGABE fehlt");
    }
}

}  // namespace

int runWatermarkPreview(const Args& args) {
    SettingsSelection selection;
    WatermarkSettings settings;
    bool designed = false;
    std::vector<CliOption> table;
    addWatermarkOptions(table, settings, designed, "");
    addSettingsOptions(table, selection,
                       "Vorgaben aus dieser Einstellungsdatei (Vorgabe: vendrik.ini "
                       "der Fenster); --wm-... gehen vor");
    CommandLine line;
    if (const auto done = readCommandLine(kName, kHelp, table, args, line)) {
        return *done;
    }
    std::string error;
    // The designer's last values from the windows' settings file, unless
    // --no-settings; --wm-... options go over them.
    if (!applyOptions(line, true, error)) {
        return usageError(error);
    }
    if (Result<void> usable = checkSettingsSelection(selection); !usable) {
        return usageError(usable.reason());
    }
    settings = loadSettings(settingsFileOf(selection)).watermark;
    if (!applyOptions(line, false, error)) {
        return usageError(error);
    }
    if (line.operands.size() > 1) {
        return usageError("zu viele Dateinamen");
    }
    if (line.operands.empty()) {
        return usageError("AUSGABE fehlt");
    }
    const std::string& out = line.operands.front();
    const OutputKind kind = kindOf(out);
    if (kind == OutputKind::Unknown) {
        return usageError("AUSGABE muss auf .png, .jpg oder .jpeg enden: '" + out + "'");
    }
    if (pathEntryExists(out)) {
        return failure(out + " existiert bereits und wird nicht überschrieben");
    }

    Surface preview = makePreviewSample();
    try {
        const auto renderer = makeSystemTextRenderer();
        TextPicture textBox(*renderer);
        RotBlit(preview, previewDesignOf(settings), settings, textBox);
    } catch (const VendrikError& e) {
        return failure("Wasserzeichen nicht gezeichnet: " + e.description());
    }
    try {
        return kind == OutputKind::Png ? writePng(preview, out) : writeJpeg(preview, out);
    } catch (const VendrikError& e) {
        return failure(out + ": " + e.description());
    }
}

}  // namespace vendrik::cli
