#include "app/UserPreferences.h"

#include "platform/SettingsStore.h"

#include <cctype>

std::string UserPreferences::ProfileName()
{
    std::string name;
    for (const char* p = kProfileResource; *p; ++p)
        if (*p != ' ')
            name += *p;
    return name;
}

std::string UserPreferences::SettingsKey(const std::string& companyRegKey)
{
    return "Software\\" + companyRegKey + "\\" + ProfileName() + "\\" + kSection;
}

void UserPreferences::Load(const SettingsStore& store, const std::string& companyRegKey)
{
    const std::string key = SettingsKey(companyRegKey);
    comPort = store.GetInt(Hive::CurrentUser, key, "Com Port", 1);
    LoadBaudLimits(store, companyRegKey, comPort);
    codeCompression = store.GetInt(Hive::CurrentUser, key, "CodeCompression", 6);
    dtrConfiguration = store.GetInt(Hive::CurrentUser, key, "DTRConfiguration", 0);
    eorCharacter = store.GetString(Hive::CurrentUser, key, "EOR Character", "0D");
}

void UserPreferences::LoadBaudLimits(const SettingsStore& store, const std::string& companyRegKey, int port)
{
    const std::string key = SettingsKey(companyRegKey);
    const std::string prefix = "Com" + std::to_string(port);
    minBaud = store.GetInt(Hive::CurrentUser, key, prefix + "MinBaud", -1);
    maxBaud = store.GetInt(Hive::CurrentUser, key, prefix + "MaxBaud", -1);
}

bool UserPreferences::Save(SettingsStore& store, const std::string& companyRegKey) const
{
    const std::string key = SettingsKey(companyRegKey);
    return store.WriteInt(Hive::CurrentUser, key, "Com Port", comPort)
        && store.WriteInt(Hive::CurrentUser, key, "CodeCompression", codeCompression)
        && store.WriteInt(Hive::CurrentUser, key, "DTRConfiguration", dtrConfiguration)
        && store.WriteString(Hive::CurrentUser, key, "EOR Character", eorCharacter);
}

bool UserPreferences::ApplyChoices(SettingsStore& store, const std::string& companyRegKey, int port, int compression,
                                   int dtr, const std::string& eor)
{
    const std::string key = SettingsKey(companyRegKey);
    codeCompression = CompressionChoice(compression);
    dtrConfiguration = DtrChoice(dtr);
    bool stored = store.WriteInt(Hive::CurrentUser, key, "CodeCompression", codeCompression);
    stored = store.WriteInt(Hive::CurrentUser, key, "DTRConfiguration", dtrConfiguration) && stored;
    if (port != comPort) {
        comPort = port;
        stored = store.WriteInt(Hive::CurrentUser, key, "Com Port", comPort) && stored;
        LoadBaudLimits(store, companyRegKey, comPort);
    }
    eorCharacter = eor;
    return store.WriteString(Hive::CurrentUser, key, "EOR Character", eorCharacter) && stored;
}

unsigned char UserPreferences::EorByte() const
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower >= 'a' && lower <= 'f')
            return lower - 'a' + 10;
        return -1;
    };
    if (eorCharacter.size() != 2 || hex(eorCharacter[0]) < 0 || hex(eorCharacter[1]) < 0)
        return 0x0D;
    return static_cast<unsigned char>(hex(eorCharacter[0]) * 16 + hex(eorCharacter[1]));
}
