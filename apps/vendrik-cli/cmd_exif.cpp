// vendrik-cli exif: the preview's EXIF summary and the reader's full listing
// for picture files, as the main window shows them.

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "common/regular_file.h"
#include "common/terminal_text.h"
#include "exif/clsEXIF.h"
#include "exif/exif_error.h"

namespace vendrik::cli {
namespace {

const CommandHelp kHelp{
    "vendrik-cli exif [OPTIONEN] DATEI...",
    "Liest die EXIF-Daten aus den ersten 4096 Bytes jeder DATEI, wie die Vorschau\n"
    "des Hauptfensters: zuerst die fünf Zeilen der Zusammenfassung (Kamera,\n"
    "Blende, Belichtung, Uhrzeit, Datum; die bloße Beschriftung, wo ein Wert\n"
    "fehlt), dann nach einer Leerzeile alle gelesenen Einträge als 'Name: Wert'.\n"
    "Dezimalzahlen folgen dem Gebietsschema (LC_ALL, LC_NUMERIC): unter\n"
    "de_DE.UTF-8 erscheint 'Blende: f 2,8'. Nach -- sind alle Wörter Dateien.\n",
    "Rückgabe: 0 gelesen, 1 eine Datei fehlt, ist leer oder keine lesbare gewöhnliche\n"
    "Datei (mit --tag auch: ohne EXIF-Daten), 2 falscher Aufruf.\n"};

int usageError(const std::string& message) {
    return cli::usageError("exif", message);
}

bool parseTag(const std::string& text, std::int32_t& value) {
    try {
        std::size_t used = 0;
        const long long v = std::stoll(text, &used);
        if (used != text.size() || v < INT32_MIN || v > INT32_MAX) {
            return false;
        }
        value = static_cast<std::int32_t>(v);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The listing as ListInfo gives it, one line per entry, but with each
// entry's text escaped: a text holding CR LF would otherwise forge a line,
// one holding ESC act on the terminal.
std::string listing(const clsEXIF& exif) {
    if (exif.state() != ExifState::Read) {
        return terminalText(exif.ListInfo()) + "\n";
    }
    std::string out;
    for (const ExifEntry& e : exif.entries()) {
        out.append(terminalText(e.Name)).append(": ").append(terminalText(e.Display)).append("\n");
    }
    return out;
}

// Prints one file's block; returns false when the work failed for it.
bool showFile(clsEXIF& exif, const std::string& path, bool wantTag, std::int32_t tagNumber) {
    exif.ImageFile(path);
    const ExifSummary summary = exif.ListEXIF();
    for (const ExifLabel label : {ExifLabel::Camera, ExifLabel::Aperture, ExifLabel::Exposure,
                                  ExifLabel::Time, ExifLabel::Date}) {
        std::printf("%s\n", terminalText(summary.shown(label)).c_str());
    }
    std::printf("\n");
    const std::string shownPath = terminalText(path);
    bool ok = true;
    if (exif.state() == ExifState::FileMissing) {
        std::fprintf(stderr, "vendrik-cli exif: %s: %s\n", shownPath.c_str(),
                     std::string(exifErrorText(ExifErrc::FileNotFound).description).c_str());
        ok = false;
    } else if (exif.state() == ExifState::NoExif) {
        // The reader takes a FIFO, a folder or an unreadable file for a file
        // without EXIF data; the command line says what it is.
        if (const RegularFile file(path); !file.isOpen()) {
            std::fprintf(stderr, "vendrik-cli exif: %s: %s\n", shownPath.c_str(),
                         file.problem().c_str());
            ok = false;
        }
    }
    if (!wantTag) {
        std::fputs(listing(exif).c_str(), stdout);
        return ok;
    }
    try {
        std::string text;
        const std::int32_t result = exif.MetaInfo(tagNumber, text);
        std::printf("Ergebnis: %d\nText: %s\n", static_cast<int>(result),
                    terminalText(text).c_str());
        return ok;
    } catch (const VendrikError& e) {
        if (ok) {
            std::fprintf(stderr, "vendrik-cli exif: %s: %s (Fehler %d)\n", shownPath.c_str(),
                         e.what(), e.number());
        }
        return false;
    }
}

}  // namespace

int runExif(const Args& args) {
    bool wantTag = false;
    std::int32_t tagNumber = 0;
    const std::vector<CliOption> table{
        {"tag", 0, "N",
         "statt aller Einträge nur den ersten Eintrag mit der Tag-Nummer N: "
         "'Ergebnis:' (der Wert als ganze Zahl) und 'Text:' (die Anzeige)",
         [&](const std::string& v, std::string& e) {
             if (!parseTag(v, tagNumber)) {
                 e = "--tag erwartet eine ganze Zahl";
                 return false;
             }
             wantTag = true;
             return true;
         },
         false, ""}};
    CommandLine line;
    if (const auto done = readCommandLine("exif", kHelp, table, args, line)) {
        return *done;
    }
    std::string error;
    if (!applyOptions(line, false, error)) {
        return usageError(error);
    }
    const std::vector<std::string>& files = line.operands;
    if (files.empty()) {
        return usageError("DATEI fehlt");
    }
    // The user's locale decides the decimal separator, as on the desktop.
    std::setlocale(LC_ALL, "");
    clsEXIF exif;
    bool allOk = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files.size() > 1) {
            std::printf("%s==> %s <==\n", i > 0 ? "\n" : "", terminalText(files[i]).c_str());
        }
        allOk = showFile(exif, files[i], wantTag, tagNumber) && allOk;
    }
    return allOk ? 0 : 1;
}

}  // namespace vendrik::cli
