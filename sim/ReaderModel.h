// The live state of one simulated reader: every setting's value per table, the selected
// table, the serial line it speaks, and the small modes the menu commands switch.
#pragma once

#include "sim/ReaderProfile.h"

#include <optional>
#include <string>
#include <vector>

struct SettingState {
    ProfileSetting profile;            // tag, range, default, flags as loaded
    std::string upperTag;
    std::vector<std::string> values;   // one per table
};

class ReaderModel {
public:
    explicit ReaderModel(ReaderProfile profile);

    const ReaderProfile& Profile() const { return profile_; }
    // New firmware reports another revision (after a flash).
    void SetRevisionText(const std::string& revQx) { profile_.revQx = revQx; }
    bool Has(ReaderCapability cap) const { return profile_.Has(cap); }

    int TableCount() const { return profile_.tables; }
    int CurrentTable() const { return currentTable_; }
    bool SelectTable(int table);

    const LineFormat& Line() const { return line_; }
    void SetLine(const LineFormat& line) { line_ = line; }
    // A line change waits until the reply that caused it has gone out in the old format;
    // later commands of the same batch already build on it.
    LineFormat LineAfterReply() const { return pendingLine ? *pendingLine : line_; }
    std::optional<LineFormat> pendingLine;

    std::vector<SettingState>& Settings() { return settings_; }
    const std::vector<SettingState>& Settings() const { return settings_; }
    // Case-insensitive lookup; nullptr when the reader has no such setting.
    SettingState* Find(const std::string& tag);
    const SettingState* Find(const std::string& tag) const;

    const std::string& Value(const SettingState& setting) const;
    // Writes the current table, or every table for a global setting.
    void SetValue(SettingState& setting, const std::string& value);
    // Restores defaults in the current table (global settings everywhere) or in all tables.
    // Returns the line format the restored line settings describe.
    LineFormat RestoreDefaults(bool allTables);

    // Moves the reader to another line at once and makes its line settings say so (used
    // when the simulator is started at a rate other than the profile's). False, changing
    // nothing, when a line setting cannot express the new line (a rate its list lacks).
    bool MoveLine(const LineFormat& line);

    // Back to the profile as loaded (a power cycle that forgets every change).
    void Reset();

    bool beeperOn = true;
    bool updatesOn = true;       // MNUUPD1: changes take effect as they come
    bool radioUnlocked = false;  // QxRcCd. opens one write of BASEID or RADCOD
    // Running its boot code instead of its application (after a flash that went wrong): it
    // answers only the few commands that load a new application (see ReaderEngine).
    bool bootCode = false;

    // Block transfers: what the host sent in the last completed transfer to the reader, and
    // what the reader sends when the host asks for data (a picture, a file).
    std::string transferReceived;
    std::string transferToSend;

private:
    ReaderProfile profile_;
    std::vector<SettingState> settings_;
    LineFormat line_;
    int currentTable_ = 0;
};
