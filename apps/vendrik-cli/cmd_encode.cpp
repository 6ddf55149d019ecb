// vendrik-cli encode: the encoder's own command, as cjpeg is libjpeg's.

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "common/atomic_file.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/terminal_text.h"
#include "imaging/pnm_reader.h"
#include "jpeg/cJpeg.h"
#include "optimiser/output_formats.h"
#include "standard_streams.h"

namespace vendrik::cli {
namespace {

const CommandHelp kHelp{
    "vendrik-cli encode [OPTIONEN] EINGABE AUSGABE",
    "Kodiert ein binäres PPM- (P6) oder PGM-Bild (P5) mit Vendriks eigenem\n"
    "JPEG-Encoder und schreibt AUSGABE: Baseline-JPEG mit optimierten\n"
    "Huffman-Tabellen oder, mit --compression strong, kleiner und progressiv.\n"
    "Endet AUSGABE auf .webp oder .avif (oder mit --format), wird das Bild als\n"
    "WebP oder AVIF kodiert, mit denselben Einstellungen wie \"optimise\".\n"
    "Eine vorhandene AUSGABE wird nie überschrieben. - als EINGABE liest die\n"
    "Standardeingabe, - als AUSGABE schreibt auf die Standardausgabe.\n",
    "Rückgabe: 0 geschrieben, 1 Fehler, 2 falscher Aufruf.\n"};

struct EncodeOptions {
    int quality = 80;
    std::string sampling = "444";
    bool samplingGiven = false;
    std::optional<std::string> comment;
    std::optional<OutputFormatId> format;
    JpegCompression compression = JpegCompression::Standard;
};

std::vector<CliOption> encodeOptionTable(EncodeOptions& o) {
    std::vector<CliOption> t;
    t.push_back({"quality", 'Q', "N", "JPEG-Qualität 1..100 (Vorgabe 80)",
                 [&o](const std::string& v, std::string& e) {
                     const std::optional<int> q = wholeNumber(v, 1, 100);
                     if (!q) {
                         e = "--quality erwartet eine Zahl von 1 bis 100";
                         return false;
                     }
                     o.quality = *q;
                     return true;
                 },
                 false, ""});
    t.push_back({"sampling", 0, "MODUS",
                 "444: volle Farbauflösung (Vorgabe), 420: Farbe halbiert, "
                 "gray: nur Helligkeit; ein PGM wird immer grau kodiert",
                 [&o](const std::string& v, std::string& e) {
                     if (v != "444" && v != "420" && v != "gray") {
                         e = "--sampling erwartet 444, 420 oder gray, nicht '" + v + "'";
                         return false;
                     }
                     o.sampling = v;
                     o.samplingGiven = true;
                     return true;
                 },
                 false, ""});
    t.push_back(compressionOption("standard: Baseline-JPEG (Vorgabe); strong: kleinere Dateien "
                                  "bei gleichem Aussehen (progressiv), langsamer; nur JPEG",
                                  o.compression));
    t.push_back({"format", 0, "FORMAT",
                 "jpeg, webp oder avif (Vorgabe: nach der Endung von AUSGABE, sonst jpeg)",
                 [&o](const std::string& v, std::string& e) {
                     o.format = outputFormatNamed(v);
                     if (!o.format) {
                         e = "--format erwartet jpeg, webp oder avif, nicht '" + v + "'";
                         return false;
                     }
                     return true;
                 },
                 false, ""});
    t.push_back({"comment", 0, "TEXT", "Kommentar (COM-Segment, Windows-1252; nur JPEG)",
                 [&o](const std::string& v, std::string&) {
                     o.comment = v;
                     return true;
                 },
                 false, ""});
    return t;
}

int usageError(const std::string& message) {
    return cli::usageError("encode", message);
}

// The message names files, which may hold anything.
int failure(const std::string& message) {
    std::fprintf(stderr, "vendrik-cli encode: %s\n", terminalText(message).c_str());
    return 1;
}

int reportExisting(const std::string& out) {
    return failure(out + " existiert bereits und wird nicht überschrieben");
}

// What the JPEG encoder's own options ask of another format: nothing it
// cannot do. Empty when the options fit.
std::string unfitOption(const OutputFormat& format, const EncodeOptions& options) {
    if (options.comment) {
        return "--comment gibt es nur für JPEG";
    }
    if (options.compression != JpegCompression::Standard) {
        return "--compression strong gibt es nur für JPEG";
    }
    if (options.sampling == "gray") {
        return "--sampling gray gibt es nur für JPEG";
    }
    if (options.samplingGiven && !format.choosesSampling()) {
        return "--sampling gilt nicht für " + std::string(format.name()) +
               " (die Farbe ist dort immer halbiert, 4:2:0)";
    }
    return {};
}

// The picture through another format's encoder, as a run writes it, to
// `out` (never replacing a file) or standard output.
int encodeInFormat(const OutputFormat& format, const PnmImage& image, const EncodeOptions& options,
                   const std::string& out) {
    const EncodeSettings settings{options.quality,
                                  options.sampling == "420" ? Sampling::Faster : Sampling::Best};
    Result<EncodedFile> file = format.encode(image.surface, settings, {}, {});
    if (!file) {
        return failure(out + ": " + file.reason());
    }
    std::string error;
    if (out == "-") {
        return writeStandardOutput(file->bytes, error) ? 0 : failure(error);
    }
    const AtomicWriteOutcome written = writeFileAtomically(
        out, std::as_bytes(std::span(file->bytes.data(), file->bytes.size())),
        ReplacePolicy::NoReplace);
    switch (written.result) {
        case AtomicWriteResult::Written:
            return 0;
        case AtomicWriteResult::Exists:
            return reportExisting(out);
        case AtomicWriteResult::Failed:
            break;
    }
    return failure(out + ": " + written.errorText);
}

}  // namespace

int runEncode(const Args& args) {
    EncodeOptions options;
    const std::vector<CliOption> table = encodeOptionTable(options);
    CommandLine line;
    if (const auto done = readCommandLine("encode", kHelp, table, args, line)) {
        return *done;
    }
    std::string error;
    if (!applyOptions(line, false, error)) {
        return usageError(error);
    }
    if (line.operands.size() > 2) {
        return usageError("zu viele Dateinamen");
    }
    if (line.operands.size() < 2) {
        return usageError("EINGABE und AUSGABE fehlen");
    }
    const std::string& in = line.operands[0];
    const std::string& out = line.operands[1];
    const bool toStdout = out == "-";
    if (toStdout && standardOutputIsTerminal()) {
        return usageError(
            "-: die Standardausgabe ist ein Terminal; leiten Sie sie um "
            "(> bild.jpg oder | programm)");
    }
    if (in == "-" && standardInputIsTerminal()) {
        return usageError(
            "-: die Standardeingabe ist ein Terminal; leiten Sie ein Bild hinein "
            "(< bild.ppm oder programm |)");
    }

    const OutputFormatId id =
        options.format.value_or(outputFormatForFileName(out).value_or(OutputFormatId::Jpeg));
    const std::shared_ptr<const OutputFormat> format = outputFormat(id);
    if (id != OutputFormatId::Jpeg) {
        if (Result<void> usable = format->usable(); !usable) {
            return usageError(usable.reason());
        }
        if (const std::string unfit = unfitOption(*format, options); !unfit.empty()) {
            return usageError(unfit);
        }
    }

    // Refuse before the work: the encoder would refuse after it.
    if (!toStdout && pathEntryExists(out)) {
        return reportExisting(out);
    }
    StandardInputFile standardInput;
    if (in == "-" && !standardInput.read(error)) {
        return failure("-: " + error);
    }
    Result<PnmImage> image = readPnm(in == "-" ? standardInput.path() : in);
    if (!image) {
        return failure(in + ": " + image.reason());
    }
    if (id != OutputFormatId::Jpeg) {
        return encodeInFormat(*format, *image, options, out);
    }
    try {
        cJpeg jpeg;
        if (image->grey || options.sampling == "gray") {
            jpeg.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
        } else if (options.sampling == "420") {
            jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        }
        jpeg.setCompression(options.compression);
        jpeg.Quality(options.quality);
        if (options.comment) {
            jpeg.Comment(*options.comment);
        }
        const Surface& s = image->surface;
        if (jpeg.SampleHDC(s, s.width(), s.height(), 0, 0) != cJpeg::kSampled) {
            return failure(in + ": nicht genug Speicher zum Kodieren");
        }
        if (toStdout) {
            const std::vector<std::uint8_t> bytes = jpeg.encodeToMemory();
            return writeStandardOutput(bytes, error) ? 0 : failure(error);
        }
        switch (jpeg.SaveFile(out)) {
            case cJpeg::kSaved:
                return 0;
            case cJpeg::kFileExists:
                return reportExisting(out);
            default:
                return usageError("AUSGABE fehlt");
        }
    } catch (const VendrikError& e) {
        std::fprintf(stderr, "vendrik-cli encode: %s: %s (Fehler %d)\n", terminalText(out).c_str(),
                     terminalText(e.what()).c_str(), e.number());
        return 1;
    }
}

}  // namespace vendrik::cli
