#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/effective_settings.h"
#include "startup/key_value_store.h"
#include "startup/settings.h"
#include "startup/shell_folders.h"
#include "startup/start_up.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

struct OptionCase {
    const char* name;
    std::vector<std::string> args;
    SettingsChoice choice;
    const char* file;
    std::vector<std::string> remaining;
    bool error;
};

class SettingsOptionsParse : public ::testing::TestWithParam<OptionCase> {};

TEST_P(SettingsOptionsParse, TakesOnlyItsOwnOptions) {
    const OptionCase& c = GetParam();
    const SettingsOptions o = takeSettingsOptions(c.args);
    EXPECT_EQ(!o.error.empty(), c.error) << o.error;
    if (c.error) {
        return;
    }
    EXPECT_EQ(o.choice, c.choice);
    EXPECT_EQ(o.file, c.file);
    EXPECT_EQ(o.remaining, c.remaining);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SettingsOptionsParse,
    ::testing::Values(
        OptionCase{"None", {"a.jpg", "--quality", "90"}, SettingsChoice::Located, "",
                   {"a.jpg", "--quality", "90"}, false},
        OptionCase{"Named", {"--settings", "/x.ini", "a.jpg"}, SettingsChoice::Named, "/x.ini",
                   {"a.jpg"}, false},
        OptionCase{"NamedEquals", {"a.jpg", "--settings=/y.ini"}, SettingsChoice::Named,
                   "/y.ini", {"a.jpg"}, false},
        OptionCase{"NoSettings", {"--no-settings", "b"}, SettingsChoice::None, "", {"b"}, false},
        OptionCase{"MissingFile", {"--settings"}, SettingsChoice::Located, "", {}, true},
        OptionCase{"EmptyEquals", {"--settings="}, SettingsChoice::Located, "", {}, true},
        OptionCase{"Both", {"--no-settings", "--settings", "a"}, SettingsChoice::Located, "", {},
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EffectiveSettings, StoredValuesWinWhereTheyApply) {
    TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    const std::string text =
        "[Tervane Vendrik]\r\nQuality=60\r\nSize=10\r\nmanW=640,5\r\nSamePath=0\r\n"
        "LastSavePath=/ziel\r\noptTag=2\r\nTag=klein\r\nchkAnfang=1\r\nPreTags=9\r\n"
        "Alpha=70\r\nColor=4\r\nInfo=eins#\xA7zwei\r\n";
    test::writeFileBytes(ini, {text.begin(), text.end()});
    const Settings e = loadSettings(ini);
    const std::vector<SettingReport> report = reportSettings(ini);
    EXPECT_EQ(e.quality, 60);
    EXPECT_EQ(e.sizeIndex, 10);
    EXPECT_EQ(e.manW, "640,5");
    EXPECT_FALSE(e.samePath);
    EXPECT_EQ(e.targetFolder, "/ziel");
    // "/ziel" does not exist: the window would show the documents folder.
    const std::string resolvedTargetFolder =
        targetFolderFallback(e.targetFolder, PlatformKeyValueStore(), InitShellFolders());
    EXPECT_NE(resolvedTargetFolder, "/ziel");
    EXPECT_EQ(resolvedTargetFolder.back(), '/');
    EXPECT_EQ(e.optTag, 2);
    EXPECT_EQ(e.tag, "klein");
    EXPECT_TRUE(e.tagAtStart);
    EXPECT_EQ(e.preTags, 5);  // 9 is beyond the tag list
    EXPECT_EQ(e.watermark.opacity.raw(), 700000);
    EXPECT_EQ(e.watermark.color, WatermarkColour::Red);
    EXPECT_EQ(e.watermark.text, "eins\r\nzwei");
    EXPECT_EQ(e.watermark.lineBreaks, 1);
    EXPECT_EQ(settingSource(report, "Quality"), SettingSource::File);
    EXPECT_EQ(settingSource(report, "PreTags"), SettingSource::Default);
    EXPECT_EQ(settingSource(report, "Angle"), SettingSource::Default);

    const Settings d = loadSettings("");
    EXPECT_EQ(d.quality, 80);
    EXPECT_EQ(d.sizeIndex, 5);
    EXPECT_TRUE(d.samePath);
    EXPECT_EQ(d.watermark.opacity.raw(), 450000);
    EXPECT_EQ(d.watermark.lineBreaks, 1);  // the default notice
    EXPECT_EQ(settingSource(reportSettings(""), "Quality"), SettingSource::Default);
}

TEST(EffectiveSettings, ResolveHonoursTheChoice) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    SettingsOptions o;
    EXPECT_EQ(resolveSettingsFile(o, folder), "");  // nothing there yet
    test::writeFileBytes(folder + "vendrik.ini", {'[', ']'});
    EXPECT_EQ(resolveSettingsFile(o, folder), folder + "vendrik.ini");
    o.choice = SettingsChoice::None;
    EXPECT_EQ(resolveSettingsFile(o, folder), "");
    o.choice = SettingsChoice::Named;
    o.file = "/fehlt/x.ini";
    EXPECT_EQ(resolveSettingsFile(o, folder), "/fehlt/x.ini");
}

}  // namespace
}  // namespace vendrik
