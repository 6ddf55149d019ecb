#include "window_arguments.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "common/option_table.h"
#include "common/picture_endings.h"
#include "common/terminal_text.h"

#ifndef VENDRIK_VERSION
#define VENDRIK_VERSION "unbekannt"
#endif

namespace vendrik {
namespace {

using Apply = std::function<bool(const std::string& value, std::string& error)>;

// The one table. `sink` receives what is given; the help reads the table
// without one.
std::vector<CliOption> optionTable(WindowArguments* sink) {
    const auto into =
        [sink](std::function<bool(WindowArguments&, const std::string&, std::string&)> apply)
        -> Apply {
        if (sink == nullptr) {
            return nullptr;
        }
        return [sink, apply = std::move(apply)](const std::string& value, std::string& error) {
            return apply(*sink, value, error);
        };
    };
    return {
        {"dialog", 0, "ART",
         "nur einen Dialog: folder, die Ordnerauswahl (gibt den gewählten Ordner aus), oder "
         "watermark, die Wasserzeichen-Einstellungen",
         into([](WindowArguments& a, const std::string& value, std::string& error) {
             if (value == "folder") {
                 a.mode = WindowMode::FolderDialog;
             } else if (value == "watermark") {
                 a.mode = WindowMode::WatermarkDialog;
             } else {
                 error = "--dialog erwartet folder oder watermark, nicht '" + value + "'";
                 return false;
             }
             return true;
         }),
         false, ""},
        {"target", 0, "",
         "mit --dialog folder: den Zielordner wählen (Titel \"Speicher-Pfad auswählen\", "
         "ohne START der zuletzt gewählte Zielordner)",
         into([](WindowArguments& a, const std::string&, std::string&) {
             a.target = true;
             return true;
         }),
         false, ""},
        {"settings", 0, "DATEI",
         "mit --dialog: diese Einstellungsdatei statt vendrik.ini lesen (und bei "
         "\"ÜBERNEHMEN\" schreiben)",
         into([](WindowArguments& a, const std::string& value, std::string&) {
             a.settingsFile = value;
             return true;
         }),
         false, ""},
        {"picture", 0, "BILD", "mit --dialog watermark: die Vorschau auf diesem Bild zeigen",
         into([](WindowArguments& a, const std::string& value, std::string&) {
             a.picture = value;
             return true;
         }),
         false, ""},
        {"controls-gallery", 0, "", "zeigt die Bedienelemente des Programms",
         into([](WindowArguments& a, const std::string&, std::string&) {
             a.mode = WindowMode::ControlsGallery;
             return true;
         }),
         false, ""},
    };
}

bool given(const CommandLine& line, std::string_view option) {
    return std::any_of(line.given.begin(), line.given.end(),
                       [&](const CommandLine::Given& g) { return g.option->longName == option; });
}

// Whether the options and operands fit the mode they chose.
bool fitTogether(const CommandLine& line, const WindowArguments& a, std::string& error) {
    const bool dialog = a.mode == WindowMode::FolderDialog || a.mode == WindowMode::WatermarkDialog;
    if (given(line, "controls-gallery") && given(line, "dialog")) {
        error = "--controls-gallery und --dialog schließen einander aus";
    } else if (a.target && a.mode != WindowMode::FolderDialog) {
        error = "--target gilt nur mit --dialog folder";
    } else if (given(line, "picture") && a.mode != WindowMode::WatermarkDialog) {
        error = "--picture gilt nur mit --dialog watermark";
    } else if (given(line, "settings") && !dialog) {
        error = "--settings gilt nur mit --dialog";
    } else if (a.mode == WindowMode::FolderDialog && a.operands.size() > 1) {
        error = "--dialog folder nimmt nur einen START, nicht auch '" + a.operands[1] + "'";
    } else if ((a.mode == WindowMode::WatermarkDialog || a.mode == WindowMode::ControlsGallery) &&
               !a.operands.empty()) {
        error = "unbekanntes Argument '" + a.operands.front() + "'";
    }
    return error.empty();
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) {
        out += (out.empty() ? "" : ", ") + w;
    }
    return out;
}

// The file list's endings as its pattern spells them ("*.jpg;*.jpeg;...").
std::vector<std::string> fileListEndings() {
    std::vector<std::string> endings;
    std::string_view pattern = kFileListPattern;
    while (!pattern.empty()) {
        const std::size_t end = std::min(pattern.find(';'), pattern.size());
        endings.emplace_back(pattern.substr(1, end - 1));  // without the "*"
        pattern.remove_prefix(std::min(end + 1, pattern.size()));
    }
    return endings;
}

}  // namespace

bool parseWindowArguments(const std::vector<std::string>& args, WindowArguments& out,
                          std::string& error) {
    out = WindowArguments{};
    const std::vector<CliOption> table = optionTable(&out);
    CommandLine line;
    if (!parseCommandLine(table, args, line, error)) {
        return false;
    }
    out.help = line.help;
    out.version = line.version;
    if (out.help || out.version) {
        return true;
    }
    out.operands = line.operands;
    return applyOptions(line, false, error) && fitTogether(line, out, error);
}

std::vector<std::string> pictureArgumentEndings() {
    std::vector<std::string> endings;
    for (const std::string_view e : kCommandLineEndings) {
        // The table compares four characters, so ".jpeg" is held as "jpeg".
        endings.push_back(e.front() == '.' ? std::string(e) : "." + std::string(e));
    }
    return endings;
}

std::string windowHelpText() {
    CommandHelp help{
        "vendrik [ORDNER | BILDDATEI]\n"
        "       vendrik --dialog folder [--target] [--settings DATEI] [START]\n"
        "       vendrik --dialog watermark [--settings DATEI] [--picture BILD]\n"
        "       vendrik --controls-gallery",
        "Tervane Vendrik verkleinert Bilder (JPEG, PNG, TIFF, GIF, BMP, HEIC/HEIF, AVIF,\n"
        "WebP) zu JPEG-, WebP- oder AVIF-Dateien: Bilder im Ordner markieren, Zielgröße,\n"
        "Qualität, Namensanhang und Wasserzeichen wählen, starten.\n"
        "\n"
        "Läuft Vendrik schon, gibt ein zweiter Aufruf ORDNER oder BILDDATEI an das offene\n"
        "Fenster weiter, das nach vorn kommt, und endet. Die Einstellungen stehen in\n"
        "vendrik.ini neben dem Programm, wenn dieser Ordner beschreibbar ist, sonst in\n"
        "~/.config/vendrik/vendrik.ini. Die Befehlszeile ist vendrik-cli\n"
        "(vendrik-cli --help).\n",
        "Rückgabe: 0 beendet (mit --dialog: gewählt oder übernommen; beim zweiten Aufruf:\n"
        "weitergegeben), 1 abgebrochen (mit --dialog) oder das offene Fenster antwortet\n"
        "nicht, 2 falscher Aufruf.\n"};
    help.operands = {
        {"ORDNER", "zeigt die Bilder dieses Ordners (Endungen " + joined(fileListEndings()) +
                       "); ohne ORDNER und BILDDATEI der zuletzt benutzte Ordner"},
        {"BILDDATEI",
         "zeigt ihren Ordner und markiert sie (Endungen " + joined(pictureArgumentEndings()) + ")"},
        {"START",
         "mit --dialog folder: der Ordner, in dem die Auswahl beginnt; ohne START "
         "der zuletzt gewählte Quellordner"},
    };
    return helpText(help, optionTable(nullptr));
}

std::string windowVersionText() {
    return std::string("vendrik (Tervane Vendrik) ") + VENDRIK_VERSION + "\n";
}

std::string windowUsageError(const std::string& reason) {
    // The reason may quote an argument, which may hold anything.
    return "vendrik: " + terminalText(reason) + " (Hilfe: vendrik --help)\n";
}

}  // namespace vendrik
