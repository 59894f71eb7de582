// UserPreferences: the serial and flashing preferences kept per user in the settings store
// (branch Software\<company registry key>\kestrel, section "Settings").
#pragma once

#include <string>

class SettingsStore;

class UserPreferences {
public:
    static constexpr const char* kSection = "Settings";
    static constexpr const char* kProfileResource = "kestrel";

    int comPort = 1;        // 1-based port number
    int minBaud = -1;       // of the current port; -1 = no limit
    int maxBaud = -1;
    int codeCompression = 6; // 0 None, 6 L-V, 7 Huffman
    int dtrConfiguration = 0; // 0 Disabled, 1 Enabled, 2 flow control
    std::string eorCharacter = "0D";

    // The profile name: the resource name with its blanks removed.
    static std::string ProfileName();
    // "Software\<company>\kestrel\Settings"
    static std::string SettingsKey(const std::string& companyRegKey);

    // Port, its baud limits, compression, DTR and the end-of-record character.
    void Load(const SettingsStore& store, const std::string& companyRegKey);
    // The limits of another port ("Com%dMinBaud", "Com%dMaxBaud").
    void LoadBaudLimits(const SettingsStore& store, const std::string& companyRegKey, int port);
    // What the Preferences dialog's OK does with the user's choices, in its order:
    // compression and DTR; the port (and that port's baud limits) only when it changed; the
    // end-of-record text as typed. False when the store could not be written.
    bool ApplyChoices(SettingsStore& store, const std::string& companyRegKey, int port, int compression, int dtr,
                      const std::string& eor);
    // Writes port, compression, DTR and end-of-record character as they are.
    bool Save(SettingsStore& store, const std::string& companyRegKey) const;

    // The values the dialog's radio groups can show: unknown compressions read as None (0),
    // unknown DTR modes as Disabled (0).
    static int CompressionChoice(int stored) { return stored == 6 || stored == 7 ? stored : 0; }
    static int DtrChoice(int stored) { return stored == 1 || stored == 2 ? stored : 0; }

    // The end-of-record byte; a value that is not two hexadecimal digits means CR, so a
    // hand-edited store never puts a stray byte on the line.
    unsigned char EorByte() const;
};
