// CDevice: the program's model of one reader, and the performer of every exchange with it.
//
// It holds the reader's settings (one record per menu command, a value per settings table),
// its prefix/suffix and data-format blocks, its catalog entry and its command processor. It
// finds the reader on the port (rate scan and line-format probe), identifies it, reads all
// settings with their ranges and defaults, and writes changed settings back. Through its
// bases it is also the byte channel (HCOMM) and the progress reporter (HTRANSFER_STATUS)
// the transfer code works with.
//
// Reader families are subclasses that replace single virtual operations. The virtual
// operations below are declared in the order of the class's slots; keep it that way.
#pragma once

#include "catalog/CDeviceName.h"
#include "catalog/CDeviceSetting.h"
#include "device/CMenuCommands.h"
#include "device/blocks/CBlockSet.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CArchiveReader;
class CArchiveWriter;
class HCOMMAND_PROCESSOR;
class ProgressWindow;
class TabDefinitions;

// The three lists a settings write sorts its failed commands into.
struct CommandErrors {
    std::vector<std::string> notPresent; // ENQ: the reader does not know the command
    std::vector<std::string> outOfRange; // NAK
    std::vector<std::string> noResponse;
    bool Empty() const { return notPresent.empty() && outOfRange.empty() && noResponse.empty(); }
};

// Where Connect and friends show their texts (the status line of a window); may be empty.
using StatusTextSink = std::function<void(const std::string&)>;

class CDevice : public CMenuCommands, public IBlockSettings {
public:
    static constexpr int kStoredFormat = 32;
    static constexpr int kConnectFailed = 0;
    static constexpr int kConnectCancelled = 1;
    static constexpr int kConnected = 2;
    static constexpr unsigned char kFnc3 = 0x82;

    explicit CDevice(CSerComm* port = nullptr);
    ~CDevice() override;

    // ---- virtual operations, in slot order -----------------------------------------------
    virtual bool LoadFirmware(std::string& resultText);
    virtual bool LoadFirmwareEx(std::string& resultText, int compressionMode, bool* hexPath, bool optionA,
                                bool optionB);
    virtual bool LoadBootCode(std::string& resultText);
    virtual bool LoadBootCodeEx(std::string& resultText, int compressionMode, bool waitForReader);
    virtual void BeginSettingsWrite();
    virtual void EndSettingsWrite();
    virtual bool ReadAllSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                                 const std::vector<std::string>& excluded);
    virtual bool WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors);
    virtual bool GetFirmwareRevision(std::string& revision, const StatusTextSink& status = {});
    virtual bool IsCompatible(const CDeviceName& identified);
    virtual int GetTableCount(bool offline);
    virtual bool SelectTable(int table, bool offline);
    virtual bool HasTables();
    virtual bool Identify();
    virtual std::string GetDefaultsCommand();
    virtual std::string GetClosingCommands();
    virtual std::string GetBarcodeLead();
    virtual bool FlashHexFile(const std::string& path, std::string& resultText);
    virtual bool LoadFirmwareFromFile(std::string& resultText, int compressionMode, bool* hexPath, bool optionA,
                                      bool optionB);
    virtual bool LoadBootCodeFromFile(std::string& resultText, int compressionMode, bool waitForReader);
    virtual bool GetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash);
    virtual void ParsePrefixSuffixBlocks();
    virtual void ParseDataFormatBlocks();
    // The four line values are the serial commands' values of rate, parity, stop bits and
    // data bits (empty when absent).
    virtual bool SplitSerialCommands(std::string& commandText, std::string& serialCommands,
                                     std::string& terminalCommand, std::array<std::string, 4>& lineValues);

    // ---- connection and identification ---------------------------------------------------
    int Connect(std::string& settings, const StatusTextSink& status = {}, ProgressWindow* progress = nullptr);
    bool ProbeLine(char& parity);
    bool VerifyDevicePresent();
    // What the document calls after it made a device object of the identified class.
    bool Initialize() { return Identify(); }

    // ---- settings --------------------------------------------------------------------------
    bool ReadBackCurrentTable(ProgressWindow* progress);
    bool BuildOfflineSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                              const std::vector<std::string>& excluded);
    static void BuildOfflineListSetting(CDeviceSetting& setting, const std::string& defaultText,
                                        const std::string& groupList);
    bool GetControlValues(const std::string& tag, std::vector<std::string>& values,
                          const std::vector<std::string>* substitutes = nullptr);
    // Captions of the values a radio or drop-down control offers; "N/A" where a value has
    // none. allLabels: the second mode, every label in order.
    void BuildOptionCaptions(const std::string& tag, const std::string& groupList,
                             std::vector<std::string>& captions, bool allLabels = false);
    // The hook the row check uses to give list settings their captions.
    OptionCaptionBuilder CaptionBuilder();
    // Whether a tag falls under the excluded command list (prefix rule, without regard to case).
    static bool IsExcludedTag(const std::string& tag, const std::vector<std::string>& excluded);

    std::vector<CDeviceSetting>& Settings() { return m_Settings; }
    const std::vector<CDeviceSetting>& Settings() const { return m_Settings; }
    // Exact tag, then without regard to case; nullptr when absent.
    CDeviceSetting* FindSetting(std::string_view tag, bool ignoreCase = false);
    const CDeviceSetting* FindSetting(std::string_view tag, bool ignoreCase = false) const;

    // ---- blocks ----------------------------------------------------------------------------
    CBlockSet& Blocks() { return m_Blocks; }
    const CBlockSet& Blocks() const { return m_Blocks; }
    void ReadTerminalTable(const TabDefinitions& definitions);
    void UpdateWizardFlag() { m_Blocks.UpdateWizardFlag(*this); }
    void BuildSymbologyTable() { m_Blocks.BuildSymbologyTable(*this); }
    void ResetBlocksToDefaults(bool allTables) { m_Blocks.ResetBlocksToDefaults(*this, allTables); }
    // The block write commands of the current table, prefix/suffix first.
    std::vector<std::string> BuildBlockCommands() const;
    bool GetWizardFlag() const { return m_Blocks.GetWizardFlag(); }

    // IBlockSettings
    std::vector<std::string> GetSettingTags() const override;
    std::string GetSettingValue(std::string_view tag, int table) const override;
    void SetSettingValue(std::string_view tag, int table, std::string_view value) override;
    std::string GetSettingDefault(std::string_view tag) const override;
    int GetTableCount() const override { return m_TableCount; }
    int GetCurrentTable() const override { return m_CurrentTable; }

    // ---- fields ------------------------------------------------------------------------------
    CDeviceName& DeviceName() { return m_DeviceName; }
    const CDeviceName& DeviceName() const { return m_DeviceName; }
    HCOMMAND_PROCESSOR& CommandHandler() { return *m_pCommandHandler; }
    uint16_t LinkCode() const { return m_LinkCode; }
    // A device object made for the class a finder identified takes over what its probe
    // learnt of the line, as the finder's own fields would have told it.
    void TakeLinkCodeFrom(const CDevice& finder) { m_LinkCode = finder.m_LinkCode; }
    int CurrentTable() const { return m_CurrentTable; }
    void SetCurrentTable(int table) { m_CurrentTable = table; }
    int TableCount() const { return m_TableCount; }
    void SetTableCount(int count) { m_TableCount = count; }
    bool UsesCts() const { return m_UseCts; }
    const std::string& EorText() const { return m_EorText; }
    void SetEorText(const std::string& text) { m_EorText = text; }
    // The end-of-record byte: upper-cased, everything through the first "X" dropped, then
    // hexadecimal digits up to the first other character.
    static unsigned char ParseEorByte(const std::string& text);
    unsigned char EorByte() const { return ParseEorByte(m_EorText); }
    int FormatNumber() const { return m_FormatNumber; }
    // The last text Connect, VerifyDevicePresent or GetFirmwareRevision showed.
    const std::string& LastStatusText() const { return m_LastStatus; }

    // ---- stored form -----------------------------------------------------------------------
    // The channel's Read and Write stay reachable beside the stored form's.
    using CMenuCommands::Read;
    using CMenuCommands::Write;
    void Write(CArchiveWriter& archive) const;
    // False when the format number is not ours (nothing more is read). A damaged stream
    // raises ArchiveError.
    bool Read(CArchiveReader& archive);

    // The reply time-out of the presence probe at a rate.
    static unsigned ProbeTimeoutMs(long baud) { return baud > 600 ? 100u : static_cast<unsigned>(900 - baud); }

protected:
    // Texts go to the caller's status line (when given) and are remembered.
    void ShowStatus(const StatusTextSink& status, const std::string& text);
    // A command through SendCommandAndWait that must come back with ACK.
    bool Ask(const std::string& command, std::string& reply, unsigned timeoutMs);
    // Wraps a value query of the command processor ("rev_qx" -> "rev_qx?."); true with ACK.
    // status (when given) receives the reply's status byte, 0 when nothing complete came.
    bool QueryValue(const char* tag, std::string& value, char* status = nullptr);
    bool EnsureConnected();
    // The table count read with "curtbl*." (fallback when it is not answered).
    int QueryTableCount(int fallback);
    // The parts of the wireless and base writes they share.
    void SplitByTags(const char* const* tags, size_t tagCount, std::string& commandText,
                     std::string& serialCommands, std::string& terminalCommand,
                     std::array<std::string, 4>& lineValues);
    void SendBlockCommands(std::string& replies, ProgressWindow* progress, int basePosition);
    // What the three wireless classes share: the write that holds back the radio settings,
    // their own serial tags, and their barcode defaults and closing texts.
    bool WirelessWriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors);
    bool WirelessSplitSerialCommands(std::string& commandText, std::string& serialCommands,
                                     std::string& terminalCommand, std::array<std::string, 4>& lineValues);
    std::string WirelessDefaultsCommand() const;
    std::string WirelessClosingCommands() const;
    // The LINPRI rule of readers below revision 16.
    void ApplyLinpriRule();
    bool MatrixIsCompatible(const CDeviceName& identified) const;
    bool MatrixGetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash);
    static std::string FirmwareNotAvailable(std::string& resultText);
    // Firmware loading (CDeviceFirmware.cpp): the search that precedes it and hands back the
    // device object of the identified class; the file dialog that remembers its folder; the
    // hex file's model check.
    std::unique_ptr<CDevice> FindDeviceForFirmware(std::string& resultText);
    static bool ChooseFirmwareFile(const char* filter, const char* title, const char* folderName, std::string& path);
    bool HexFileSuitsDevice(const std::string& path);

    int m_FormatNumber = kStoredFormat;
    uint16_t m_LinkCode = 0;
    int m_CurrentTable = 0;
    int m_TableCount = 1;
    std::string m_EorText = "0D";
    std::vector<CDeviceSetting> m_Settings;
    CBlockSet m_Blocks;
    CDeviceName m_DeviceName;
    bool m_UseCts = false;
    std::unique_ptr<HCOMMAND_PROCESSOR> m_pCommandHandler;
    std::string m_LastStatus;
};

// The vendor's ORV application flag: the radio country code list drops two codes under it.
void SetOrvApplicationFlag(bool on);
bool OrvApplicationFlag();

// Stored forms of the catalog entry and the setting record, as documents hold them.
void WriteDeviceName(CArchiveWriter& archive, const CDeviceName& name);
CDeviceName ReadDeviceName(CArchiveReader& archive);
void WriteDeviceSetting(CArchiveWriter& archive, const CDeviceSetting& setting, int tableCount);
CDeviceSetting ReadDeviceSetting(CArchiveReader& archive, int tableCount);
