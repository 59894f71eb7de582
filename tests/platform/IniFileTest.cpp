#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/UserProfile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(IniFile, ReadsValuesTheUsualWay)
{
    TempFolder folder;
    const std::string path = folder.Write("Kestrel.ini",
        "; vendor file\n"
        "[Other]\n"
        "CompanyName=Wrong section\n"
        "[ vendor specific settings ]\r\n"
        "  CompanyName  =  Acme Readers  \r\n"
        "DeviceFile=\"My Devices.dat\"\n"
        "PartNumber='P-1'\n"
        "Empty=\n"
        "CompanyName=Second occurrence\n"
        "ORVApplication=0\n"
        "Count=12abc\n"
        "Negative=-4\n"
        "Word=abc\n"
        "Huge=99999999999999\n"
        "Long=" + std::string(600, 'L') + "\n");

    struct Case {
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        { "CompanyName", "Acme Readers" }, // case-insensitive section, trimmed, first occurrence wins
        { "COMPANYNAME", "Acme Readers" },
        { "DeviceFile", "My Devices.dat" }, // one pair of quotes removed
        { "PartNumber", "P-1" },
        { "Empty", "" },                    // present but empty: not the default
        { "Missing", "<default>" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IniFile::GetString(path, "Vendor Specific Settings", c.key, "<default>"), c.expected) << c.key;

    EXPECT_EQ(IniFile::GetString(path, "Vendor Specific Settings", "Long", "").size(), IniFile::kMaxValueLength);
    EXPECT_EQ(IniFile::GetString(path, "Vendor Specific Settings", "Missing", std::string(600, 'D')).size(),
              IniFile::kMaxValueLength);

    EXPECT_EQ(IniFile::GetInt(path, "Vendor Specific Settings", "ORVApplication", 1), 0);
    EXPECT_EQ(IniFile::GetInt(path, "Vendor Specific Settings", "Count", 1), 12);
    EXPECT_EQ(IniFile::GetInt(path, "Vendor Specific Settings", "Negative", 1), -4);
    EXPECT_EQ(IniFile::GetInt(path, "Vendor Specific Settings", "Word", 5), 5);
    EXPECT_EQ(IniFile::GetInt(path, "Vendor Specific Settings", "Huge", 5), 2147483647);
    EXPECT_EQ(IniFile::GetInt(path, "Vendor Specific Settings", "Missing", 5), 5);
    EXPECT_EQ(IniFile::GetString(path, "No Such Section", "CompanyName", "d"), "d");
}

TEST(IniFile, MissingFilesGiveDefaults)
{
    EXPECT_FALSE(IniFile::Exists("/nonexistent/Kestrel.ini"));
    EXPECT_FALSE(IniFile::Exists("/tmp")); // a folder is not an ini file
    EXPECT_EQ(IniFile::GetString("/nonexistent/Kestrel.ini", "S", "K", "d"), "d");
    EXPECT_EQ(IniFile::GetInt("/nonexistent/Kestrel.ini", "S", "K", 6), 6);
}

TEST(UserProfile, ReadsAdvancedUserPrivilegesFromTheNamedFile)
{
    TempFolder folder;
    const std::string path = folder.Write("profile.ini", "[Settings]\nAdvancedUserPrivileges=1\n");
    ::setenv("KESTREL_USER_PROFILE", path.c_str(), 1);
    EXPECT_EQ(UserProfile::Path(), path);
    EXPECT_EQ(UserProfile::GetInt("Settings", "AdvancedUserPrivileges", 0), 1);
    ::setenv("KESTREL_USER_PROFILE", folder.File("absent.ini").c_str(), 1);
    EXPECT_EQ(UserProfile::GetInt("Settings", "AdvancedUserPrivileges", 0), 0);
    ::unsetenv("KESTREL_USER_PROFILE");
}

TEST(ProgramFolder, ARegistrationWinsOverTheDataFolderSearch)
{
    TempFolder folder;
    SettingsStore store(folder.File("u.hive"), folder.File("m.hive"));
    ASSERT_TRUE(store.WriteString(Hive::LocalMachine,
                                  std::string(ProgramFolder::kAppPathsKey) + "QXKestrel2003.exe", "Path",
                                  "/opt/kestrel/data"));
    std::string found;
    ASSERT_TRUE(ProgramFolder::LookupAppPath(store, "QXKestrel2003.exe", found));
    EXPECT_EQ(found, "/opt/kestrel/data");

    // Unregistered names are answered with the folder holding the data files: from a build
    // tree, the source tree's data folder.
    ASSERT_TRUE(ProgramFolder::LookupAppPath(store, "Other.exe", found));
    EXPECT_TRUE(IniFile::Exists(found + "/TabFile.Dat")) << found;

    EXPECT_EQ(ProgramFolder::WithSeparator(""), "");
    EXPECT_EQ(ProgramFolder::WithSeparator("/a/b"), "/a/b/");
    EXPECT_EQ(ProgramFolder::WithSeparator("/a/b/"), "/a/b/");
}

} // namespace
