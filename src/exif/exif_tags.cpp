#include "exif/exif_tags.h"

namespace vendrik {

std::string exifTagName(std::int32_t number) {
    for (const ExifTagName& t : kExifTagNames) {
        if (t.number == number) {
            return std::string(t.name);
        }
    }
    return "Tag #" + std::to_string(number);
}

}  // namespace vendrik
