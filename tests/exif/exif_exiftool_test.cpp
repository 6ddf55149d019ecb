// Our readings against exiftool's on JPEGs exiftool itself wrote: every value
// ListInfo shows must be exiftool's number in our format, and the Intel and
// Motorola twins must read the same.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "exif/clsEXIF.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

enum class Compare { Text, OneDecimal, Reciprocal, Version, Components, IfdOffset };

struct Counterpart {
    const char* ours;
    const char* exiftool;  // tag name for exiftool -n
    Compare how;
};

// Our names to exiftool's; exiftool -n gives APEX values already converted
// (ApertureValue as an f-number, ShutterSpeedValue in seconds).
constexpr Counterpart kCounterparts[] = {
    {"Model", "Model", Compare::Text},
    {"Orientation", "Orientation", Compare::Text},
    {"XResolution", "IFD0:XResolution", Compare::OneDecimal},
    {"YResolution", "IFD0:YResolution", Compare::OneDecimal},
    {"ResolutionUnit", "IFD0:ResolutionUnit", Compare::Text},
    {"YCbCrPositioning", "YCbCrPositioning", Compare::Text},
    {"ExifOffset", "", Compare::IfdOffset},
    {"ExposureTime", "ExposureTime", Compare::Reciprocal},
    {"FNumber", "FNumber", Compare::OneDecimal},
    {"ISOSpeedRatings", "ISO", Compare::Text},
    {"ExifVersion", "ExifVersion", Compare::Version},
    {"DateTimeOriginal", "DateTimeOriginal", Compare::Text},
    {"ComponentsConfiguration", "ComponentsConfiguration", Compare::Components},
    {"ShutterSpeedValue", "ShutterSpeedValue", Compare::Reciprocal},
    {"ApertureValue", "ApertureValue", Compare::OneDecimal},
    {"ExposureBiasValue", "ExposureCompensation", Compare::OneDecimal},
    {"FocalLength", "FocalLength", Compare::OneDecimal},
    {"MakerNote", "MakerNoteUnknownText", Compare::Text},
    {"FlashPixVersion", "FlashpixVersion", Compare::Version},
    {"ColorSpace", "ColorSpace", Compare::Text},
};

std::string printfNumber(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// exiftool's values of all counterparts of a file, in table order, from one
// run (-T: tab-separated, "-" for a missing tag).
std::vector<std::string> exiftoolValues(const std::string& file) {
    std::string command = "exiftool -n -T";
    for (const Counterpart& c : kCounterparts) {
        command += std::string(" -") + (*c.exiftool ? c.exiftool : "FileName");
    }
    const auto r = test::runCommand(command + " " + test::shellQuote(file));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::vector<std::string> values;
    std::istringstream in(r.output.substr(0, r.output.find('\n')));
    for (std::string v; std::getline(in, v, '\t');) {
        values.push_back(v);
    }
    EXPECT_EQ(values.size(), std::size(kCounterparts)) << r.output;
    values.resize(std::size(kCounterparts));
    return values;
}

// exiftool does not print the Exif directory's offset as a value; its dump
// shows the entry's four bytes, which we read in the file's byte order.
std::string exifOffsetFromDump(const std::string& file, bool intel) {
    const auto r = test::runCommand("exiftool -v3 " + test::shellQuote(file));
    std::istringstream in(r.output);
    std::string line;
    while (std::getline(in, line) && line.find("ExifOffset") == std::string::npos) {
    }
    std::getline(in, line);  // "- Tag 0x8769 (4 bytes, int32u[1]):"
    std::getline(in, line);  // "    0078: 00 00 00 86   [....]"
    std::istringstream hex(line.substr(line.find(':') + 1));
    std::uint64_t value = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned b = 0;
        hex >> std::hex >> b;
        value |= std::uint64_t{b} << (8 * (intel ? i : 3 - i));
    }
    return std::to_string(value);
}

std::string expectedText(const Counterpart& c, const std::string& v) {
    switch (c.how) {
        case Compare::OneDecimal:
            return printfNumber("%.1f", std::stod(v));
        case Compare::Reciprocal:
            return printfNumber("%.0f", 1.0 / std::stod(v));
        case Compare::Version:  // "0232" is version 2.32
            return std::to_string(std::stoi(v.substr(0, 2))) + "." + v.substr(2);
        case Compare::Components: {  // "1 2 3 0"
            static const char* const kNames[] = {"", "Y", "Cb", "Cr", "R", "G", "B"};
            std::istringstream in(v);
            std::string out;
            for (int code = 0; in >> code;) {
                out += kNames[code];
            }
            return out;
        }
        case Compare::Text:
        case Compare::IfdOffset:
            break;
    }
    return v;
}

std::map<std::string, std::string> listing(const clsEXIF& exif) {
    std::map<std::string, std::string> out;
    std::istringstream in(exif.ListInfo());
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.back(), '\r');
        line.pop_back();
        const auto colon = line.find(": ");
        out[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return out;
}

TEST(AgainstExiftool, EveryListedValueAgreesInBothByteOrders) {
    test::TempDir dir;
    // From the source folder the build names, not __FILE__, which a
    // compiler cache may have made relative to the build folder.
    const std::string script = VENDRIK_TEST_SOURCE "/exif/make_fixtures.sh";
    const auto made = test::runCommand("bash " + test::shellQuote(script) + " " +
                                       test::shellQuote(dir.path().string()));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    for (const char* set : {"set-a", "set-b"}) {
        std::string texts[2];
        for (const bool intel : {true, false}) {
            SCOPED_TRACE(std::string(set) + (intel ? " II" : " MM"));
            const std::string file = dir.file(std::string(set) + (intel ? ".II.jpg" : ".MM.jpg"));
            clsEXIF exif(".");
            exif.ImageFile(file);
            ASSERT_EQ(exif.state(), ExifState::Read);
            EXPECT_EQ(exif.IntelByteAlignment(), intel);
            const auto ours = listing(exif);
            std::vector<std::string> theirs = exiftoolValues(file);
            EXPECT_EQ(ours.size(), exif.entries().size()) << "a tag listed twice";
            for (const auto& [name, display] : ours) {
                std::size_t k = 0;
                while (k < std::size(kCounterparts) && name != kCounterparts[k].ours) {
                    ++k;
                }
                ASSERT_LT(k, std::size(kCounterparts)) << "no exiftool counterpart for " << name;
                const std::string v = kCounterparts[k].how == Compare::IfdOffset
                                          ? exifOffsetFromDump(file, intel)
                                          : theirs[k];
                EXPECT_EQ(display, expectedText(kCounterparts[k], v)) << name;
            }
            // The tags exiftool was asked to write are all there.
            EXPECT_EQ(ours.count("MakerNote") + ours.count("ExposureBiasValue") +
                          ours.count("ShutterSpeedValue") + ours.count("ApertureValue"),
                      4u);
            texts[intel ? 0 : 1] = exif.ListInfo();
        }
        EXPECT_EQ(texts[0], texts[1]);
    }
}

}  // namespace
}  // namespace vendrik
