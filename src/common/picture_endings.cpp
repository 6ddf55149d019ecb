#include "common/picture_endings.h"

#include <algorithm>

#include "common/ascii_case.h"

namespace vendrik {

bool matchesFileListPattern(std::string_view fileName) noexcept {
    return std::any_of(kFileListEndings.begin(), kFileListEndings.end(),
                       [&](std::string_view e) { return endsWithIgnoringCase(fileName, e); }) ||
           isPhoneOrWebPicture(fileName);
}

bool isPhoneOrWebPicture(std::string_view fileName) noexcept {
    return std::any_of(kPhoneAndWebEndings.begin(), kPhoneAndWebEndings.end(),
                       [&](std::string_view e) { return endsWithIgnoringCase(fileName, e); });
}

bool isPictureArgument(std::string_view argument) noexcept {
    if (argument.size() < 4) {
        return false;
    }
    const std::string_view lastFour = argument.substr(argument.size() - 4);
    return std::any_of(kCommandLineEndings.begin(), kCommandLineEndings.end(),
                       [&](std::string_view e) { return equalsIgnoringCase(lastFour, e); });
}

}  // namespace vendrik
