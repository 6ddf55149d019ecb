#include "optimise_options.h"

#include "watermark_options.h"

#include <array>
#include <optional>
#include <thread>

#include "common/ascii_case.h"
#include "common/number_text.h"
#include "startup/settings.h"

namespace vendrik::cli {
namespace {

// A whole number of up to nine digits, no sign: an index, a quality, a side.
bool parseInt(const std::string& text, int& value) {
    const std::optional<int> v = wholeNumber(text, 0, 999'999'999);
    value = v.value_or(value);
    return v.has_value();
}

std::string withoutSpaces(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ') {
            out += c;
        }
    }
    return out;
}

// --size: a preset's text ("1024 x 1280"), its index, an own size HxW, or
// "original".
bool applySize(const std::string& value, BatchSettings& batch, std::string& error) {
    batch.size.keepOriginalSize = false;
    if (value == "original") {
        batch.size.keepOriginalSize = true;
        return true;
    }
    int index = 0;
    if (parseInt(value, index)) {
        if (index >= kOwnSizeIndex) {
            error = "--size: Index 0 bis 9 oder eine eigene Größe HxW";
            return false;
        }
        batch.sizeIndex = index;
        return true;
    }
    const std::string compact = withoutSpaces(value);
    for (std::size_t i = 0; i < kSizePresets.size(); ++i) {
        if (withoutSpaces(kSizePresets[i].text) == compact) {
            batch.sizeIndex = static_cast<int>(i);
            return true;
        }
    }
    const auto x = compact.find_first_of("xX");
    int h = 0;
    int w = 0;
    if (x == std::string::npos || !parseInt(compact.substr(0, x), h) ||
        !parseInt(compact.substr(x + 1), w)) {
        error = "--size erwartet \"1024 x 1280\", einen Index, HxW oder original, nicht '" +
                value + "'";
        return false;
    }
    if (h < 1 || w < 1 || h > kMaxPictureSide || w > kMaxPictureSide) {
        error = "--size: Höhe und Breite müssen zwischen 1 und " +
                std::to_string(kMaxPictureSide) + " liegen";
        return false;
    }
    batch.sizeIndex = kOwnSizeIndex;
    batch.size.ownHeightText = std::to_string(h);
    batch.size.ownWidthText = std::to_string(w);
    return true;
}

OptionParse parseCoreOption(const Args& args, std::size_t& i, OptimiseOptions& o,
                            std::string& error) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    auto value = [&]() -> const std::string& { return args[++i]; };
    auto needs = [&](const char* what) {
        error = a + " erwartet " + what;
        return OptionParse::Failed;
    };
    BatchSettings& b = o.batch;
    if (a == "--help" || a == "-h") {
        o.help = true;
    } else if (a == "--size") {
        if (!hasValue) {
            return needs("eine Größe");
        }
        if (!applySize(value(), b, error)) {
            return OptionParse::Failed;
        }
    } else if (a == "--quality") {
        int q = 0;
        if (!hasValue || !parseInt(value(), q) || q < kQualityMin || q > kQualityMax) {
            return needs("eine Zahl von 40 bis 95");
        }
        b.quality = q;
    } else if (a == "--preset") {
        if (!hasValue) {
            return needs("Website, eMail, Normal oder Optimal");
        }
        const std::string& name = value();
        bool found = false;
        for (const QualityPreset& p : kQualityPresets) {
            if (equalsIgnoringCase(p.caption, name)) {
                b.quality = p.value;
                found = true;
            }
        }
        if (!found) {
            return needs("Website, eMail, Normal oder Optimal");
        }
    } else if (a == "--sampling") {
        if (!hasValue) {
            return needs("444 oder 420");
        }
        const std::string& s = value();
        if (s != "444" && s != "420") {
            return needs("444 oder 420");
        }
        b.sampling = s == "444" ? Sampling::Best : Sampling::Faster;
        o.samplingGiven = true;
    } else if (a == "--tag-preset") {
        if (!hasValue) {
            return needs("einen Eintrag der Namensliste");
        }
        const std::string& name = value();
        int index = -1;
        for (std::size_t t = 0; t < kPreTags.size(); ++t) {
            if (equalsIgnoringCase(kPreTags[t], name)) {
                index = static_cast<int>(t);
            }
        }
        if (index < 0 && (!parseInt(name, index) || index >= static_cast<int>(kPreTags.size()))) {
            return needs("eMail, web, thumb, small, mini, new oder Bildgröße");
        }
        b.naming.option = NameOption::ListTag;
        b.naming.listTag = std::string(kPreTags[static_cast<std::size_t>(index)]);
    } else if (a == "--tag") {
        if (!hasValue) {
            return needs("einen Text");
        }
        const std::string& tag = value();
        if (tag.find('/') != std::string::npos) {
            error = "--tag darf keinen Schrägstrich enthalten";
            return OptionParse::Failed;
        }
        b.naming.option = NameOption::OwnTag;
        b.naming.ownTag = tag;
    } else if (a == "--tag-first") {
        b.naming.tagFirst = true;
    } else if (a == "--out") {
        if (!hasValue || args[i + 1].empty()) {
            return needs("einen Ordner");
        }
        b.targetFolder = value();
    } else if (a == "--skip-existing") {
        o.skipExisting = true;
    } else if (a == "--jobs") {
        int n = 0;
        if (!hasValue || !parseInt(value(), n) || n < 1 || n > 256) {
            return needs("eine Zahl von 1 bis 256");
        }
        b.jobs = n;
    } else if (a == "--quiet" || a == "-q") {
        o.quiet = true;
    } else if (a == "--no-settings") {
        o.useSettingsFile = false;
    } else {
        return OptionParse::NotMine;
    }
    return OptionParse::Handled;
}

// --watermark and the --wm-* options of its design.
OptionParse parseWatermarkFamily(const Args& args, std::size_t& i, OptimiseOptions& o,
                                 std::string& error) {
    if (args[i] == "--watermark") {
        o.watermark = true;
        return OptionParse::Handled;
    }
    switch (parseWatermarkOption(args, i, o.watermarkSettings, error)) {
        case WatermarkOption::Taken:
            o.watermarkDesigned = true;
            return OptionParse::Handled;
        case WatermarkOption::Invalid:
            return OptionParse::Failed;
        case WatermarkOption::NotMine:
            break;
    }
    return OptionParse::NotMine;
}

// Further option families (the settings file's) add their parser here.
constexpr std::array<OptionParser, 2> kOptionParsers{parseCoreOption, parseWatermarkFamily};

}  // namespace

const char* const kOptimiseHelp =
    "Aufruf: vendrik-cli optimise [OPTIONEN] DATEI|ORDNER ...\n"
    "\n"
    "Verkleinert Bilder in einen Zielrahmen und schreibt sie als JPEG mit Vendriks\n"
    "eigenem Encoder. Ein Ordner steht für seine Bilder nach dem Muster\n"
    "\"*.jpg;*.jpeg;*.bmp;*.tif;*.gif;*.png;*.jps\" (Groß-/Kleinschreibung egal).\n"
    "Name: Quellname ohne die letzten vier Zeichen + \"_\" + Kennung + \".jpg\".\n"
    "\n"
    "  --size GRÖSSE       Zielrahmen Höhe x Breite: \"1024 x 1280\" (Vorgabe), ein\n"
    "                      Index 0..9 der Liste, eine eigene Größe HxW (\"600x900\")\n"
    "                      oder original (Originalgröße beibehalten)\n"
    "  --quality N         JPEG-Qualität 40..95 (Vorgabe 80); ab 70 volle Farbauflösung\n"
    "  --preset NAME       Website (60), eMail (70), Normal (80) oder Optimal (90)\n"
    "  --sampling 444|420  beste Qualität (444) oder höhere Geschwindigkeit (420)\n"
    "  --tag-preset NAME   Kennung aus der Liste: eMail, web, thumb, small, mini,\n"
    "                      new (Vorgabe) oder Bildgröße (Höhe x Breite, z. B. 480x640)\n"
    "  --tag TEXT          eigene Kennung\n"
    "  --tag-first         Kennung an den Anfang des Namens (\"am Anfang\")\n"
    "  --out ORDNER        Zielordner (Vorgabe: Gleicher Pfad wie Quell-Bild); er wird\n"
    "                      nicht angelegt\n"
    "  --skip-existing     vorhandene Dateien nicht ersetzen (Vorgabe: ersetzen)\n"
    "  --jobs N            Bilder gleichzeitig (Vorgabe: alle Prozessorkerne);\n"
    "                      das Ergebnis ist dasselbe wie mit --jobs 1\n"
    "  --quiet             keine Fortschrittsanzeige und keine Zusammenfassung\n"
    "  --settings DATEI    Vorgaben aus dieser Einstellungsdatei (Vorgabe: vendrik.ini\n"
    "                      der Fenster, neben dem Programm oder in\n"
    "                      $XDG_CONFIG_HOME/vendrik/); Optionen gehen vor\n"
    "  --no-settings       eingebaute Vorgaben statt der Einstellungsdatei\n"
    "  --watermark         Wasserzeichen einblenden (\"einblenden\"), gestaltet mit:\n";

const char* const kOptimiseHelpTail =
    "\n"
    "Rückgabe: 0 alle Bilder geschrieben, 1 Bilder fehlgeschlagen oder ohne das\n"
    "verlangte Wasserzeichen geschrieben, 2 falscher Aufruf.\n";

OptimiseOptions defaultOptimiseOptions() {
    OptimiseOptions o;
    BatchSettings& b = o.batch;
    b.runMode = RunMode::Batch;
    b.sizeIndex = kDefaultSizeIndex;
    b.quality = kDefaultQuality;
    b.sampling = samplingForQuality(kDefaultQuality);
    b.naming.option = NameOption::ListTag;
    b.naming.listTag = std::string(kPreTags[kDefaultPreTagIndex]);
    b.naming.ownTag = std::string(kDefaultOwnTag);
    b.naming.tagFirst = false;
    b.targetFolder.clear();
    b.jobs = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    o.watermarkSettings = Settings::defaultWatermarkDesign();
    return o;
}

bool parseOptimiseArgs(const Args& args, OptimiseOptions& options, std::string& error) {
    bool onlyNames = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyNames || a.empty() || a[0] != '-' || a == "-") {
            options.inputs.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyNames = true;
            continue;
        }
        OptionParse outcome = OptionParse::NotMine;
        for (const OptionParser parse : kOptionParsers) {
            outcome = parse(args, i, options, error);
            if (outcome != OptionParse::NotMine) {
                break;
            }
        }
        if (outcome == OptionParse::Failed) {
            return false;
        }
        if (outcome == OptionParse::NotMine) {
            error = "unbekannte Option '" + a + "'";
            return false;
        }
    }
    // The slider rule: a quality from 70 up chooses "beste Qualität".
    if (!options.samplingGiven) {
        options.batch.sampling = samplingForQuality(options.batch.quality);
    }
    // A design without --watermark would silently do nothing.
    if (options.watermarkDesigned && !options.watermark) {
        error = "die --wm-Optionen wirken nur mit --watermark";
        return false;
    }
    return true;
}

}  // namespace vendrik::cli
