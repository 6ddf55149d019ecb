#include "startup/own_presets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "startup/settings.h"
#include "startup/settings_file.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

std::string fileText(const std::string& path) {
    const auto bytes = test::readFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Settings with every preset key away from its default.
Settings unusualOutputs() {
    Settings s;
    s.sizeIndex = 2;
    s.origSize = true;
    s.manH = "480";
    s.manW = "640";
    s.noEnlarge = true;
    s.quality = 63;
    s.maxSizeKB = 150;
    s.strongCompression = true;
    s.metadata = 2;
    s.preTags = 3;
    s.optTag = 2;
    s.tag = "klein 50% [web]";
    s.tagAtStart = true;
    s.keepDates = true;
    s.neverLarger = true;
    s.lossless = true;
    s.watermark.text = "\u00A9 Erika\nZeile 2";
    s.watermark.lineBreaks = 1;
    s.watermark.size = 12;
    s.watermark.hPos = 10;
    s.watermark.vPos = 20;
    s.watermark.angle = Fixed4(-15);
    s.watermark.opacity = Fixed4(70);
    s.watermark.color = WatermarkColour{3};
    s.watermark.hAlign = HorizontalAlignment{2};
    s.watermark.vAlign = VerticalAlignment{0};
    s.watermark.angleMode = WatermarkAngleMode{0};
    return s;
}

// Saved, read back from the file over other settings: every output
// setting is the saved one, the folders stay; the program's own section
// keeps every byte, and a preset saved again replaces the first.
TEST(OwnPresets, RoundTripThroughTheFileKeepsTheProgramsSection) {
    TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    Settings window;
    window.sourceFolder = "/bilder/";
    ASSERT_TRUE(saveMainWindowSettings(window, ini));
    const std::string before = fileText(ini);

    OwnPreset saved;
    saved.settings = unusualOutputs();
    saved.settings.samplingChoice = 2;
    saved.settings.watermarkOn = true;
    saved.settings.format = 1;
    saved.settings.turnBox = true;
    ASSERT_TRUE(savePreset(ini, "Web ]50%[", saved));
    EXPECT_EQ(fileText(ini).substr(0, before.size()), before);
    EXPECT_NE(fileText(ini).find("[Voreinstellung: Web %5D50%25[]"), std::string::npos);

    Settings current;
    current.sourceFolder = "/anderswo/";
    current.targetFolder = "/ziel/";
    const auto back = readPreset(readIniFile(ini), "web ]50%[", current);
    ASSERT_TRUE(back.has_value());
    std::vector<std::string> expected = settingTexts(saved.settings);
    std::vector<std::string> got = settingTexts(back->settings);
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const bool inPreset = std::find(kPresetKeys.begin(), kPresetKeys.end(),
                                        kSettingKeys[i].name) != kPresetKeys.end();
        EXPECT_EQ(got[i], inPreset ? expected[i] : settingTexts(current)[i]) << kSettingKeys[i].name;
    }
    EXPECT_EQ(back->settings.samplingChoice, 2);
    EXPECT_TRUE(back->settings.watermarkOn);
    EXPECT_EQ(back->settings.format, 1);
    EXPECT_TRUE(back->settings.turnBox);

    saved.settings.quality = 90;
    ASSERT_TRUE(savePreset(ini, "WEB ]50%[", saved));
    const IniDocument again = readIniFile(ini);
    EXPECT_EQ(presetNames(again), std::vector<std::string>{"WEB ]50%["});
    EXPECT_EQ(readPreset(again, "Web ]50%[", current)->settings.quality, 90);

    ASSERT_TRUE(deletePreset(ini, "web ]50%["));
    EXPECT_EQ(fileText(ini), before);
    EXPECT_FALSE(deletePreset(ini, "web ]50%["));
}

// Hand-made or damaged sections load: names as the window could have
// written them are listed once each, anything else passes by; a missing
// key takes its default, a value the control cannot take too.
TEST(OwnPresets, HostileSectionsLoadWithDefaults) {
    const IniDocument doc = IniDocument::parse(
        "[Tervane Vendrik]\nQuality=91\n"
        "[Voreinstellung: leer]\n"
        "[Voreinstellung: a%0Ab]\nQuality=70\n"          // a line break: no name
        "[Voreinstellung: %41]\nQuality=70\n"            // not as written: no name
        "[Voreinstellung: x]y]\nQuality=99999\nSize=-3\nMetadaten=zwei\n"
        "OrigSize=\nAbtastung=999\nWasserzeichen=ja\nHPos=1e999\nInfo=\n"
        "[Voreinstellung:    ]\nQuality=60\n"
        "[VOREINSTELLUNG: LEER]\nQuality=50\n"
        "[Voreinstellung: 50%zu]\nQuality=55\n");      // "%" unescaped: not as written
    EXPECT_EQ(presetNames(doc), (std::vector<std::string>{"leer", "x"}));
    Settings current;
    current.quality = 93;
    current.noEnlarge = true;
    const Settings defaults;
    for (const char* name : {"leer", "x"}) {
        const auto p = readPreset(doc, name, current);
        ASSERT_TRUE(p.has_value()) << name;
        EXPECT_EQ(p->settings.quality, defaults.quality) << name;
        EXPECT_EQ(p->settings.noEnlarge, defaults.noEnlarge) << name;
        EXPECT_EQ(p->settings.sizeIndex, defaults.sizeIndex) << name;
        EXPECT_EQ(p->settings.metadata, defaults.metadata) << name;
        EXPECT_EQ(p->settings.origSize, defaults.origSize) << name;
        EXPECT_EQ(p->settings.watermark.text, defaults.watermark.text) << name;
        EXPECT_EQ(p->settings.samplingChoice, 0) << name;
        EXPECT_FALSE(p->settings.watermarkOn) << name;
    }
    for (const char* none : {"a\nb", "A", "", "nirgends", "x]y", "50%zu"}) {
        EXPECT_FALSE(readPreset(doc, none, current).has_value()) << none;
    }
}

TEST(OwnPresets, TenThousandPresetsListAndApply) {
    std::string text = "[Tervane Vendrik]\r\nQuality=80\r\n";
    for (int i = 0; i < 10000; ++i) {
        text += "[Voreinstellung: P" + std::to_string(i) + "]\r\nQuality=" +
                std::to_string(40 + i % 56) + "\r\n";
    }
    const IniDocument doc = IniDocument::parse(text);
    const auto names = presetNames(doc);
    ASSERT_EQ(names.size(), 10000U);
    EXPECT_EQ(names[9999], "P9999");
    EXPECT_EQ(readPreset(doc, "P9999", Settings{})->settings.quality, 40 + 9999 % 56);
}

TEST(OwnPresets, NamesThatCannotBeSaved) {
    struct Case {
        const char* typed;
        const char* name;  // nullptr: refused
    };
    const Case cases[] = {
        {"  Urlaub 2024 ", "Urlaub 2024"}, {"Größe ]%", "Größe ]%"}, {"", nullptr},
        {" \t ", nullptr},                 {"a\nb", nullptr},        {"a\rb", nullptr},
        {"Ω", nullptr},
    };
    for (const Case& c : cases) {
        const Result<std::string> name = presetName(c.typed);
        if (c.name == nullptr) {
            EXPECT_FALSE(name.ok()) << c.typed;
        } else {
            ASSERT_TRUE(name.ok()) << c.typed;
            EXPECT_EQ(*name, c.name);
        }
    }
    TempDir dir;
    EXPECT_FALSE(savePreset(dir.file("v.ini"), "a\nb", OwnPreset{}));
}

}  // namespace
}  // namespace vendrik
