// A family of menu commands the simulated reader understands. The engine asks each family
// in turn whether it claims a tag; the first that does answers the command. New families
// (firmware, pictures, tagged packets) are added beside these without touching the parser.
//
//   IdentityFamily        p_name, rev_qx, rev_sw, REVINF
//   TableFamily           CURTBL (readers with several tables)
//   ModeFamily            MNUBEP beeper, MNUUPD update mode (matrix command set)
//   CapabilityFamily      MATCMD, AZTENA, IMGSHP, PDFENA, IMGMXX, IMGMXY, LSTSCN
//   DefaultsFamily        DEFALT (current table), PAPDFT (all tables)
//   WirelessFamily        QxRcCd, REMOVE, and the locked BASEID / RADCOD writes
//   BlockFamily           xxxBK2 / xxxBK3 blocks (each write adds a record), xxxCA2 / xxxCA3 clear
//   SerialParameterFamily 232BDR, 232BAD, 232WRD, 232PAR, 232LEN, 232STP (AUX* on a cordless base)
//   SettingsFamily        every other setting of the profile
#pragma once

#include "sim/MenuCommand.h"
#include "sim/ReaderModel.h"

class MenuCommandFamily {
public:
    virtual ~MenuCommandFamily() = default;
    virtual bool Claims(const ReaderModel& model, const std::string& upperTag) const = 0;
    virtual MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) = 0;

    // The common answer for a setting: the three query marks, '$', or a range-checked write.
    static MenuAnswer AnswerSetting(ReaderModel& model, SettingState& setting, const MenuCommand& command);
};

class IdentityFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};

class TableFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};

class ModeFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};

class CapabilityFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
    // The byte between scanner names in the LSTSCN reply.
    static constexpr char kScannerSeparator = ',';
};

class DefaultsFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel&, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};

class WirelessFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};

class BlockFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
    // "PRECA2" -> "PREBK2", "DFMCA3" -> "DFMBK3"; empty for other tags.
    static std::string BlockOfClear(const std::string& upperTag);
    static bool IsBlockTag(const std::string& upperTag);
};

class SerialParameterFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};

class SettingsFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& upperTag) const override;
    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override;
};
