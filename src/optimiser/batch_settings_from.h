#pragma once
// Turning the settings (what the main window shows, what the settings file
// keeps) into the settings of one run. The main window calls it when the
// start button is clicked; `vendrik-cli optimise` calls it once, with the
// settings file's values (or the key table's defaults), before its options go
// over them.

#include <cstddef>

#include "optimiser/batch_engine.h"
#include "startup/settings.h"

namespace vendrik {

// What a run takes beside the settings.
struct RunChoices {
    std::size_t pictures = 1;  // marked pictures: exactly one makes a single run
    // "einblenden": the window's chkWatermark, the command line's --watermark.
    bool watermark = false;
    int jobs = 1;              // pictures processed at once
};

// The run the settings describe:
// - the target folder: none (beside each source) when samePath, else
//   settings.targetFolder as given (the window's txtPath(2), already
//   resolved by start-up);
// - size preset, keep-original-size and own size from sizeIndex, origSize,
//   manH and manW;
// - naming: optTag 1 the tag list's entry preTags, 2 the own tag, anything
//   else no tag; the tag first when tagAtStart;
// - quality, with the slider's sampling rule (samplingChoice is the window's:
//   a window where the user chose one sets picture.sampling afterwards, the
//   command line takes --sampling);
// - the box turned to each picture's orientation when turnBox;
// - "nicht vergrößern" (noEnlarge) and the largest output (maxSizeKB, in
//   KB of 1024 bytes; 0 for none);
// - the strong compression when strongCompression ("Kompression");
// - the watermark step with settings.watermark when choices.watermark;
// - the metadata choice ("Metadaten"; a value out of range strips);
// - "Dateidatum beibehalten" (keepDates), "nie größer als die Quelle"
//   (neverLarger) and "nur verlustfrei" (lossless);
// - the output format ("Format"; a value out of range is JPEG).
[[nodiscard]] BatchSettings batchSettingsFrom(const Settings& settings,
                                              const RunChoices& choices = {});

}  // namespace vendrik
