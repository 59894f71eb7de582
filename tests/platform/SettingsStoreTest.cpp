#include "platform/SettingsStore.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kSettings = "Software\\Orvane, Inc.\\kestrel\\Settings";

class SettingsStoreTest : public ::testing::Test {
protected:
    TempFolder folder;
    SettingsStore store { folder.File("user/user.hive"), folder.File("machine.hive") };
};

TEST_F(SettingsStoreTest, ValuesRoundTripAndNamesIgnoreCase)
{
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, kSettings, "Com Port", 3));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, kSettings, "EOR Character", "0A"));
    // Texts that would break a line-based file survive.
    const std::string awkward = "a=b\\c\nline two\r[not a key]";
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, kSettings, "Odd", awkward));

    EXPECT_EQ(store.GetInt(Hive::CurrentUser, "software\\orvane, inc.\\KESTREL\\settings", "com port", 1), 3);
    EXPECT_EQ(store.GetString(Hive::CurrentUser, kSettings, "EOR CHARACTER", "0D"), "0A");
    EXPECT_EQ(store.GetString(Hive::CurrentUser, kSettings, "Odd", ""), awkward);

    // Overwriting keeps one value, not two.
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, kSettings, "COM PORT", 4));
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, kSettings, "Com Port", 1), 4);
    EXPECT_EQ(store.ListValues(Hive::CurrentUser, kSettings).size(), 3u);

    // The hives are separate files.
    EXPECT_EQ(store.GetInt(Hive::LocalMachine, kSettings, "Com Port", -7), -7);
}

TEST_F(SettingsStoreTest, AbsentOrUnreadableValuesGiveTheDefault)
{
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, kSettings, "Com Port", 1), 1);
    EXPECT_EQ(store.GetString(Hive::CurrentUser, kSettings, "EOR Character", "0D"), "0D");

    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, kSettings, "Com2MinBaud", "fast"));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, kSettings, "Com2MaxBaud", "99999999999"));
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, kSettings, "Com2MinBaud", -1), -1);
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, kSettings, "Com2MaxBaud", -1), -1);

    int untouched = 42;
    EXPECT_FALSE(store.ReadInt(Hive::CurrentUser, kSettings, "Missing", untouched));
    EXPECT_EQ(untouched, 42);
}

TEST_F(SettingsStoreTest, KeysOpenOnlyWhenTheyExist)
{
    const std::string installer = "Software\\ORV\\ORV RS232 OPOS Scanner Control Install\\";
    EXPECT_FALSE(store.OpenKeyForRead(Hive::LocalMachine, installer));
    ASSERT_TRUE(store.CreateKey(Hive::LocalMachine, installer));
    EXPECT_TRUE(store.OpenKeyForRead(Hive::LocalMachine, installer));
    EXPECT_TRUE(store.OpenKeyForRead(Hive::LocalMachine, "software\\orv\\orv rs232 opos scanner control install"));
    // A key above an existing one exists; a sibling or a longer name does not.
    EXPECT_TRUE(store.OpenKeyForRead(Hive::LocalMachine, "Software\\ORV"));
    EXPECT_FALSE(store.OpenKeyForRead(Hive::LocalMachine, "Software\\OR"));
    EXPECT_FALSE(store.OpenKeyForRead(Hive::LocalMachine, "Software\\ORV\\ORV RS232 JavaPOS Scanner Control Install\\"));
    EXPECT_FALSE(store.OpenKeyForRead(Hive::CurrentUser, installer));
}

TEST_F(SettingsStoreTest, NamesThatCannotBeStoredAreRefused)
{
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, kSettings, "a=b", "x"));
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, kSettings, "line\nbreak", "x"));
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, "Software\\bad]\nkey", "Name", "x"));
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, "", "Name", "x"));
    EXPECT_FALSE(std::filesystem::exists(store.HivePath(Hive::CurrentUser)));
}

TEST_F(SettingsStoreTest, WritesReplaceTheFileAndLeaveNothingBehind)
{
    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, kSettings, "Com Port", 1));
    const std::string path = store.HivePath(Hive::CurrentUser);
    // A second name for the old file: an in-place rewrite would change it too.
    const std::string oldCopy = folder.File("old-link");
    ASSERT_EQ(::link(path.c_str(), oldCopy.c_str()), 0);
    const std::string before = TempFolder::Read(path);

    ASSERT_TRUE(store.WriteInt(Hive::CurrentUser, kSettings, "Com Port", 2));
    EXPECT_EQ(TempFolder::Read(oldCopy), before);
    EXPECT_EQ(store.GetInt(Hive::CurrentUser, kSettings, "Com Port", 0), 2);

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("user"))) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1) << "a temporary file was left beside the hive";
}

TEST_F(SettingsStoreTest, AHiveThatIsInTheWayOfAFolderFailsCleanly)
{
    // The hive's folder is a file: no write can succeed, none may crash.
    folder.Write("blocked", "x");
    SettingsStore blocked(folder.File("blocked/user.hive"), folder.File("m.hive"));
    EXPECT_FALSE(blocked.WriteInt(Hive::CurrentUser, kSettings, "Com Port", 2));
    EXPECT_EQ(blocked.GetInt(Hive::CurrentUser, kSettings, "Com Port", 1), 1);
}

TEST_F(SettingsStoreTest, DamagedHiveFilesAreReadAsFarAsTheyMakeSense)
{
    const std::string path = folder.Write("damaged.hive", std::string("garbage before any key\n=\n[\n]]\n")
            + "[Software\\Orvane, Inc.\\kestrel\\Settings\n" // unterminated: not a key
            + "[Software\\Orvane, Inc.\\kestrel\\Settings]\r\n"
            + "Com Port=dword:7\r\n"
            + "no equals sign here\n"
            + std::string(100000, 'x') + "\n"
            + "DTRConfiguration=2\n"
            + std::string("\0\xff\xfe", 3) + "=binary\n");
    SettingsStore damaged(path, folder.File("m.hive"));
    EXPECT_EQ(damaged.GetInt(Hive::CurrentUser, kSettings, "Com Port", 1), 7);
    EXPECT_EQ(damaged.GetInt(Hive::CurrentUser, kSettings, "DTRConfiguration", 0), 2);
    // Writing keeps what could be read.
    ASSERT_TRUE(damaged.WriteInt(Hive::CurrentUser, kSettings, "CodeCompression", 7));
    EXPECT_EQ(damaged.GetInt(Hive::CurrentUser, kSettings, "Com Port", 1), 7);
}

TEST_F(SettingsStoreTest, ProgramsWritingTheSameHiveKeepEachOthersValues)
{
    constexpr int kWriters = 4;
    constexpr int kValues = 8;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int value = 0; value < kValues; ++value)
                ok = store.WriteInt(Hive::CurrentUser, kSettings,
                                    "W" + std::to_string(writer) + "V" + std::to_string(value), value) && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(store.ListValues(Hive::CurrentUser, kSettings).size(), static_cast<size_t>(kWriters * kValues));
}

TEST(SettingsStoreEnvironment, HivePathsComeFromTheEnvironment)
{
    ::setenv("KESTREL_USER_HIVE", "/tmp/some/user.hive", 1);
    ::setenv("KESTREL_MACHINE_HIVE", "/tmp/some/machine.hive", 1);
    SettingsStore store;
    EXPECT_EQ(store.HivePath(Hive::CurrentUser), "/tmp/some/user.hive");
    EXPECT_EQ(store.HivePath(Hive::LocalMachine), "/tmp/some/machine.hive");
    ::unsetenv("KESTREL_USER_HIVE");
    ::unsetenv("KESTREL_MACHINE_HIVE");
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(SettingsStore::DefaultUserHivePath(), "/tmp/xdg/kestrel/user.hive");
    EXPECT_EQ(SettingsStore::DefaultMachineHivePath(), "/etc/xdg/kestrel/machine.hive");
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
