#include "optimise_settings.h"

#include "optimiser/presets.h"

namespace vendrik::cli {

void applyWindowSettings(const EffectiveSettings& settings, OptimiseOptions& options) {
    BatchSettings& b = options.batch;
    b.sizeIndex = settings.sizeIndex;
    b.size.keepOriginalSize = settings.origSize;
    b.size.ownHeightText = settings.manH;
    b.size.ownWidthText = settings.manW;
    b.quality = settings.quality;
    b.sampling = samplingForQuality(settings.quality);
    b.naming.option = settings.optTag == 2 ? NameOption::OwnTag : NameOption::ListTag;
    b.naming.listTag = std::string(kPreTags[static_cast<std::size_t>(settings.preTags)]);
    b.naming.ownTag = settings.tag;
    b.naming.tagFirst = settings.tagAtStart;
    b.targetFolder = settings.samePath ? std::string() : settings.resolvedTargetFolder;
    // The designer's look and place; whether it is shown ("einblenden") is
    // not stored, so --watermark still switches it on.
    options.watermarkSettings = settings.watermark;
}

}  // namespace vendrik::cli
