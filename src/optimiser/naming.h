#pragma once
// Output naming: the base name of a source file, the tag, and the target
// name built from folder, base name, "_", tag and ".jpg".

#include <string>
#include <string_view>

#include "common/path_text.h"        // withTrailingSlash
#include "common/picture_endings.h"  // kFileListPattern, matchesFileListPattern
#include "common/result.h"
#include "imaging/box_size.h"
#include "optimiser/presets.h"

namespace vendrik {

enum class NameOption {
    None,     // neither option button on: an empty tag
    ListTag,  // optName 1: the tag list's text ("Bildgröße" = height x width)
    OwnTag,   // optName 2: the own tag text
};

// Each member starts where the settings file's defaults put the window's
// controls.
struct NamingSettings {
    NameOption option = NameOption::ListTag;
    std::string listTag{kPreTags[kDefaultPreTagIndex]};     // cboPreTags text
    std::string ownTag{settingKey("Tag").defaultValue};     // txtTag text
    bool tagFirst = settingDefaultWhole("chkAnfang") != 0;  // chkAnfang "am Anfang"
};

// The file name as listed without its last four characters: "urlaub.jpg"
// gives "urlaub", "urlaub.jpeg" gives "urlaub." (with the point). Characters,
// not bytes, of the UTF-8 name.
[[nodiscard]] std::string BaseName(std::string_view fileName);

// The base name an output is named after: the file name without its
// ending ("strand.jpeg" and "strand.jpg" both give "strand", "scan.tiff"
// gives "scan"); a name without an ending ("photo", ".profil") stays whole.
// The window and the command line name every output through it.
[[nodiscard]] std::string baseNameFor(std::string_view fileName);

// The tag for a picture scaled to `scaled` (its pixel width and height).
[[nodiscard]] std::string NameTag(const NamingSettings& naming, BoxSize scaled);

// Whether `nameTag` can go into an output name, and why not. A tag
// reaches the name from the settings file, the command line or the window's
// field (whose key filter is no safeguard: the settings file can hold any
// text); a "/" in it, or a tag that is a folder reference ("." or ".."),
// would put the output into another folder than the target, and a NUL byte
// would cut the name. Every output name is checked with it.
[[nodiscard]] Result<void> checkNameTag(std::string_view nameTag);

// folder + tag + "_" + base + ending with the tag first, else
// folder + base + "_" + tag + ending; the underscore is always written.
// `targetFolder` ends with "/" (or is empty for the current folder);
// `ending` is the output format's, with its point (".jpg").
[[nodiscard]] std::string TargetName(std::string_view targetFolder, std::string_view baseName,
                                     std::string_view nameTag, bool tagFirst,
                                     std::string_view ending);

}  // namespace vendrik
