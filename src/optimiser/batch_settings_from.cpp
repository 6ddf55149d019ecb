#include "optimiser/batch_settings_from.h"

#include <algorithm>

#include "optimiser/output_formats.h"
#include "optimiser/presets.h"
#include "watermark/watermark_step.h"

namespace vendrik {
namespace {

NameOption nameOptionOf(int optTag) {
    switch (optTag) {
        case 1:
            return NameOption::ListTag;
        case 2:
            return NameOption::OwnTag;
        default:
            return NameOption::None;
    }
}

}  // namespace

BatchSettings batchSettingsFrom(const Settings& settings, const RunChoices& choices) {
    BatchSettings b;
    b.runMode = choices.pictures == 1 ? RunMode::Single : RunMode::Batch;
    b.targetFolder = settings.samePath ? std::string() : settings.targetFolder;
    b.naming.option = nameOptionOf(settings.optTag);
    // A list index the list does not have shows no entry: no tag text.
    b.naming.listTag = settings.preTags >= 0 && settings.preTags < static_cast<int>(kPreTags.size())
                           ? std::string(kPreTags[static_cast<std::size_t>(settings.preTags)])
                           : std::string();
    b.naming.ownTag = settings.tag;
    b.naming.tagFirst = settings.tagAtStart;
    b.jobs = choices.jobs;
    b.keepDates = settings.keepDates;

    PictureSettings& p = b.picture;
    p.sizeIndex = settings.sizeIndex;
    p.size.keepOriginalSize = settings.origSize;
    p.size.ownHeightText = settings.manH;
    p.size.ownWidthText = settings.manW;
    p.quality = settings.quality;
    p.noEnlarge = settings.noEnlarge;
    p.boxTurn = settings.turnBox ? BoxTurn::ToPicture : BoxTurn::Fixed;
    p.neverLarger = settings.neverLarger;
    p.lossless = settings.lossless;
    p.maxBytes = std::uint64_t{static_cast<unsigned>(std::max(settings.maxSizeKB, 0))} * 1024;
    p.compression =
        settings.strongCompression ? JpegCompression::Strong : JpegCompression::Standard;
    if (choices.watermark) {
        p.watermark = makeWatermarkStep(settings.watermark);
    }
    p.metadata = settings.metadata >= 0 && settings.metadata <= 2
                     ? static_cast<MetadataChoice>(settings.metadata)
                     : MetadataChoice::Strip;
    p.format = outputFormatOfSetting(settings.format);
    return b;
}

}  // namespace vendrik
