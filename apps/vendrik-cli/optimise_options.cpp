#include "optimise_options.h"

#include <algorithm>
#include <optional>
#include <thread>
#include <utility>

#include "common/ascii_case.h"
#include "common/number_text.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/output_formats.h"
#include "optimiser/size_target.h"
#include "startup/own_presets.h"
#include "startup/settings.h"
#include "watermark_options.h"

namespace vendrik::cli {
namespace {

// A whole number of up to nine digits, no sign: an index, a quality, a side.
std::optional<int> plainNumber(std::string_view text) {
    return wholeNumber(text, 0, 999'999'999);
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

struct TwoSides {
    int first = 0;
    int second = 0;
};

// "600x900" (or "600 x 900", "600X900") as its two numbers, in the order written.
std::optional<TwoSides> twoSides(std::string_view text) {
    const std::string compact = withoutSpaces(text);
    const auto x = compact.find_first_of("xX");
    if (x == std::string::npos) {
        return std::nullopt;
    }
    const auto first = plainNumber(std::string_view(compact).substr(0, x));
    const auto second = plainNumber(std::string_view(compact).substr(x + 1));
    if (!first || !second) {
        return std::nullopt;
    }
    return TwoSides{*first, *second};
}

bool setOwnSize(int height, int width, PictureSettings& picture, std::string& error,
                const char* option) {
    if (height < 1 || width < 1 || height > kMaxPictureSide || width > kMaxPictureSide) {
        error = std::string(option) + ": Höhe und Breite müssen zwischen 1 und " +
                std::to_string(kMaxPictureSide) + " liegen";
        return false;
    }
    picture.size.keepOriginalSize = false;
    picture.sizeIndex = kOwnSizeIndex;
    picture.size.ownHeightText = std::to_string(height);
    picture.size.ownWidthText = std::to_string(width);
    return true;
}

// --size: a preset's text ("1024 x 1280"), its index, an own size HxW, or
// "original".
bool applySize(const std::string& value, PictureSettings& picture, std::string& error) {
    if (value == "original") {
        picture.size.keepOriginalSize = true;
        return true;
    }
    if (const auto index = plainNumber(value)) {
        if (*index >= kOwnSizeIndex) {
            error = "--size: Index 0 bis 9 oder eine eigene Größe HxB";
            return false;
        }
        picture.size.keepOriginalSize = false;
        picture.sizeIndex = *index;
        return true;
    }
    const std::string compact = withoutSpaces(value);
    for (std::size_t i = 0; i < kSizePresets.size(); ++i) {
        if (withoutSpaces(kSizePresets[i].text) == compact) {
            picture.size.keepOriginalSize = false;
            picture.sizeIndex = static_cast<int>(i);
            return true;
        }
    }
    const auto sides = twoSides(value);
    if (!sides) {
        error = "--size erwartet \"1024 x 1280\", einen Index, HxB oder original, nicht '" + value +
                "'";
        return false;
    }
    return setOwnSize(sides->first, sides->second, picture, error, "--size");
}

// --box WxH: width first, as vipsthumbnail and ImageMagick read a size.
bool applyBox(const std::string& value, PictureSettings& picture, std::string& error) {
    const auto sides = twoSides(value);
    if (!sides) {
        error = "--box erwartet Breite x Höhe (\"1280x1024\"), nicht '" + value + "'";
        return false;
    }
    return setOwnSize(sides->second, sides->first, picture, error, "--box");
}

// The presets with their indexes, three to a line, the default marked.
std::string sizePresetList() {
    constexpr std::size_t kItemWidth = 18;
    std::string list = "Die Liste (Höhe x Breite; * Vorgabe):";
    std::size_t previous = 0;
    for (std::size_t i = 0; i < kSizePresets.size(); ++i) {
        if (i % 3 == 0) {
            list += "\n";
        } else {
            list += std::string(kItemWidth - std::min(previous, kItemWidth - 1), ' ');
        }
        std::string item = std::to_string(i) + ": " + std::string(kSizePresets[i].text);
        if (static_cast<int>(i) == kDefaultSizeIndex) {
            item += "*";
        }
        previous = item.size();
        list += item;
    }
    return list;
}

using Apply = std::function<bool(const std::string&, std::string&)>;

CliOption option(std::string longName, char shortName, std::string valueName, std::string help,
                 Apply apply) {
    return CliOption{std::move(longName),
                     shortName,
                     std::move(valueName),
                     std::move(help),
                     std::move(apply),
                     false,
                     ""};
}

Apply setFlag(bool& flag) {
    return [&flag](const std::string&, std::string&) {
        flag = true;
        return true;
    };
}

// An own preset: everything it holds replaces what the options before it
// (and the settings file) said; where the outputs go, the jobs and
// --keep-pixels stay.
void applyOwnPreset(const OwnPreset& preset, OptimiseOptions& o) {
    RunChoices choices;
    choices.jobs = o.batch.jobs;
    const BatchSettings from = batchSettingsFrom(preset.settings, choices);
    const bool convertColours = o.batch.picture.convertColours;
    o.batch.picture = from.picture;
    o.batch.picture.convertColours = convertColours;
    switch (preset.settings.samplingChoice) {
        case 1:
            o.batch.picture.sampling = Sampling::Best;
            break;
        case 2:
            o.batch.picture.sampling = Sampling::Faster;
            break;
        default:
            o.batch.picture.sampling.reset();
            break;
    }
    o.batch.naming = from.naming;
    o.batch.keepDates = from.keepDates;
    o.watermark = preset.settings.watermarkOn;
    o.watermarkSettings = preset.settings.watermark;
}

// --preset: one of the quality buttons, whose names an own preset cannot
// take in the window, or an own preset.
bool applyPreset(const std::string& name, OptimiseOptions& o, std::string& error) {
    for (const QualityPreset& p : kQualityPresets) {
        if (equalsIgnoringCase(p.caption, name)) {
            o.batch.picture.quality = p.value;
            return true;
        }
    }
    const auto preset = readPreset(o.settingsDocument, name, o.startingSettings);
    if (!preset) {
        error = "--preset erwartet Website, eMail, Normal, Optimal oder den Namen einer "
                "eigenen Voreinstellung (vendrik-cli settings --presets), nicht '" + name + "'";
        return false;
    }
    applyOwnPreset(*preset, o);
    return true;
}

}  // namespace

const CommandHelp kOptimiseHelp{
    "vendrik-cli optimise [OPTIONEN] DATEI|ORDNER|- ...",
    "Verkleinert Bilder in einen Zielrahmen und schreibt sie als JPEG mit Vendriks\n"
    "eigenem Encoder (mit --format als WebP oder AVIF). Ein Ordner steht für seine\n"
    "Bilder nach dem Muster\n"
    "\"*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif;*.png;*.jps;*.heic;*.heif;*.avif;*.webp\"\n"
    "(Groß-/Kleinschreibung egal), mit -r auch für die seiner Unterordner. Name:\n"
    "Quellname ohne seine Endung (strand.jpeg wie strand.jpg: strand) + \"_\" +\n"
    "Kennung + \".jpg\" (mit --format \".webp\", \".avif\"). Kein Bild eines Laufs\n"
    "ersetzt die Ausgabe eines früheren Bildes desselben Laufs; eine doppelt\n"
    "genannte Datei wird einmal bearbeitet. - liest ein Bild von der\n"
    "Standardeingabe (nur mit -o -).\n",
    "Rückgabe: 0 alle Bilder geschrieben (oder mit --skip-existing übersprungen),\n"
    "1 Bilder fehlgeschlagen oder ohne das verlangte Wasserzeichen geschrieben oder\n"
    "der Zielordner fehlt oder ist schreibgeschützt, 2 falscher Aufruf, 3 alle\n"
    "geschrieben, aber nicht alle innerhalb von --max-size, 130/143 nach\n"
    "Strg+C/SIGTERM.\n"};

BatchSettings startingBatchSettings(const Settings& settings) {
    RunChoices choices;
    choices.jobs = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    return batchSettingsFrom(settings, choices);
}

std::vector<CliOption> optimiseOptionTable(OptimiseOptions& o) {
    std::vector<CliOption> t;
    t.push_back(option(
        "size", 's', "GRÖSSE",
        "Zielrahmen Höhe x Breite: eine Größe der Liste (\"1024 x 1280\") "
        "oder ihr Index, eine eigene Größe HxB (\"600x900\") oder original "
        "(Originalgröße beibehalten). " +
            sizePresetList(),
        [&o](const std::string& v, std::string& e) { return applySize(v, o.batch.picture, e); }));
    t.push_back(option(
        "box", 0, "BxH",
        "Zielrahmen Breite x Höhe, wie andere Werkzeuge ihn lesen: "
        "--box 1280x1024 ist --size 1024x1280",
        [&o](const std::string& v, std::string& e) { return applyBox(v, o.batch.picture, e); }));
    t.push_back(option("quality", 'Q', "N",
                       "Qualität 40..95 (Vorgabe 80); ab 70 volle Farbauflösung, mit "
                       "--compression strong ab 90 (außer WebP: immer halbiert)",
                       [&o](const std::string& v, std::string& e) {
                           const auto q = plainNumber(v);
                           if (!q || *q < kQualityMin || *q > kQualityMax) {
                               e = "--quality erwartet eine Zahl von 40 bis 95, nicht '" + v + "'";
                               return false;
                           }
                           o.batch.picture.quality = *q;
                           return true;
                       }));
    t.push_back(option("preset", 0, "NAME",
                       "Website (60), eMail (70), Normal (80) oder Optimal (90) setzt die "
                       "Qualität; jeder andere Name eine eigene Voreinstellung der "
                       "Einstellungsdatei (vendrik-cli settings --presets) mit allem, was sie "
                       "hält. Optionen danach gehen vor, Optionen davor ersetzt sie",
                       [&o](const std::string& v, std::string& e) { return applyPreset(v, o, e); }));
    t.push_back(option("sampling", 0, "444|420",
                       "beste Qualität (444) oder höhere Geschwindigkeit (420)",
                       [&o](const std::string& v, std::string& e) {
                           if (v != "444" && v != "420") {
                               e = "--sampling erwartet 444 oder 420";
                               return false;
                           }
                           o.batch.picture.sampling =
                               v == "444" ? Sampling::Best : Sampling::Faster;
                           return true;
                       }));
    t.push_back(compressionOption(
        "standard: Baseline-JPEG (Vorgabe); strong: \"kleinere Dateien (langsamer)\", "
        "progressiv und bei gleichem Aussehen kleiner, mit mehrfacher Rechenzeit; auch für "
        "die Versuche von --max-size; nur für JPEG, mit --format webp oder avif ohne Wirkung",
        o.batch.picture.compression));
    t.push_back(option("metadata", 0, "WAHL",
                       "Metadaten: strip entfernen (Vorgabe), keep behalten (EXIF, XMP, "
                       "IPTC; Ausrichtung 1, ohne Vorschaubild), keep-no-gps behalten ohne "
                       "GPS und Ortsangaben",
                       [&o](const std::string& v, std::string& e) {
                           constexpr std::pair<const char*, MetadataChoice> kChoices[] = {
                               {"strip", MetadataChoice::Strip},
                               {"keep", MetadataChoice::Keep},
                               {"keep-no-gps", MetadataChoice::KeepWithoutGps}};
                           for (const auto& [name, choice] : kChoices) {
                               if (v == name) {
                                   o.batch.picture.metadata = choice;
                                   return true;
                               }
                           }
                           e = "--metadata erwartet strip, keep oder keep-no-gps, nicht '" + v + "'";
                           return false;
                       }));
    t.push_back(option("format", 0, "FORMAT",
                       "Ausgabeformat: jpeg (Vorgabe, Vendriks eigener Encoder), webp oder "
                       "avif; Endung .jpg, .webp oder .avif",
                       [&o](const std::string& v, std::string& e) {
                           const auto id = outputFormatNamed(v);
                           if (!id) {
                               e = "--format erwartet jpeg, webp oder avif, nicht '" + v + "'";
                               return false;
                           }
                           o.batch.picture.format = outputFormat(*id);
                           o.formatGiven = true;
                           return true;
                       }));
    t.push_back(option("keep-pixels", 0, "",
                       "Bildpunkte wie gespeichert: ein eingebettetes Farbprofil (Display P3, "
                       "Adobe RGB) nicht nach sRGB umrechnen",
                       [&o](const std::string&, std::string&) {
                           o.batch.picture.convertColours = false;
                           return true;
                       }));
    t.push_back(option("tag-preset", 0, "NAME",
                       "Kennung aus der Liste: eMail, web, thumb, small, mini, "
                       "new (Vorgabe) oder Bildgröße (Höhe x Breite, z. B. 480x640)",
                       [&o](const std::string& v, std::string& e) {
                           std::optional<int> index;
                           for (std::size_t t = 0; t < kPreTags.size(); ++t) {
                               if (equalsIgnoringCase(kPreTags[t], v)) {
                                   index = static_cast<int>(t);
                               }
                           }
                           if (!index) {
                               index = plainNumber(v);
                           }
                           if (!index || *index >= static_cast<int>(kPreTags.size())) {
                               e = "--tag-preset erwartet eMail, web, thumb, small, mini, new oder "
                                   "Bildgröße";
                               return false;
                           }
                           o.batch.naming.option = NameOption::ListTag;
                           o.batch.naming.listTag =
                               std::string(kPreTags[static_cast<std::size_t>(*index)]);
                           return true;
                       }));
    t.push_back(
        option("tag", 0, "TEXT", "eigene Kennung", [&o](const std::string& v, std::string& e) {
            if (v.find('/') != std::string::npos) {
                e = "--tag darf keinen Schrägstrich enthalten";
                return false;
            }
            o.batch.naming.option = NameOption::OwnTag;
            o.batch.naming.ownTag = v;
            return true;
        }));
    t.push_back(option("tag-first", 0, "", "Kennung an den Anfang des Namens (\"am Anfang\")",
                       [&o](const std::string&, std::string&) {
                           o.batch.naming.tagFirst = true;
                           return true;
                       }));
    t.push_back(option("out", 'o', "ORDNER",
                       "Zielordner (Vorgabe: Gleicher Pfad wie Quell-Bild); er wird "
                       "nicht angelegt, nur Unterordner für -r darin. - schreibt die "
                       "Ausgabe eines einzelnen Bildes auf die Standardausgabe",
                       [&o](const std::string& v, std::string& e) {
                           if (v.empty()) {
                               e = "--out erwartet einen Ordner";
                               return false;
                           }
                           o.toStdout = v == "-";
                           if (!o.toStdout) {
                               o.batch.targetFolder = v;
                           }
                           return true;
                       }));
    t.push_back(option("recursive", 'r', "",
                       "auch die Bilder aller Unterordner; mit --out in gleich benannte "
                       "Unterordner des Zielordners (Verknüpfungen auf Ordner werden "
                       "nicht verfolgt, auch nicht im Zielordner; ein Zielordner im Baum "
                       "wird nicht durchsucht)",
                       setFlag(o.recursive)));
    t.push_back(option("no-enlarge", 0, "",
                       "nicht vergrößern: Bilder, die in den Zielrahmen passen, behalten "
                       "ihre Größe (Vorgabe: auf den Rahmen vergrößern)",
                       [&o](const std::string&, std::string&) {
                           o.batch.picture.noEnlarge = true;
                           return true;
                       }));
    t.push_back(option("turn-box", 0, "",
                       "Hochformat wie Querformat: der Zielrahmen wird zur Ausrichtung "
                       "jedes Bildes gedreht, so dass Hoch- und Querformate dieselbe lange "
                       "Kante bekommen (mit --size 768x1024 wird ein Hochformat 1024 hoch und "
                       "768 breit; Vorgabe: ein Rahmen für alle)",
                       [&o](const std::string&, std::string&) {
                           o.batch.picture.boxTurn = BoxTurn::ToPicture;
                           return true;
                       }));
    t.push_back(option("max-size", 0, "GRÖSSE",
                       "höchstens so groß, eine Grenze unter der Qualität: ein Bild, das mit "
                       "--quality passt, wird damit geschrieben, sonst mit der höchsten "
                       "Qualität ab 10, deren Datei passt (passt mit 4:4:4 erst eine "
                       "Qualität unter 70, mit --compression strong unter 90, auch mit "
                       "4:2:0, außer mit --sampling); passt "
                       "auch 10 nicht, wird mit 10 geschrieben (Rückgabe 3). 200K oder 200 = 200 KB, 1.5M = 1,5 MB (K = 1024 "
                       "Bytes); 0 schaltet eine Grenze der Einstellungsdatei ab",
                       [&o](const std::string& v, std::string& e) {
                           if (v == "0") {
                               o.batch.picture.maxBytes = 0;
                               return true;
                           }
                           const auto bytes = parseSizeLimit(v);
                           if (!bytes) {
                               e = "--max-size erwartet eine Größe wie 200K oder 1.5M (höchstens "
                                   "1024M), nicht '" + v + "'";
                               return false;
                           }
                           o.batch.picture.maxBytes = *bytes;
                           return true;
                       }));
    t.push_back(option("never-larger", 0, "",
                       "nie größer als die Quelle: wäre eine Ausgabe größer als ihre Quelle, "
                       "wird die Quelle geschrieben, nur ohne die abgewählten Metadaten, "
                       "wenn sie dasselbe zeigt (JPEG, so groß wie die Ausgabe, aufrecht, "
                       "ohne Wasserzeichen und Farbumrechnung); sonst die größere Ausgabe "
                       "mit einer Meldung",
                       setFlag(o.batch.picture.neverLarger)));
    t.push_back(option("lossless", 0, "",
                       "nur verlustfrei: JPEG-Quellen werden ohne Dekodieren neu geschrieben "
                       "(optimierte Huffman-Tabellen, dieselben Bildpunkte), mit den Metadaten "
                       "nach --metadata und der EXIF-Ausrichtung als Angabe; Größe, Qualität, "
                       "--max-size und Wasserzeichen gelten nicht, andere Quellen schlagen fehl",
                       setFlag(o.batch.picture.lossless)));
    t.push_back(option("keep-dates", 0, "",
                       "Dateidatum beibehalten: jede Ausgabe bekommt die Änderungszeit "
                       "ihrer Quelle (mit -o - ohne Wirkung)",
                       setFlag(o.batch.keepDates)));
    t.push_back(option("skip-existing", 0, "",
                       "vorhandene Dateien nicht ersetzen (Vorgabe: ersetzen)",
                       setFlag(o.skipExisting)));
    t.push_back(option("dry-run", 'n', "",
                       "Probelauf: zeigt, was geschrieben würde, und schreibt nichts",
                       setFlag(o.dryRun)));
    t.push_back(option("jobs", 'j', "N",
                       "Bilder gleichzeitig (Vorgabe: alle Prozessorkerne); "
                       "das Ergebnis ist dasselbe wie mit --jobs 1",
                       [&o](const std::string& v, std::string& e) {
                           const auto n = plainNumber(v);
                           if (!n || *n < 1 || *n > 256) {
                               e = "--jobs erwartet eine Zahl von 1 bis 256, nicht '" + v + "'";
                               return false;
                           }
                           o.batch.jobs = *n;
                           return true;
                       }));
    t.push_back(option("files-from", 0, "DATEI",
                       "die Namen der Bilder (oder Ordner) aus DATEI, eine je Zeile oder "
                       "durch NUL getrennt (find -print0), je Name höchstens 4095 Bytes; - "
                       "liest sie von der Standardeingabe",
                       [&o](const std::string& v, std::string& e) {
                           if (v.empty()) {
                               e = "--files-from erwartet eine Datei oder -";
                               return false;
                           }
                           o.filesFrom = v;
                           return true;
                       }));
    t.push_back(option("json", 0, "",
                       "je Bild ein JSON-Objekt in einer Zeile auf der Standardausgabe "
                       "(source, target, status, reason, width, height, bytes, quality, "
                       "format, notes; status written, source-kept, skipped, failed, "
                       "cancelled oder dry-run); alles andere auf die Standardfehlerausgabe",
                       setFlag(o.json)));
    t.push_back(option("quiet", 'q', "", "keine Fortschrittsanzeige und keine Zusammenfassung (Hinweise zu "
                       "einzelnen Bildern bleiben)",
                       setFlag(o.quiet)));
    t.push_back(option("verbose", 'v', "",
                       "eine Zeile je Bild: Quelle → Ziel, Breite x Höhe, Bytes",
                       setFlag(o.verbose)));
    addSettingsOptions(t, o.settings,
                       "Vorgaben aus dieser Einstellungsdatei (Vorgabe: vendrik.ini "
                       "der Fenster, neben dem Programm oder in "
                       "$XDG_CONFIG_HOME/vendrik/); Optionen gehen vor");
    t.push_back(option("watermark", 0, "",
                       "Wasserzeichen einblenden (\"einblenden\"), gestaltet mit "
                       "den --wm-Optionen unten",
                       setFlag(o.watermark)));
    addWatermarkOptions(t, o.watermarkSettings, o.watermarkDesigned,
                        "Wasserzeichen (mit --watermark; Vorgaben aus der Einstellungsdatei):");
    return t;
}

bool completeOptimiseOptions(OptimiseOptions& options, std::string& error) {
    if (options.json && options.toStdout) {
        error = "--json und -o - schreiben beide auf die Standardausgabe";
        return false;
    }
    // A lossless rewrite keeps every pixel; a watermark would change them.
    if (options.watermark && options.batch.picture.lossless) {
        error = "--watermark und --lossless schließen sich aus: verlustfrei bleibt jeder "
                "Bildpunkt, wie er ist";
        return false;
    }
    // A design without --watermark would silently do nothing.
    if (options.watermarkDesigned && !options.watermark) {
        error = "die --wm-Optionen wirken nur mit --watermark";
        return false;
    }
    // A lossless rewrite keeps the source's JPEG data: its output is a JPEG
    // whatever format the settings file names, and asking for another on the
    // command line is a contradiction.
    if (options.batch.picture.lossless) {
        if (options.formatGiven && options.batch.picture.format &&
            options.batch.picture.format != jpegOutputFormat()) {
            error = "--format " + outputFormatKeyword(*options.batch.picture.format) +
                    " und verlustfrei (--lossless, Verlustfrei=1) schließen sich aus: "
                    "verlustfrei schreibt JPEG";
            return false;
        }
        options.batch.picture.format = jpegOutputFormat();
    }
    // The format comes from the option or the settings file; either way a
    // run that cannot write it ends before the first picture.
    const OutputFormat& format =
        options.batch.picture.format ? *options.batch.picture.format : *jpegOutputFormat();
    if (Result<void> usable = format.usable(); !usable) {
        error = usable.reason();
        return false;
    }
    // Only the option sets a sampling; a format that has one would drop it.
    if (options.batch.picture.sampling && !format.choosesSampling()) {
        error = "--sampling gilt nicht für " + std::string(format.name()) +
                " (die Farbe ist dort immer halbiert, 4:2:0)";
        return false;
    }
    return true;
}

}  // namespace vendrik::cli
