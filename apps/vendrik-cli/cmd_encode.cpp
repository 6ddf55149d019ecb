// vendrik-cli encode: the encoder's own command, as cjpeg is libjpeg's.

#include <cstdio>
#include <optional>
#include <string>

#include "commands.h"
#include "common/atomic_file.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/terminal_text.h"
#include "imaging/pnm_reader.h"
#include "jpeg/cJpeg.h"

namespace vendrik::cli {
namespace {

constexpr const char* kHelp =
    "Aufruf: vendrik-cli encode EINGABE AUSGABE [--quality N] [--sampling 444|420|gray]\n"
    "                           [--comment TEXT]\n"
    "\n"
    "Kodiert ein binäres PPM- (P6) oder PGM-Bild (P5) mit Vendriks eigenem\n"
    "Baseline-JPEG-Encoder (optimierte Huffman-Tabellen) und schreibt AUSGABE.\n"
    "Eine vorhandene AUSGABE wird nie überschrieben.\n"
    "\n"
    "  --quality N       JPEG-Qualität 1..100 (Vorgabe 80)\n"
    "  --sampling MODUS  444: volle Farbauflösung (Vorgabe), 420: Farbe halbiert,\n"
    "                    gray: nur Helligkeit; ein PGM wird immer grau kodiert\n"
    "  --comment TEXT    Kommentar (COM-Segment, Windows-1252)\n"
    "\n"
    "Rückgabe: 0 geschrieben, 1 Fehler, 2 falscher Aufruf.\n";

int usageError(const std::string& message) {
    return cli::usageError("encode", message);
}

int reportExisting(const std::string& out) {
    std::fprintf(stderr, "vendrik-cli encode: %s existiert bereits und wird nicht überschrieben\n",
                 terminalText(out).c_str());
    return 1;
}

}  // namespace

int runEncode(const Args& args) {
    std::string in;
    std::string out;
    int quality = 80;
    std::string sampling = "444";
    std::string comment;
    bool haveComment = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--quality") {
            const std::optional<int> q = hasValue ? wholeNumber(args[++i], 1, 100) : std::nullopt;
            if (!q) {
                return usageError("--quality erwartet eine Zahl von 1 bis 100");
            }
            quality = *q;
        } else if (a == "--sampling") {
            if (!hasValue) {
                return usageError("--sampling erwartet 444, 420 oder gray");
            }
            sampling = args[++i];
            if (sampling != "444" && sampling != "420" && sampling != "gray") {
                return usageError("--sampling erwartet 444, 420 oder gray, nicht '" + sampling +
                                  "'");
            }
        } else if (a == "--comment") {
            if (!hasValue) {
                return usageError("--comment erwartet einen Text");
            }
            comment = args[++i];
            haveComment = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return usageError("unbekannte Option '" + a + "'");
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return usageError("zu viele Dateinamen");
        }
    }
    if (in.empty() || out.empty()) {
        return usageError("EINGABE und AUSGABE fehlen");
    }

    // Refuse before the work: the encoder would refuse after it.
    if (pathEntryExists(out)) {
        return reportExisting(out);
    }
    std::string error;
    auto image = readPnm(in, error);
    if (!image) {
        std::fprintf(stderr, "vendrik-cli encode: %s: %s\n", terminalText(in).c_str(),
                     terminalText(error).c_str());
        return 1;
    }
    try {
        cJpeg jpeg;
        if (image->grey || sampling == "gray") {
            jpeg.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
        } else if (sampling == "420") {
            jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        }
        jpeg.Quality(quality);
        if (haveComment) {
            jpeg.Comment(comment);
        }
        const Surface& s = image->surface;
        if (jpeg.SampleHDC(s, s.width(), s.height(), 0, 0) != cJpeg::kSampled) {
            std::fprintf(stderr, "vendrik-cli encode: %s: nicht genug Speicher zum Kodieren\n",
                         terminalText(in).c_str());
            return 1;
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
