// CDeviceSetting: one reader setting (menu command) with its range, default, allowed values
// and one value per settings table.
//
// A reader may keep up to nine tables of settings; the device object knows how many it has
// and which one is current, and passes those in. Values are text throughout ("1"/"0" for
// check boxes).
#pragma once

#include <functional>
#include <string>
#include <vector>

class TabDefinitions;

class CDeviceSetting {
public:
    static constexpr int kMaxTables = 9;

    std::string tag;
    std::string defaultValue;
    int minimum = 0;
    int maximum = 1000; // minimum == maximum: no range check
    int sameAllTables = 0;
    std::vector<std::string> allowedValues;
    std::vector<std::string> optionCaptions; // parallel to the offered values; "N/A" = no button
    std::vector<std::string> tableValues = std::vector<std::string>(kMaxTables);

    // The value in the current table ("" for a table the record does not hold).
    std::string ValueForDevice(int currentTable) const;
    // Same-all-tables settings change in every table the device has, others only in the
    // current one.
    void SetValue(int tableCount, int currentTable, const std::string& text);
    void ResetAllTablesToDefault(int tableCount);

    // The general caption rule of radio and drop-down rows: allowed value v (a decimal
    // number) takes piece v of the Group List; a value without a piece gets "N/A". A setting
    // without allowed values offers the numbers of its range.
    void DeriveOptionCaptions(const std::string& groupList);
};

// Replaces the general caption rule for settings whose captions come from their values
// (the serial rate, parity, LED, power-down and country code settings). The device classes
// install theirs; without one, DeriveOptionCaptions applies.
using OptionCaptionBuilder = std::function<void(CDeviceSetting& setting, const std::string& groupList)>;

// Decides whether a tab definition row describes the setting for the model `deviceId` and,
// when one does, takes its same-all-tables flag and option captions. True when described.
bool CheckRow(const TabDefinitions& definitions, CDeviceSetting& setting, int deviceId,
              const OptionCaptionBuilder& captions = {});

// CheckRow for every setting, in order: `described` gets 1 or 0 per setting. True when some
// setting is not described (those go to the extra page).
bool CheckRows(const TabDefinitions& definitions, std::vector<CDeviceSetting>& settings, int deviceId,
               std::vector<int>& described, const OptionCaptionBuilder& captions = {});
