#include "app/UserPreferences.h"
#include "app/VendorSettings.h"
#include "app/VersionInfo.h"
#include "platform/SettingsStore.h"

#include "../platform/TempFolder.h"

#include <gtest/gtest.h>

namespace {

class VendorSettingsTest : public ::testing::Test {
protected:
    TempFolder folder;
    SettingsStore store { folder.File("user.hive"), folder.File("machine.hive") };
};

TEST_F(VendorSettingsTest, ExcludedCommandsFollowThePrivilegeAndTheInstallerKeys)
{
    struct Case {
        bool orvOpos, orvJavaPos, orvaneOpos, orvaneJavaPos;
        bool excludesPos;
    };
    // Without the ORV OPOS control the ORV JavaPOS control decides; with it, an Orvane
    // control must be installed too.
    const Case cases[] = {
        { false, false, false, false, true }, { false, false, false, true, true },
        { false, false, true, false, true },  { false, false, true, true, true },
        { false, true, false, false, false }, { false, true, false, true, false },
        { false, true, true, false, false },  { false, true, true, true, false },
        { true, false, false, false, true },  { true, false, false, true, false },
        { true, false, true, false, false },  { true, false, true, true, false },
        { true, true, false, false, true },   { true, true, false, true, false },
        { true, true, true, false, false },   { true, true, true, true, false },
    };
    for (const auto& c : cases) {
        TempFolder machine;
        SettingsStore hives(folder.File("user.hive"), machine.File("machine.hive"));
        const std::pair<bool, const char*> keys[] = { { c.orvOpos, VendorSettings::kOrvOposKey },
                                                      { c.orvJavaPos, VendorSettings::kOrvJavaPosKey },
                                                      { c.orvaneOpos, VendorSettings::kOrvaneOposKey },
                                                      { c.orvaneJavaPos, VendorSettings::kOrvaneJavaPosKey } };
        for (const auto& [present, key] : keys) {
            if (present) {
                ASSERT_TRUE(hives.CreateKey(Hive::LocalMachine, key));
            }
        }
        const std::string label = std::to_string(c.orvOpos) + std::to_string(c.orvJavaPos)
            + std::to_string(c.orvaneOpos) + std::to_string(c.orvaneJavaPos);

        const std::vector<std::string> pos { "OPS", "PAPOPS" };
        std::vector<std::string> expected { "REV_TD" };
        if (c.excludesPos)
            expected.insert(expected.end(), pos.begin(), pos.end());
        EXPECT_EQ(VendorSettings::BuildExcludedCommands(hives, 0), expected) << label;

        expected.erase(expected.begin());
        EXPECT_EQ(VendorSettings::BuildExcludedCommands(hives, 1), expected) << label << " advanced";
    }
}

TEST_F(VendorSettingsTest, ExcludedTagsMatchByPrefixWithoutRegardToCase)
{
    VendorSettings vendor;
    vendor.excludedCommands = { "REV_TD", "OPS", "PAPOPS" };
    for (const char* tag : { "REV_TD", "rev_td", "OPSENA", "opsmod", "PAPOPS" })
        EXPECT_TRUE(vendor.IsExcluded(tag)) << tag;
    for (const char* tag : { "REV_QX", "XOPS00", "PAPDFT", "OP", "" })
        EXPECT_FALSE(vendor.IsExcluded(tag)) << tag;
}

TEST_F(VendorSettingsTest, DefaultsWithoutAnyIniFile)
{
    VendorSettings vendor;
    vendor.Load(store, folder.Path(), 0);
    EXPECT_EQ(vendor.iniPath, "");
    EXPECT_EQ(vendor.splashFile, "");
    EXPECT_EQ(vendor.companyName, "Orvane.");
    EXPECT_EQ(vendor.companyRegKey, "Orvane, Inc.");
    EXPECT_EQ(vendor.applicationPath, "QXKestrel2003.exe");
    EXPECT_EQ(vendor.deviceFile, "QXDevFil.dat");
    EXPECT_EQ(vendor.partNumber, "");
    EXPECT_EQ(vendor.orvApplication, 1);
    EXPECT_EQ(vendor.excludedCommands, (std::vector<std::string> { "REV_TD", "OPS", "PAPOPS" }));
}

TEST_F(VendorSettingsTest, TheIniFileInTheCurrentFolderWinsOverTheInstallFolder)
{
    TempFolder current;
    TempFolder install;
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, VendorSettings::kInstallKey, "InstallDir", install.Path()));
    install.Write("Kestrel.ini", "[Vendor Specific Settings]\nCompanyName=Installed\nDeviceFile=Installed.dat\n");

    VendorSettings vendor;
    vendor.Load(store, current.Path(), 0);
    EXPECT_EQ(vendor.installDir, install.Path());
    EXPECT_EQ(vendor.iniPath, install.Path() + "/Kestrel.ini");
    EXPECT_EQ(vendor.companyName, "Installed");
    EXPECT_EQ(vendor.deviceFile, "Installed.dat");

    current.Write("Kestrel.ini",
                  "[Vendor Specific Settings]\nSplashScreen=splash.bmp\nCompanyName=Local\nCompanyRegKey=Local Co\n"
                  "ApplicationPath=Local.exe\nPartNumber=PN-7\nORVApplication=0\n");
    vendor.Load(store, current.Path(), 0);
    EXPECT_EQ(vendor.iniPath, current.Path() + "/Kestrel.ini");
    EXPECT_EQ(vendor.splashFile, "splash.bmp");
    EXPECT_EQ(vendor.companyName, "Local");
    EXPECT_EQ(vendor.companyRegKey, "Local Co");
    EXPECT_EQ(vendor.applicationPath, "Local.exe");
    EXPECT_EQ(vendor.deviceFile, "QXDevFil.dat"); // not in the local file: the default, not the installed one
    EXPECT_EQ(vendor.partNumber, "PN-7");
    EXPECT_EQ(vendor.orvApplication, 0);
}

TEST(VersionInfo, LinesDerivedFromTheRevisionStrings)
{
    EXPECT_EQ(VersionInfo::VersionLine(), "Version: 4.2.7");
    EXPECT_EQ(VersionInfo::BuildLine(), "WIN32 Release Build 4711");
    EXPECT_EQ(VersionInfo::VersionLine("User Revision: 10.3"), "Version: 0.3");
    EXPECT_EQ(VersionInfo::BuildLine("$ProjectRevision: 5.0.2 $"), "WIN32 Release Build 502");
    // Texts without a dot do not fault.
    EXPECT_EQ(VersionInfo::VersionLine("none"), "Version: none");
    EXPECT_EQ(VersionInfo::BuildLine("none"), "WIN32 Release Build ");
}

TEST_F(VendorSettingsTest, UserPreferencesDefaultsPerPortLimitsAndSaving)
{
    UserPreferences preferences;
    preferences.Load(store, "Orvane, Inc.");
    EXPECT_EQ(preferences.comPort, 1);
    EXPECT_EQ(preferences.minBaud, -1);
    EXPECT_EQ(preferences.maxBaud, -1);
    EXPECT_EQ(preferences.codeCompression, 6);
    EXPECT_EQ(preferences.dtrConfiguration, 0);
    EXPECT_EQ(preferences.eorCharacter, "0D");
    EXPECT_EQ(UserPreferences::SettingsKey("Orvane, Inc."), "Software\\Orvane, Inc.\\kestrel\\Settings");

    const std::string key = UserPreferences::SettingsKey("Orvane, Inc.");
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com Port", 3));
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com3MinBaud", 9600));
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com3MaxBaud", 38400));
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com1MaxBaud", 1200)); // another port's limit
    preferences.Load(store, "Orvane, Inc.");
    EXPECT_EQ(preferences.comPort, 3);
    EXPECT_EQ(preferences.minBaud, 9600);
    EXPECT_EQ(preferences.maxBaud, 38400);

    preferences.codeCompression = 7;
    preferences.dtrConfiguration = 2;
    preferences.eorCharacter = "0A";
    ASSERT_TRUE(preferences.Save(store, "Orvane, Inc."));
    UserPreferences reread;
    reread.Load(store, "Orvane, Inc.");
    EXPECT_EQ(reread.codeCompression, 7);
    EXPECT_EQ(reread.dtrConfiguration, 2);
    EXPECT_EQ(reread.EorByte(), 0x0A);
    // Another company key is another branch.
    reread.Load(store, "Other Co");
    EXPECT_EQ(reread.comPort, 1);
}

TEST_F(VendorSettingsTest, ThePreferencesDialogChoicesReachTheStore)
{
    const std::string key = UserPreferences::SettingsKey("Orvane, Inc.");
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com5MinBaud", 1200));
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com1MinBaud", 300));
    UserPreferences preferences;
    preferences.Load(store, "Orvane, Inc.");
    ASSERT_EQ(preferences.minBaud, 300);

    // Same port: its limits are not read again (a changed limit stays unseen until then).
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com1MinBaud", 600));
    ASSERT_TRUE(preferences.ApplyChoices(store, "Orvane, Inc.", 1, UserPreferences::CompressionChoice(1), 2, "0A"));
    EXPECT_EQ(preferences.minBaud, 300);
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, key, "CodeCompression", -9), 0); // 1 is shown as None
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, key, "DTRConfiguration", -9), 2);
    EXPECT_EQ(store.GetString(Hive::CurrentUser, key, "EOR Character", ""), "0A");
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, key, "Com Port", -9), -9); // unchanged port is not written

    ASSERT_TRUE(preferences.ApplyChoices(store, "Orvane, Inc.", 5, 7, 9, "0D"));
    EXPECT_EQ(preferences.comPort, 5);
    EXPECT_EQ(preferences.minBaud, 1200);
    EXPECT_EQ(preferences.maxBaud, -1);
    EXPECT_EQ(preferences.dtrConfiguration, 0);
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, key, "Com Port", -9), 5);
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, key, "CodeCompression", -9), 7);
}

TEST(UserPreferences, EndOfRecordCharacter)
{
    UserPreferences preferences;
    const std::pair<const char*, int> cases[] = { { "0D", 0x0D }, { "0a", 0x0A }, { "FF", 0xFF }, { "", 0x0D },
                                                  { "D", 0x0D },  { "0DX", 0x0D }, { "ZZ", 0x0D } };
    for (const auto& [text, expected] : cases) {
        preferences.eorCharacter = text;
        EXPECT_EQ(preferences.EorByte(), expected) << text;
    }
}

} // namespace
