#include "app/StartupModel.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "platform/ScriptedHost.h"
#include "platform/SettingsStore.h"

#include "../platform/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const char* kCatalog = "0,Reader,QX80001005,CDevice,N,Y,Y,R1\n";
const char* kTabs = "232BDR,Comm,Baud,COMBOBOX,None,0x1,0,0,9600,300|9600,N,Y,1\n";

enum class FileState { Good, Missing, Empty, Corrupt };

void Place(const TempFolder& folder, const std::string& name, FileState state, const char* good)
{
    switch (state) {
    case FileState::Good: folder.Write(name, good); break;
    case FileState::Missing: break;
    case FileState::Empty: folder.Write(name, "// nothing here\n"); break;
    case FileState::Corrupt: folder.Write(name, std::string(good) + "only,two\n"); break;
    }
}

class StartupModelTest : public ::testing::Test {
protected:
    TempFolder hives;
    TempFolder data;
    SettingsStore store { hives.File("user.hive"), hives.File("machine.hive") };
    DeviceCatalog catalog;
    TabDefinitions tabs;
    ScriptedHost host;
    ScopedHost installed { host };

    StartupOptions Options() const
    {
        StartupOptions options;
        options.currentDirectory = hives.Path(); // no Kestrel.ini there
        options.advancedUserPrivileges = 0;
        const std::string folder = data.Path();
        options.appPathLookup = [folder](const SettingsStore&, const std::string& application, std::string& found) {
            if (application != "QXKestrel2003.exe")
                return false;
            found = folder;
            return true;
        };
        return options;
    }
};

TEST_F(StartupModelTest, FailureMessagesForEveryCombination)
{
    const std::string dir = data.Path() + "/";
    const std::string both = "The following files:\n" + dir + "QXDevFil.dat\n" + dir
        + "TabFile.Dat \nare either corrupt or not found. Please contact program vendor.";
    const std::string catalogFailed
        = "The device data file is corrupt or not found: " + dir + "QXDevFil.dat. Please contact program vendor.";
    struct Case {
        FileState catalogState, tabState;
        std::string message;
    };
    const Case cases[] = {
        { FileState::Good, FileState::Missing,
          "Cannot open tab data file: " + dir + "TabFile.Dat. Please contact program vendor" },
        { FileState::Good, FileState::Empty,
          "There is no data in the tab data file: " + dir + "TabFile.Dat. Please contact program vendor" },
        { FileState::Good, FileState::Corrupt,
          "The data file: " + dir + "TabFile.Dat is corrupt. Please contact program vendor" },
        { FileState::Missing, FileState::Good, catalogFailed },
        { FileState::Empty, FileState::Good, catalogFailed },
        { FileState::Corrupt, FileState::Good, catalogFailed },
        { FileState::Missing, FileState::Missing, both },
        { FileState::Corrupt, FileState::Empty, both },
    };
    for (const auto& c : cases) {
        ::unlink(data.File("QXDevFil.dat").c_str());
        ::unlink(data.File("TabFile.Dat").c_str());
        Place(data, "QXDevFil.dat", c.catalogState, kCatalog);
        Place(data, "TabFile.Dat", c.tabState, kTabs);
        host.messages.clear();

        StartupModel startup(store, catalog, tabs);
        EXPECT_FALSE(startup.Run(Options())) << c.message;
        // Exactly one message box, byte for byte.
        EXPECT_EQ(host.MessageTexts(), std::vector<std::string> { c.message });
        EXPECT_EQ(host.messages.back().buttons, MsgButtons::Ok);
    }
}

TEST_F(StartupModelTest, ASuccessfulStartLoadsBothFilesAndThePreferences)
{
    Place(data, "QXDevFil.dat", FileState::Good, kCatalog);
    Place(data, "TabFile.Dat", FileState::Good, kTabs);
    const std::string key = UserPreferences::SettingsKey("Orvane, Inc.");
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com Port", 2));
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, key, "Com2MaxBaud", 19200));

    StartupModel startup(store, catalog, tabs);
    ASSERT_TRUE(startup.Run(Options()));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.statusTexts, std::vector<std::string> { "Loading Tab Info" });
    EXPECT_EQ(startup.ProgramFolderPath(), data.Path() + "/");
    EXPECT_EQ(catalog.RowCount(), 1);
    EXPECT_EQ(tabs.RowCount(), 1);
    EXPECT_EQ(startup.Preferences().comPort, 2);
    EXPECT_EQ(startup.Preferences().maxBaud, 19200);
    EXPECT_EQ(startup.Preferences().minBaud, -1);
    EXPECT_EQ(startup.FailureMessage(), "");
}

TEST_F(StartupModelTest, PreferencesWaitForBothFiles)
{
    Place(data, "QXDevFil.dat", FileState::Good, kCatalog);
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, UserPreferences::SettingsKey("Orvane, Inc."), "Com Port", 4));
    StartupModel startup(store, catalog, tabs);
    EXPECT_FALSE(startup.Run(Options()));
    EXPECT_EQ(startup.Preferences().comPort, 1);
}

TEST_F(StartupModelTest, WithoutARegistrationTheDataFilesAreLookedForInTheCurrentFolder)
{
    StartupOptions options = Options();
    options.appPathLookup = [](const SettingsStore&, const std::string&, std::string&) { return false; };
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(data.Path().c_str()), 0);
    Place(data, "QXDevFil.dat", FileState::Good, kCatalog);
    Place(data, "TabFile.Dat", FileState::Good, kTabs);

    StartupModel startup(store, catalog, tabs);
    const bool started = startup.Run(options);
    ::unlink(data.File("TabFile.Dat").c_str());
    StartupModel failing(store, catalog, tabs);
    const bool startedWithout = failing.Run(options);
    ASSERT_EQ(::chdir(previous), 0);

    EXPECT_TRUE(started);
    EXPECT_EQ(startup.ProgramFolderPath(), "");
    EXPECT_EQ(startup.CatalogPath(), "QXDevFil.dat");
    EXPECT_FALSE(startedWithout);
    EXPECT_EQ(host.MessageTexts(),
              std::vector<std::string> { "Cannot open tab data file: TabFile.Dat. Please contact program vendor" });
}

TEST_F(StartupModelTest, TheVendorIniNamesTheCatalogAndTheRegisteredApplication)
{
    TempFolder current;
    current.Write("Kestrel.ini", "[Vendor Specific Settings]\nDeviceFile=Fleet.dat\nApplicationPath=Fleet.exe\n");
    Place(data, "Fleet.dat", FileState::Good, kCatalog);
    Place(data, "TabFile.Dat", FileState::Good, kTabs);
    StartupOptions options = Options();
    options.currentDirectory = current.Path();
    const std::string folder = data.Path();
    options.appPathLookup = [folder](const SettingsStore&, const std::string& application, std::string& found) {
        found = folder;
        return application == "Fleet.exe";
    };
    StartupModel startup(store, catalog, tabs);
    EXPECT_TRUE(startup.Run(options)) << (host.messages.empty() ? "" : host.messages[0].text);
    EXPECT_EQ(startup.CatalogPath(), data.Path() + "/Fleet.dat");

    // An explicit data folder replaces the lookup.
    options.dataFolder = current.Path();
    StartupModel elsewhere(store, catalog, tabs);
    EXPECT_FALSE(elsewhere.Run(options));
    EXPECT_EQ(elsewhere.ProgramFolderPath(), current.Path() + "/");
}

} // namespace
