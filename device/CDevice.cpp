#include "device/CDevice.h"

#include "catalog/TabDefinitions.h"
#include "device/CSerComm.h"
#include "platform/Archive.h"
#include "platform/Host.h"
#include "transfer/HCOMMAND_PROCESSOR.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr char kProbeBytes[] = { CMenuCommands::SYN, 'C', CMenuCommands::CR };

// Part numbers that accept each other's readers (own part number first).
struct CompatiblePair {
    const char* own;
    const char* identified;
};
constexpr CompatiblePair kCompatiblePairs[] = {
    { "80001005", "80001014" }, { "80001005", "80001011" }, { "80001011", "80001014" },
    { "80001014", "80001011" }, { "80001012", "80001015" }, { "80001015", "80001012" },
    { "80001013", "80001016" }, { "80001016", "80001013" },
};

// Serial-line commands are sent last, after everything else: once the reader takes them
// it speaks another line format and must be found again.
constexpr const char* kSerialTags[] = { "232BDR", "232BAD", "232WRD", "232PAR", "232STP", "232LEN", "TERMID" };

constexpr const char* kOfflineRates[] = { "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200" };
constexpr const char* kOfflinePowerDowns[] = { "0", "200", "400", "900", "3600", "7200" };

struct TextPair {
    const char* from;
    const char* to;
};
constexpr TextPair kParityLetters[] = { { "None", "N" }, { "Even", "E" }, { "Odd", "O" }, { "Mark", "M" }, { "Space", "S" } };
constexpr TextPair kParityCaptions[] = { { "N", "None" }, { "O", "Odd" }, { "E", "Even" }, { "M", "Mark" }, { "S", "Space" } };
constexpr TextPair kLedLevels[] = { { "High", "HIGH" }, { "Medium", "LOW" }, { "Low", "OFF" } };
constexpr TextPair kLedCaptions[] = { { "HIGH", "High" }, { "LOW", "Medium" }, { "OFF", "Low" } };

constexpr const char* kNoCaption = "N/A";

bool gOrvApplication = true;

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int ClampToInt(long value)
{
    return static_cast<int>(std::clamp<long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The leading integer of a text ("-5" included); 0 when there is none, clamped to int.
int IntegerValue(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin)
        return 0;
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Whether a value is a plain decimal number that fits, and which.
bool DecimalValue(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

std::string Format(const char* format, int a, int b)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// The value of one entry of a whole-table reply: from position 6 up to the first ACK. The
// entry is then cut off together with the separator after the ACK. A reply that has lost
// its ACK is taken whole, so a damaged reply cannot keep the loop going.
std::string TakeEntryValue(std::string& reply)
{
    const size_t ack = reply.find(CMenuCommands::ACK);
    std::string value;
    if (ack == std::string::npos) {
        value = reply.size() > 6 ? reply.substr(6) : std::string();
        reply.clear();
        return value;
    }
    value = ack > 6 ? reply.substr(6, ack - 6) : std::string();
    reply.erase(0, std::min(reply.size(), ack + 2));
    return value;
}

// An all-commands reply as the reader builds it: entries of a six-character tag, a value,
// ACK and ";", the last one closed by "." instead. A reply that lost or changed a byte of its
// frame (a tag cut short, a missing ACK, text after the end) is refused, so the read fails
// instead of filling settings from a shifted reply.
bool WellFormedWholeTableReply(const std::string& reply)
{
    size_t at = 0;
    while (at < reply.size()) {
        if (reply.size() - at < 8) return false;
        for (size_t i = at; i < at + 6; ++i) {
            const unsigned char c = static_cast<unsigned char>(reply[i]);
            if (!std::isalnum(c) && c != '_') return false;
        }
        const size_t ack = reply.find(CMenuCommands::ACK, at + 6);
        if (ack == std::string::npos || ack + 1 >= reply.size()) return false;
        const char separator = reply[ack + 1];
        if (separator == '.') return ack + 2 == reply.size();
        if (separator != ';') return false;
        at = ack + 2;
    }
    return false;
}

// The tags of a well-formed whole-table reply, in order.
std::vector<std::string> WholeTableTags(const std::string& reply)
{
    std::vector<std::string> tags;
    for (size_t at = 0; at + 6 <= reply.size();) {
        tags.push_back(reply.substr(at, 6));
        const size_t ack = reply.find(CMenuCommands::ACK, at + 6);
        if (ack == std::string::npos)
            break;
        at = ack + 2;
    }
    return tags;
}

// Text after the first occurrence of `tag` (from its start + 6) up to the next ACK.
bool FindTaggedValue(const std::string& reply, const std::string& tag, std::string& value)
{
    if (tag.empty())
        return false;
    const size_t at = reply.find(tag);
    if (at == std::string::npos)
        return false;
    const size_t start = std::min(reply.size(), at + 6);
    const size_t ack = reply.find(CMenuCommands::ACK, start);
    value = reply.substr(start, ack == std::string::npos ? std::string::npos : ack - start);
    return true;
}

std::string Lookup(const TextPair* begin, const TextPair* end, const std::string& from, bool ignoreCase)
{
    for (const TextPair* p = begin; p != end; ++p) {
        if (ignoreCase ? EqualNoCase(p->from, from) : from == p->from)
            return p->to;
    }
    return {};
}

} // namespace

void SetOrvApplicationFlag(bool on) { gOrvApplication = on; }
bool OrvApplicationFlag() { return gOrvApplication; }

CDevice::CDevice(CSerComm* port)
    : CMenuCommands(port), m_pCommandHandler(std::make_unique<HCOMMAND_PROCESSOR>(this, this))
{
}

CDevice::~CDevice() = default;

// ---- small helpers ---------------------------------------------------------------------------

void CDevice::ShowStatus(const StatusTextSink& status, const std::string& text)
{
    m_LastStatus = text;
    if (status)
        status(text);
}

bool CDevice::Ask(const std::string& command, std::string& reply, unsigned timeoutMs)
{
    return SendCommandAndWait(command, reply, timeoutMs) && reply.size() >= 2 && reply[reply.size() - 2] == ACK;
}

bool CDevice::QueryValue(const char* tag, std::string& value, char* status)
{
    value.clear();
    if (status)
        *status = 0;
    HSTRING reply(64);
    if (!m_pCommandHandler->QueryCommand(tag, &reply, true))
        return false;
    std::string text(reply.Text(), reply.Length());
    if (text.empty())
        return false;
    if (status)
        *status = text.back();
    if (text.back() != ACK)
        return false;
    text.pop_back();
    value = text;
    return true;
}

bool CDevice::EnsureConnected()
{
    if (VerifyDevicePresent())
        return true;
    std::string settings;
    return Connect(settings) == kConnected;
}

unsigned char CDevice::ParseEorByte(const std::string& text)
{
    std::string upper = Upper(text);
    const size_t x = upper.find('X');
    if (x != std::string::npos)
        upper.erase(0, x + 1);
    unsigned value = 0;
    for (char c : upper) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            break;
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    // More than two digits keep only the low byte, as a byte is all the line takes.
    return static_cast<unsigned char>(value & 0xFF);
}

bool CDevice::IsExcludedTag(const std::string& tag, const std::vector<std::string>& excluded)
{
    for (const std::string& entry : excluded) {
        if (entry.empty() || entry.size() > tag.size())
            continue;
        if (EqualNoCase(std::string_view(tag).substr(0, entry.size()), entry))
            return true;
    }
    return false;
}

CDeviceSetting* CDevice::FindSetting(std::string_view tag, bool ignoreCase)
{
    for (CDeviceSetting& setting : m_Settings) {
        if (ignoreCase ? EqualNoCase(setting.tag, tag) : setting.tag == tag)
            return &setting;
    }
    return nullptr;
}

const CDeviceSetting* CDevice::FindSetting(std::string_view tag, bool ignoreCase) const
{
    return const_cast<CDevice*>(this)->FindSetting(tag, ignoreCase);
}

// ---- IBlockSettings ----------------------------------------------------------------------------

std::vector<std::string> CDevice::GetSettingTags() const
{
    std::vector<std::string> tags;
    tags.reserve(m_Settings.size());
    for (const CDeviceSetting& setting : m_Settings)
        tags.push_back(setting.tag);
    return tags;
}

std::string CDevice::GetSettingValue(std::string_view tag, int table) const
{
    const CDeviceSetting* setting = FindSetting(tag);
    return setting ? setting->ValueForDevice(table) : std::string();
}

void CDevice::SetSettingValue(std::string_view tag, int table, std::string_view value)
{
    CDeviceSetting* setting = FindSetting(tag);
    if (setting && table >= 0 && table < static_cast<int>(setting->tableValues.size()))
        setting->tableValues[static_cast<size_t>(table)] = std::string(value);
}

std::string CDevice::GetSettingDefault(std::string_view tag) const
{
    const CDeviceSetting* setting = FindSetting(tag);
    return setting ? setting->defaultValue : std::string();
}

// ---- connection ---------------------------------------------------------------------------------

bool CDevice::ProbeLine(char& parity)
{
    if (!m_pSerComm)
        return false;
    std::string current;
    if (!m_pSerComm->GetCurrentSettings(current))
        return false;
    const size_t colon = current.find(':');
    if (colon == std::string::npos || current.size() < colon + 1 + 7)
        return false;
    const int dataBits = current[current.size() - 3] - '0';
    const int stopBits = current[current.size() - 1] - '0';
    const char oldParity = current[current.size() - 5];
    const long baud = std::strtol(current.substr(colon + 1, current.size() - 6 - colon - 1).c_str(), nullptr, 10);

    HReceivedDataLock lock(this);
    const unsigned timeout = ProbeTimeoutMs(baud);
    m_pSerComm->WriteByte(EorByte());
    m_pSerComm->DrainInput(200);
    m_pSerComm->WriteBytes(reinterpret_cast<const uint8_t*>(kProbeBytes), sizeof kProbeBytes);
    uint8_t b[4] = {};
    if (m_pSerComm->ReadBytes(b, 4, timeout) < 4)
        return false;
    m_LinkCode = static_cast<uint16_t>((b[2] << 8) | b[3]);

    // The reader always sends ACK NAK and its link code; how those bytes arrive at our line
    // format tells the reader's own parity and word length.
    char newParity = oldParity;
    int newBits = dataBits;
    if (dataBits == 8 && oldParity == 'N') {
        if (b[0] == 0x06 && b[1] == 0x15 && (b[2] & ~0x30) == 0xCE) {
            newParity = 'N';
        } else if (b[0] == 0x06 && b[1] == 0x15 && (b[2] & ~0x30) == 0x4E) {
            newParity = 'S';
            newBits = 7;
        } else if (b[0] == 0x06 && b[1] == 0x95) {
            newParity = 'E';
            newBits = 7;
        } else if (b[0] == 0x86 && b[1] == 0x15) {
            newParity = 'O';
            newBits = 7;
        } else if (b[0] == 0x86 && b[1] == 0x95) {
            newParity = 'M';
            newBits = 7;
        } else {
            return false;
        }
    } else if (dataBits == 8) {
        if (b[0] == 0x06 && b[1] == 0x1F && b[3] == 0x1F)
            newParity = 'E';
        else if (b[0] == 0x06 && b[1] == 0x15)
            newParity = 'S';
        else if (b[0] == 0x1F && b[1] == 0x15 && b[2] == 0x1F)
            newParity = 'O';
        else if (b[0] == 0x1F && b[1] == 0x1F && b[2] == 0x1F && b[3] == 0x1F)
            newParity = 'M';
        else
            return false;
    }

    const std::string decided = m_pSerComm->BuildSettingsString(static_cast<int>(baud), newParity, newBits, stopBits);
    if (m_pSerComm->OpenPort(decided) != CSerComm::kOpenOk)
        return false;
    const bool identified = Identify();
    if (m_UseCts)
        m_pSerComm->OpenPort(decided, true, true, false, false);
    m_pSerComm->DrainInput(200);
    if (identified)
        m_pCommandHandler->ProbeCapabilities();
    parity = newParity;
    return identified;
}

int CDevice::Connect(std::string& settings, const StatusTextSink& status, ProgressWindow* progress)
{
    UserOperation operation;
    HReceivedDataLock lock(this);
    if (!m_pSerComm)
        return kConnectFailed;
    std::string remembered;
    m_pSerComm->GetCurrentSettings(remembered);
    if (!m_pSerComm->IsOpen() && !m_pSerComm->TestPort(m_pSerComm->GetPortNumber())) {
        ShowStatus(status, "Comm port is unavailable");
        return kConnectFailed;
    }
    int position = 0;
    if (progress)
        progress->SetRange(200);
    auto step = [&]() {
        if (progress)
            progress->SetPosition(++position);
    };
    const int port = m_pSerComm->GetPortNumber();
    bool connected = false;

    for (int rate : CSerComm::kStandardRates) {
        if (UserAbortRequested())
            break;
        ::PumpWaitingMessages();
        // Two attempts a rate: no parity finds 8N1 readers and every 7-bit one; space parity
        // finds the 8-bit readers with parity.
        for (char tryParity : { 'N', 'S' }) {
            if (UserAbortRequested())
                break;
            WaitCursor cursor;
            if (tryParity == 'S')
                step();
            settings = m_pSerComm->BuildSettingsString(rate, tryParity, 8, 1);
            // The space-parity attempt tells the 8-bit parities apart by which bytes arrive
            // with a parity error, so those must come in as the error character.
            if (m_pSerComm->OpenPort(settings, true, false, tryParity == 'S') != CSerComm::kOpenOk)
                continue;
            if (UserAbortRequested())
                break;
            if (tryParity == 'N')
                step();
            m_pSerComm->DrainInput(0);
            ShowStatus(status, Format("Checking COM%d at %d Baud", port, rate));
            ::PumpWaitingMessages();
            char parity = tryParity;
            if (ProbeLine(parity)) {
                if (progress)
                    progress->SetPosition(200);
                m_pSerComm->GetCurrentSettings(settings);
                // Only the first attempt tells the caller that CTS flow control is on.
                if (tryParity == 'N' && m_UseCts)
                    settings += " CTS";
                ShowStatus(status, "Connected at " + settings);
                connected = true;
                break;
            }
            if (tryParity == 'S' && !remembered.empty())
                m_pSerComm->OpenPort(remembered);
        }
        if (connected)
            break;
    }
    if (connected)
        return kConnected;
    if (UserAbortRequested()) {
        // With nothing to go back to, the port is closed rather than left at the last rate
        // tried, where a later exchange would talk to nobody.
        if (!remembered.empty() && m_pSerComm->OpenPort(remembered) == CSerComm::kOpenOk)
            ShowStatus(status, "Connected at " + remembered);
        else
            m_pSerComm->ClosePort();
        settings = remembered;
        ShowStatus(status, "Ready");
        return kConnectCancelled;
    }
    ShowStatus(status, "Failed to Connect");
    m_pSerComm->ClosePort();
    return kConnectFailed;
}

bool CDevice::VerifyDevicePresent()
{
    UserOperation operation;
    if (!m_pSerComm || !m_pSerComm->IsOpen())
        return false;
    HReceivedDataLock lock(this);
    const unsigned timeout = ProbeTimeoutMs(m_pSerComm->GetBaudRate());
    m_LastStatus = "Verifying device present...";
    std::unique_ptr<ProgressWindow> window = TheHost().CreateProgressWindow();
    if (window) {
        window->SetStepText(0, m_LastStatus);
        window->ShowBar(false);
        window->Show();
    }
    m_pSerComm->WriteByte(EorByte());
    m_pSerComm->DrainInput(200);
    m_pSerComm->WriteBytes(reinterpret_cast<const uint8_t*>(kProbeBytes), sizeof kProbeBytes);
    uint8_t b[4] = {};
    bool present = false;
    if (m_pSerComm->ReadBytes(b, 4, timeout) == 4) {
        m_LinkCode = static_cast<uint16_t>((b[2] << 8) | b[3]);
        std::string revision;
        if (b[0] == ACK && b[1] == NAK && QueryValue("rev_qx", revision)) {
            CDeviceName identified;
            std::string productId;
            if (QueryValue("p_name", productId))
                identified.productId = productId;
            identified.ParseRevision(revision);
            present = IsCompatible(identified) && ProductIdsMatch(identified.productId, m_DeviceName.productId);
        }
    }
    m_pSerComm->DrainInput(200);
    if (window)
        window->Hide();
    if (present)
        m_pCommandHandler->ProbeCapabilities();
    return present;
}

bool CDevice::Identify()
{
    HReceivedDataLock lock(this);
    WaitCursor cursor;
    if (m_pSerComm)
        m_pSerComm->DrainInput(200);
    std::string reply;
    SendCommandAndWait("mnubep0!", reply, 1000);
    std::string table;
    QueryValue("CURTBL", table);
    m_CurrentTable = std::clamp(IntegerValue(table), 0, CDeviceSetting::kMaxTables - 1);
    if (m_pSerComm)
        m_pSerComm->DrainInput(200);
    std::string revision;
    if (QueryValue("rev_qx", revision)) {
        std::string productId;
        if (QueryValue("p_name", productId))
            m_DeviceName.productId = productId;
        m_DeviceName.ParseRevision(revision);
        m_UseCts = m_DeviceName.UsesCts();
        return true;
    }
    if (UserAbortRequested())
        return false;
    return m_DeviceName.ChooseDevice();
}

bool CDevice::GetFirmwareRevision(std::string& revision, const StatusTextSink& status)
{
    UserOperation operation;
    if (!VerifyDevicePresent()) {
        std::string settings;
        if (Connect(settings, status, nullptr) != kConnected)
            return false;
    }
    ShowStatus(status, "Determining device's firmware Revision");
    WaitCursor cursor;
    // A reader without a separate software revision answers "rev_sw." with ENQ: its
    // revision is the hardware part alone. The identity queries (rev_qx, p_name) still need
    // ACK, since an empty value there would pick a catalog row or match any product id.
    std::string software, hardware;
    char softwareStatus = 0;
    if (!QueryValue("rev_sw", software, &softwareStatus) && softwareStatus != ENQ)
        return false;
    if (!QueryValue("rev_qx", hardware))
        return false;
    revision = software + hardware;
    ShowStatus(status, "Firmware Rev: " + revision);
    return true;
}

bool CDevice::IsCompatible(const CDeviceName& identified)
{
    const std::string& own = m_DeviceName.baseNumber;
    if (identified.baseNumber == own)
        return true;
    return std::any_of(std::begin(kCompatiblePairs), std::end(kCompatiblePairs), [&](const CompatiblePair& pair) {
        return own == pair.own && identified.baseNumber == pair.identified;
    });
}

// ---- tables and family choices ----------------------------------------------------------------

int CDevice::GetTableCount(bool) { return 1; }

bool CDevice::SelectTable(int, bool) { return true; }

bool CDevice::HasTables() { return false; }

std::string CDevice::GetDefaultsCommand() { return std::string("~DEFALT.") + static_cast<char>(kFnc3); }

std::string CDevice::GetClosingCommands() { return {}; }

std::string CDevice::GetBarcodeLead() { return "\\[0x80]"; }

int CDevice::QueryTableCount(int fallback)
{
    if (m_pSerComm)
        m_pSerComm->DrainInput(50);
    std::string reply;
    int count = fallback;
    if (SendCommandAndWait("curtbl*.", reply, 1000)) {
        // The echo carries the tag before the range; the range is what lies between.
        const size_t ack = reply.find(ACK);
        std::string range = reply.substr(0, ack);
        range.erase(0, std::min<size_t>(6, range.size()));
        std::vector<std::string> values;
        long minimum = 0;
        long maximum = 0;
        ParseRange(range, values, minimum, maximum);
        // A reader keeps at most nine tables; a reply beyond that cannot be held.
        count = static_cast<int>(std::clamp<long>(maximum - minimum + 1, 1, CDeviceSetting::kMaxTables));
    }
    m_TableCount = count;
    return count;
}

bool CDevice::GetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash)
{
    const char syn = SYN;
    enterFlash.clear();
    afterFlash.clear();
    if (!m_pSerComm)
        return false;
    if (m_LinkCode == 0xFEFF || m_LinkCode == 0xEEEF) {
        enterFlash = std::string { syn, 'A', CR };
        flashSettings = m_pSerComm->BuildSettingsString(m_LinkCode == 0xFEFF ? 38400 : 115200, 'N', 8, 1);
        return true;
    }
    afterFlash = std::string { syn, 'I', CR };
    HReceivedDataLock lock(this);
    for (int rate : CSerComm::kStandardRates) {
        const std::string ask = std::string { syn, 'G' } + std::to_string(rate) + CR;
        m_pSerComm->WriteText(ask);
        uint8_t answer = 0;
        if (m_pSerComm->ReadBytes(&answer, 1, 100) == 1 && answer == static_cast<uint8_t>(ACK)) {
            enterFlash = std::string { syn, 'E' } + std::to_string(rate) + CR;
            flashSettings = m_pSerComm->BuildSettingsString(rate, 'N', 8, 1);
            return true;
        }
    }
    return false;
}

bool CDevice::MatrixGetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash)
{
    if (m_LinkCode == 0xFEFF && m_pSerComm) {
        enterFlash = std::string { SYN, 'A', CR };
        flashSettings = m_pSerComm->BuildSettingsString(115200, 'N', 8, 1);
        afterFlash.clear();
        return true;
    }
    return CDevice::GetFlashLineSetup(enterFlash, flashSettings, afterFlash);
}

bool CDevice::MatrixIsCompatible(const CDeviceName& identified) const
{
    const std::string& own = m_DeviceName.baseNumber;
    const std::string& other = identified.baseNumber;
    if (other == "80001004" || (other.size() >= 2 && Upper(other.substr(0, 2)) == "ZK"))
        return true;
    const int o = m_DeviceName.revision;
    const int i = identified.revision;
    if (own == "80001003" || own == "80001002")
        return ((i < 2 && o < 2) || (i >= 2 && o > 1)) && own == other;
    if (own == "80001001") {
        const bool revisions = (i <= 6 && o <= 6) || (i >= 10 && i <= 15 && o <= 6) || (i > 6 && o > 6);
        return revisions && own == other;
    }
    return own == other;
}

void CDevice::ApplyLinpriRule()
{
    if (m_DeviceName.revision >= 16)
        return;
    CDeviceSetting* linpri = FindSetting("LINPRI", true);
    // Only a range ("0-3") is turned into a list; a reader that reports the list itself
    // ("0|1|2|3|") already says which values it takes.
    if (!linpri || !linpri->allowedValues.empty())
        return;
    // A range far beyond any real one would only build a useless list.
    if (linpri->maximum >= linpri->minimum && linpri->maximum - linpri->minimum <= 1000)
        for (int v = linpri->minimum; v <= linpri->maximum; ++v)
            linpri->allowedValues.push_back(std::to_string(v));
    linpri->minimum = 0;
    linpri->maximum = 0;
}

// ---- firmware entry points -----------------------------------------------------------------------

std::string CDevice::FirmwareNotAvailable(std::string& resultText)
{
    resultText = "Firmware loading is not available in this version.";
    return resultText;
}

bool CDevice::LoadFirmware(std::string& resultText)
{
    UserOperation operation;
    return LoadFirmwareEx(resultText, 0, nullptr, false, true);
}

bool CDevice::LoadBootCode(std::string& resultText)
{
    UserOperation operation;
    return LoadBootCodeEx(resultText, 0, false);
}

// LoadFirmwareEx, LoadBootCodeEx, LoadFirmwareFromFile and FlashHexFile: CDeviceFirmware.cpp.

bool CDevice::LoadBootCodeFromFile(std::string& resultText, int, bool)
{
    resultText = "Device does not support boot downloads";
    return false;
}

void CDevice::BeginSettingsWrite() { }

void CDevice::EndSettingsWrite() { }

// ---- reading -------------------------------------------------------------------------------------

void CDevice::ReadTerminalTable(const TabDefinitions& definitions)
{
    for (int row = 0; row < definitions.RowCount(); ++row) {
        if (EqualNoCase(Trim(definitions.Field(row, TabColumn::Command)), "TERMID")) {
            m_Blocks.ReadTerminalTable(definitions.Field(row, TabColumn::GroupList));
            return;
        }
    }
    m_Blocks.ReadTerminalTable("");
}

void CDevice::ParsePrefixSuffixBlocks() { m_Blocks.ParsePrefixSuffixBlocks(*this); }

void CDevice::ParseDataFormatBlocks() { m_Blocks.ParseDataFormatBlocks(*this); }

bool CDevice::ReadAllSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                              const std::vector<std::string>& excluded)
{
    UserOperation operation;
    HReceivedDataLock lock(this);
    if (!EnsureConnected())
        return false;
    ReadTerminalTable(definitions);
    WaitCursor cursor;
    const int tables = std::clamp(m_TableCount, 1, CDeviceSetting::kMaxTables);
    int position = 0;
    if (progress)
        progress->SetRange(10 * tables + 50);
    auto step = [&]() {
        if (progress)
            progress->SetPosition(++position);
    };

    HSTRING tableText(16);
    m_pCommandHandler->QueryCommand("CURTBL", &tableText);
    const int returnTable
        = std::clamp(IntegerValue(std::string(tableText.Text(), tableText.Length())), 0, CDeviceSetting::kMaxTables - 1);
    step();

    // The line has no checksum, and a value damaged on the way would be shown and later
    // written back to the reader as if the user had set it. Each table's values are asked for
    // twice: two answers that differ mean damage, and the read fails rather than go on.
    std::vector<std::string> replies(static_cast<size_t>(tables));
    bool stopped = false;
    for (int i = 0; i < tables && !stopped; ++i) {
        m_pSerComm->DrainInput(50);
        std::string& reply = replies[static_cast<size_t>(i)];
        std::string again;
        if (!SelectTable(i, false) || !SendCommandAndWait("?.", reply, 5000) || !SendCommandAndWait("?.", again, 5000)
            || again != reply)
            stopped = true;
        else
            step();
    }
    SelectTable(returnTable, false);
    if (stopped)
        return false;
    step();

    std::string ranges, defaults;
    m_pSerComm->DrainInput(50);
    if (!SendCommandAndWait("*.", ranges, 5000))
        return false;
    step();
    m_pSerComm->DrainInput(50);
    m_pCommandHandler->ProbeCapabilities();
    if (!SendCommandAndWait("^.", defaults, 1000))
        return false;
    step();

    // A reader without settings answers ACK "." alone.
    for (const std::string* reply : { &ranges, &defaults }) {
        if (*reply != std::string { static_cast<char>(CMenuCommands::ACK), '.' } && !WellFormedWholeTableReply(*reply))
            return false;
    }
    for (const std::string& reply : replies) {
        if (reply != std::string { static_cast<char>(CMenuCommands::ACK), '.' } && !WellFormedWholeTableReply(reply))
            return false;
    }
    // The line has no checksum: a byte lost or garbled in a tag or separator can still leave a
    // well-formed reply, with a setting under a wrong name or swallowed into its neighbour's value.
    // Every answer lists the reader's settings in the same order, so any difference between them
    // is damage on the line, and the read fails rather than show wrong settings.
    const std::string empty { static_cast<char>(CMenuCommands::ACK), '.' };
    const std::vector<std::string> tags = replies[0] == empty ? std::vector<std::string> {} : WholeTableTags(replies[0]);
    for (const std::string* reply : { &ranges, &defaults }) {
        if (*reply != empty && WholeTableTags(*reply) != tags)
            return false;
    }
    for (const std::string& reply : replies) {
        if ((reply == empty ? std::vector<std::string> {} : WholeTableTags(reply)) != tags)
            return false;
    }

    m_Settings.clear();
    std::string& first = replies[0];
    while (!first.empty()) {
        ::PumpWaitingMessages();
        CDeviceSetting setting;
        setting.tag = first.substr(0, 6);
        const bool isExcluded = IsExcludedTag(setting.tag, excluded);
        for (int j = 0; j < tables; ++j)
            setting.tableValues[static_cast<size_t>(j)] = TakeEntryValue(replies[static_cast<size_t>(j)]);
        if (isExcluded)
            continue;
        FindTaggedValue(defaults, setting.tag, setting.defaultValue);
        std::string range;
        if (FindTaggedValue(ranges, setting.tag, range)) {
            long minimum = 0;
            long maximum = 0;
            ParseRange(range, setting.allowedValues, minimum, maximum);
            setting.minimum = ClampToInt(minimum);
            setting.maximum = ClampToInt(maximum);
        }
        m_Settings.push_back(std::move(setting));
    }
    step();
    std::string reply;
    SendCommandAndWait("mnubep1!", reply, 1000);

    UpdateWizardFlag();
    BuildSymbologyTable();
    ParsePrefixSuffixBlocks();
    ParseDataFormatBlocks();
    return true;
}

bool CDevice::ReadBackCurrentTable(ProgressWindow* progress)
{
    UserOperation operation;
    if (!EnsureConnected())
        return false;
    HReceivedDataLock lock(this);
    std::string reply;
    if (!SendCommandAndWait("?.", reply, 1000))
        return false;
    if (progress)
        progress->SetRange(static_cast<int>(reply.size()));
    const size_t total = reply.size();
    while (!reply.empty()) {
        const std::string tag = reply.substr(0, 6);
        const std::string value = TakeEntryValue(reply);
        if (CDeviceSetting* setting = FindSetting(tag, true))
            setting->tableValues[static_cast<size_t>(std::clamp(m_CurrentTable, 0, CDeviceSetting::kMaxTables - 1))] = value;
        if (progress)
            progress->SetPosition(static_cast<int>(total - reply.size()));
    }
    return true;
}

// ---- offline ---------------------------------------------------------------------------------------

void CDevice::BuildOfflineListSetting(CDeviceSetting& setting, const std::string& defaultText,
                                      const std::string& groupList)
{
    std::string value;
    std::vector<std::string> allowed;
    if (setting.tag == "232PAR") {
        value = Lookup(std::begin(kParityLetters), std::end(kParityLetters), defaultText, false);
        allowed = { "N", "E", "O", "M", "S" };
    } else if (setting.tag == "SCNLED") {
        value = Lookup(std::begin(kLedLevels), std::end(kLedLevels), defaultText, false);
        allowed = { "HIGH", "LOW", "OFF" };
    } else if (setting.tag == "232BDR") {
        value = defaultText;
        allowed.assign(std::begin(kOfflineRates), std::end(kOfflineRates));
    } else if (setting.tag == "BT_LPT") {
        value = defaultText;
        allowed.assign(std::begin(kOfflinePowerDowns), std::end(kOfflinePowerDowns));
    } else {
        const std::vector<std::string> items = SplitGroupList(groupList);
        for (size_t i = 0; i < items.size(); ++i) {
            if (value.empty() && EqualNoCase(items[i], defaultText))
                value = std::to_string(i);
            allowed.push_back(std::to_string(i));
        }
    }
    setting.defaultValue = value;
    for (std::string& table : setting.tableValues)
        table = value;
    setting.allowedValues = allowed;
    setting.minimum = 0;
    setting.maximum = 0;
}

bool CDevice::BuildOfflineSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                                   const std::vector<std::string>& excluded)
{
    if (m_DeviceName.catalogRow < 0)
        return false;
    ReadTerminalTable(definitions);
    m_Settings.clear();
    const int rows = definitions.RowCount();
    if (progress)
        progress->SetRange(std::max(0, rows - 1));
    WaitCursor cursor;
    for (int i = 0; i < rows; ++i) {
        if (progress)
            progress->SetPosition(i);
        const TabDefinitionRow row = definitions.Row(i);
        const std::string tag = row.command;
        if (IsExcludedTag(tag, excluded) || !m_DeviceName.IsInProductList(row.productList))
            continue;
        const std::string type = Trim(row.type);
        const std::string defaultText = Trim(row.defaultValue);
        CDeviceSetting setting;
        setting.tag = tag;
        if (type == ControlType::Radio1 || type == ControlType::Radio2 || type == ControlType::ComboBox) {
            BuildOfflineListSetting(setting, defaultText, row.groupList);
        } else {
            setting.defaultValue = defaultText;
            setting.minimum = IntegerValue(Trim(row.min));
            setting.maximum = IntegerValue(Trim(row.max));
            for (std::string& table : setting.tableValues)
                table = defaultText;
            const std::string& list = row.groupList;
            size_t start = 0;
            bool barAfterFirst = false;
            for (size_t at = 0; at < list.size(); ++at) {
                if (list[at] != '|')
                    continue;
                setting.allowedValues.push_back(list.substr(start, at - start));
                barAfterFirst = barAfterFirst || at >= 1;
                start = at + 1;
            }
            if (barAfterFirst)
                setting.allowedValues.push_back(list.substr(start));
        }
        m_Settings.push_back(std::move(setting));
    }
    UpdateWizardFlag();
    BuildSymbologyTable();
    ParsePrefixSuffixBlocks();
    ParseDataFormatBlocks();
    return true;
}

// ---- values and captions for the pages -------------------------------------------------------------

bool CDevice::GetControlValues(const std::string& tag, std::vector<std::string>& values,
                               const std::vector<std::string>* substitutes)
{
    CDeviceSetting* setting = FindSetting(tag);
    if (!setting) {
        values.push_back({});
        return false;
    }
    if (setting->allowedValues.empty() && setting->maximum > 0) {
        std::vector<std::string> generated;
        const long minimum = setting->minimum;
        const long maximum = setting->maximum;
        if (maximum - minimum > 200) {
            if (substitutes) {
                if (tag == "BT_LPT") {
                    generated.push_back("0");
                    if (substitutes->size() > 1)
                        generated.insert(generated.end(), substitutes->begin() + 1, substitutes->end());
                } else {
                    generated = *substitutes;
                }
            } else {
                generated.push_back(std::to_string(minimum));
                long current = 0;
                if (DecimalValue(setting->ValueForDevice(m_CurrentTable), current) && current > minimum && current < maximum)
                    generated.push_back(std::to_string(current));
                generated.push_back(std::to_string(maximum));
            }
        } else {
            for (long v = minimum; v <= maximum; ++v)
                generated.push_back(std::to_string(v));
        }
        // The setting has become a list setting: it keeps the values it now offers, so the
        // next page build offers the same ones.
        setting->allowedValues = generated;
        setting->minimum = 0;
        setting->maximum = 0;
    }
    const size_t before = values.size();
    values.insert(values.end(), setting->allowedValues.begin(), setting->allowedValues.end());
    if (values.size() > before && !values.back().empty() && values.back().back() == '|')
        values.back().pop_back();
    return true;
}

void CDevice::BuildOptionCaptions(const std::string& tag, const std::string& groupList,
                                  std::vector<std::string>& captions, bool allLabels)
{
    std::vector<std::string> labels = SplitGroupList(groupList);
    captions.clear();
    if (allLabels) {
        captions = labels;
        return;
    }
    const bool orvRadioCodes = tag == "RADCOD" && gOrvApplication;
    if (orvRadioCodes && labels.size() > 126) {
        if (labels.size() > 127)
            labels.erase(labels.begin() + 127);
        labels.erase(labels.begin() + 7);
    }
    std::vector<std::string> values;
    if (!GetControlValues(tag, values))
        return;
    if (orvRadioCodes) {
        // Codes 7 and 127 are not offered. They go after the control values are known: a
        // reader that reports RADCOD as a range only gets its value list there, and removing
        // them first would offer them on the first build and not on the next.
        const auto withheld = [](const std::string& v) { return v == "7" || v == "127"; };
        if (CDeviceSetting* setting = FindSetting(tag)) {
            auto& allowed = setting->allowedValues;
            allowed.erase(std::remove_if(allowed.begin(), allowed.end(), withheld), allowed.end());
        }
        values.erase(std::remove_if(values.begin(), values.end(), withheld), values.end());
    }
    for (const std::string& value : values) {
        std::string caption;
        if (tag == "232BDR") {
            caption = value;
        } else if (tag == "232PAR") {
            caption = Lookup(std::begin(kParityCaptions), std::end(kParityCaptions), value, false);
        } else if (tag == "SCNLED") {
            caption = Lookup(std::begin(kLedCaptions), std::end(kLedCaptions), value, false);
        } else if (tag == "BT_LPT") {
            caption = value == "0" ? "None" : value;
        } else {
            long index = 0;
            if (DecimalValue(value, index) && index < static_cast<long>(labels.size()))
                caption = labels[static_cast<size_t>(index)];
        }
        captions.push_back(caption.empty() ? kNoCaption : caption);
    }
}

OptionCaptionBuilder CDevice::CaptionBuilder()
{
    return [this](CDeviceSetting& setting, const std::string& groupList) {
        std::vector<std::string> captions;
        BuildOptionCaptions(setting.tag, groupList, captions);
        // The row check may hand us a copy; keep both the same.
        if (CDeviceSetting* own = FindSetting(setting.tag); own && own != &setting) {
            own->optionCaptions = captions;
            setting.allowedValues = own->allowedValues;
            setting.minimum = own->minimum;
            setting.maximum = own->maximum;
        }
        setting.optionCaptions = captions;
    };
}

// ---- writing ---------------------------------------------------------------------------------------

void CDevice::SplitByTags(const char* const* tags, size_t tagCount, std::string& text, std::string& serialCommands,
                          std::string& terminalCommand, std::array<std::string, 4>& lineValues)
{
    for (size_t t = 0; t < tagCount; ++t) {
        const std::string tag = tags[t];
        const size_t at = text.find(tag);
        if (at == std::string::npos)
            continue;
        size_t end = text.find(';', at);
        if (end == std::string::npos)
            end = text.find('.', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string command = text.substr(at, end - at);
        if (command.empty())
            continue;
        if (tag == "TERMID") {
            terminalCommand = command + ".";
        } else {
            serialCommands += command + ";";
            const std::string value = command.substr(std::min<size_t>(6, command.size()));
            const std::string kind = tag.substr(3);
            if (kind == "BDR" || kind == "BAD")
                lineValues[0] = value;
            else if (kind == "PAR")
                lineValues[1] = value;
            else if (kind == "STP")
                lineValues[2] = value;
            else
                lineValues[3] = value;
        }
        if (at > 0)
            text.erase(at - 1, end - at + 1);
        else
            text.erase(0, std::min(text.size(), end + 1));
    }
}

bool CDevice::SplitSerialCommands(std::string& commandText, std::string& serialCommands, std::string& terminalCommand,
                                  std::array<std::string, 4>& lineValues)
{
    serialCommands.clear();
    terminalCommand.clear();
    lineValues = {};
    const std::string before = commandText;
    SplitByTags(kSerialTags, std::size(kSerialTags), commandText, serialCommands, terminalCommand, lineValues);
    return commandText != before;
}

std::vector<std::string> CDevice::BuildBlockCommands() const
{
    std::vector<std::string> commands;
    m_Blocks.BuildPrefixSuffixCommands(*this, commands);
    m_Blocks.BuildDataFormatCommands(*this, commands);
    return commands;
}

void CDevice::SendBlockCommands(std::string& replies, ProgressWindow* progress, int basePosition)
{
    const std::vector<std::string> commands = BuildBlockCommands();
    for (size_t i = 0; i < commands.size(); ++i) {
        SendBatch(commands[i], replies);
        if (progress)
            progress->SetPosition(basePosition + static_cast<int>(i) + 1);
    }
}

bool CDevice::WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors)
{
    UserOperation operation;
    HReceivedDataLock lock(this);
    std::string reply;
    if (m_pSerComm)
        m_pSerComm->DrainInput(200);
    SendCommandAndWait("mnubep0!", reply, 1000);

    std::string text = commandText;
    std::string serial, terminal;
    std::array<std::string, 4> lineValues;
    const bool split = SplitSerialCommands(text, serial, terminal, lineValues);

    const int length = static_cast<int>(text.size());
    if (progress)
        progress->SetRange(length + length / 10);
    std::string replies;
    bool result = true;
    int position = 0;
    for (const std::string& batch : SplitIntoBatches(text)) {
        position += static_cast<int>(batch.size());
        if (!SendBatch(batch, replies))
            result = false;
        if (progress)
            progress->SetPosition(std::min(position, length));
    }
    SendBlockCommands(replies, progress, length);

    std::string unclassified;
    if (split) {
        if (!serial.empty()) {
            serial.pop_back();
            SendBatch(serial, unclassified);
        }
        std::string settings;
        if (Connect(settings) != kConnected)
            result = false;
    }
    if (!terminal.empty())
        SendBatch(terminal, unclassified);

    ClassifyReplies(replies, errors.notPresent, errors.outOfRange, errors.noResponse);
    SendCommandAndWait("mnubep1!", reply, 1000);
    return result;
}

// ---- stored form -------------------------------------------------------------------------------------

void WriteDeviceName(CArchiveWriter& archive, const CDeviceName& name)
{
    archive.WriteString(name.baseNumber);
    archive.WriteInt32(name.revision);
    archive.WriteInt32(name.catalogRow);
    archive.WriteInt32(name.deviceId);
    archive.WriteString(name.productId);
}

CDeviceName ReadDeviceName(CArchiveReader& archive)
{
    CDeviceName name;
    name.baseNumber = archive.ReadString();
    name.revision = archive.ReadInt32();
    name.catalogRow = archive.ReadInt32();
    name.deviceId = archive.ReadInt32();
    name.productId = archive.ReadString();
    return name;
}

void WriteDeviceSetting(CArchiveWriter& archive, const CDeviceSetting& setting, int tableCount)
{
    archive.WriteString(setting.tag);
    archive.WriteString(setting.defaultValue);
    archive.WriteInt32(setting.minimum);
    archive.WriteInt32(setting.maximum);
    archive.WriteInt32(setting.sameAllTables);
    for (int table = 0; table < tableCount; ++table)
        archive.WriteString(setting.ValueForDevice(table));
    archive.WriteStringList(setting.allowedValues);
}

CDeviceSetting ReadDeviceSetting(CArchiveReader& archive, int tableCount)
{
    CDeviceSetting setting;
    setting.tag = archive.ReadString();
    setting.defaultValue = archive.ReadString();
    setting.minimum = archive.ReadInt32();
    setting.maximum = archive.ReadInt32();
    setting.sameAllTables = archive.ReadInt32();
    for (int table = 0; table < tableCount; ++table)
        setting.tableValues[static_cast<size_t>(table)] = archive.ReadString();
    setting.allowedValues = archive.ReadStringList();
    return setting;
}

void CDevice::Write(CArchiveWriter& archive) const
{
    const int tables = std::clamp(m_TableCount, 0, CDeviceSetting::kMaxTables);
    archive.WriteInt32(kStoredFormat);
    archive.WriteInt32(m_LinkCode);
    archive.WriteInt32(m_CurrentTable);
    archive.WriteInt32(tables);
    archive.WriteString(m_EorText);
    archive.WriteInt32(m_Blocks.GetWizardFlag() ? 1 : 0);
    archive.WriteCount(m_Settings.size());
    for (const CDeviceSetting& setting : m_Settings)
        WriteDeviceSetting(archive, setting, tables);
    m_Blocks.WritePrefixSuffixLists(archive);
    m_Blocks.WriteDataFormatLists(archive);
    m_Blocks.WriteCodeTables(archive);
    WriteDeviceName(archive, m_DeviceName);
}

bool CDevice::Read(CArchiveReader& archive)
{
    m_FormatNumber = archive.ReadInt32();
    if (m_FormatNumber != kStoredFormat)
        return false;
    const std::int32_t linkCode = archive.ReadInt32();
    const std::int32_t currentTable = archive.ReadInt32();
    const std::int32_t tables = archive.ReadInt32();
    // A reader keeps at most nine tables; anything else is not a document we wrote.
    if (tables < 0 || tables > CDeviceSetting::kMaxTables)
        throw ArchiveError("table count out of range");
    if (currentTable < 0 || currentTable >= CDeviceSetting::kMaxTables)
        throw ArchiveError("current table out of range");
    std::string eor = archive.ReadString();
    const bool wizard = archive.ReadInt32() != 0;
    // tag, default (1 byte each at least), three int32, the table values, the list count.
    const size_t count = archive.ReadCount(1 + 1 + 12 + static_cast<size_t>(tables) + 4);
    std::vector<CDeviceSetting> settings;
    settings.reserve(count);
    for (size_t i = 0; i < count; ++i)
        settings.push_back(ReadDeviceSetting(archive, tables));
    CBlockSet blocks;
    blocks.ReadPrefixSuffixLists(archive);
    blocks.ReadDataFormatLists(archive);
    blocks.ReadCodeTables(archive);
    blocks.SetWizardFlag(wizard);
    CDeviceName name = ReadDeviceName(archive);

    m_LinkCode = static_cast<uint16_t>(linkCode);
    m_CurrentTable = currentTable;
    m_TableCount = tables;
    m_EorText = std::move(eor);
    m_Settings = std::move(settings);
    m_Blocks = std::move(blocks);
    m_DeviceName = std::move(name);
    return true;
}

// ---- wireless classes ------------------------------------------------------------------------

namespace {

constexpr const char* kWirelessSerialTags[] = { "TERMID", "AUXBDR", "AUXPAR", "AUXSTP", "AUXLEN" };

} // namespace

bool CDevice::WirelessSplitSerialCommands(std::string& commandText, std::string& serialCommands,
                                          std::string& terminalCommand, std::array<std::string, 4>& lineValues)
{
    serialCommands.clear();
    terminalCommand.clear();
    lineValues = {};
    const std::string before = commandText;
    SplitByTags(kWirelessSerialTags, std::size(kWirelessSerialTags), commandText, serialCommands, terminalCommand,
                lineValues);
    return commandText != before;
}

bool CDevice::WirelessWriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors)
{
    HReceivedDataLock lock(this);
    std::string text = commandText;
    std::string serial, terminal;
    std::array<std::string, 4> lineValues;
    SplitSerialCommands(text, serial, terminal, lineValues);

    const int length = static_cast<int>(text.size());
    if (progress)
        progress->SetRange(length + length / 10);
    std::string replies;
    bool result = true;
    int failures = 0;
    bool haveRadio = false, haveBase = false;
    std::string radioValue, baseValue;

    // A reply that did not come back complete stands in as the command itself, so the
    // command is reported as unanswered.
    auto sendSingle = [&](const std::string& command) {
        std::string reply;
        const bool complete = SendCommandAndWait(command, reply, 1000);
        if (reply.empty() || !complete) {
            replies += command;
            return false;
        }
        replies += reply;
        return true;
    };

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string command = text.substr(start, end - start);
        start = end + 1;
        if (progress)
            progress->SetPosition(std::min(static_cast<int>(end), length));
        if (!command.empty() && command.back() == '.')
            command.pop_back();
        if (command.empty())
            continue;
        // The radio settings go last, each unlocked by "QxRcCd." first: changing them
        // earlier could cut the link before the other settings are through.
        if (command.find("RADCOD") != std::string::npos) {
            haveRadio = true;
            radioValue = command.substr(std::min<size_t>(6, command.size()));
            continue;
        }
        if (command.find("BASEID") != std::string::npos) {
            haveBase = true;
            baseValue = command.substr(std::min<size_t>(6, command.size()));
            continue;
        }
        if (!sendSingle(command + ".") && ++failures >= 2) {
            ShowMessage("Aborting write, communication problem.");
            result = false;
            break;
        }
    }
    std::string ignored;
    if (haveRadio && result) {
        SendCommandAndWait("QxRcCd.", ignored, 1000);
        sendSingle("RADCOD" + radioValue + ".");
    }
    if (haveBase && result) {
        SendCommandAndWait("QxRcCd.", ignored, 1000);
        sendSingle("BASEID" + baseValue + ".");
    }
    SendBlockCommands(replies, progress, length);

    std::string unclassified;
    if (!serial.empty()) {
        serial.pop_back();
        SendBatch(serial, unclassified);
        std::string settings;
        if (Connect(settings) != kConnected)
            result = false;
    }
    if (!terminal.empty() && !SendBatch(terminal, unclassified))
        result = false;
    ClassifyReplies(replies, errors.notPresent, errors.outOfRange, errors.noResponse);
    return result;
}

std::string CDevice::WirelessDefaultsCommand() const
{
    const char fnc3 = static_cast<char>(kFnc3);
    return std::string("~DEFALT.") + fnc3 + "~GRPSEL" + std::to_string(m_CurrentTable) + "." + fnc3;
}

std::string CDevice::WirelessClosingCommands() const
{
    const char fnc3 = static_cast<char>(kFnc3);
    const CDeviceSetting* base = FindSetting("BASEID");
    const std::string value = base ? base->ValueForDevice(m_CurrentTable) : std::string();
    return std::string("~BASEID") + value + "." + fnc3 + "~REMOVE." + fnc3;
}
