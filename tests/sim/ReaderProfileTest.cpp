// Profile files: the loader's refusals, and the shipped profiles against the shipped catalog
// and tab definitions.
#include "sim/SimulatedReader.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace simtest;

namespace {

const std::string kHead = "name t\nrev_qx QX80001005-012\nrev_sw x\np_name P\nlink 0xCE31\nline 9600 8N1\ntables 1\n";

struct BadProfile {
    std::string text;
    std::string reason;  // part of the error text
};

}  // namespace

TEST(ReaderProfileLoader, RefusesBrokenProfiles)
{
    const BadProfile rows[] = {
        /* 0*/ {"name t\n", "missing \"rev_qx\""},
        /* 1*/ {kHead + "color blue\n", "line 8: unknown key"},
        /* 2*/ {kHead + "tables 2\n", "line 8: \"tables\" given twice"},
        /* 3*/ {"name t\nrev_qx 80001005-012\n", "line 2: rev_qx must hold"},
        /* 4*/ {"name t\nline 9600 9N1\n", "data bits must be 7 or 8"},
        /* 5*/ {"name t\nline 9600 8X1\n", "parity must be"},
        /* 6*/ {"name t\nlink 0x12345\n", "link code"},
        /* 7*/ {"name t\ntables 10\n", "tables must be 1 to 9"},
        /* 8*/ {kHead + "setting ABC range=0-1 default=0 values=0\n", "six-character tag"},
        /* 9*/ {kHead + "setting ABCDEF range=0-1 default=2 values=0\n", "default of ABCDEF is outside"},
        /*10*/ {kHead + "setting ABCDEF range=0-1 default=0 values=0,1\n", "2 values for 1 tables"},
        /*11*/ {kHead + "setting ABCDEF range=a|b| default=a values=c\n", "value of ABCDEF in table 0"},
        /*12*/ {kHead + "setting ABCDEF range=0-1 default=0\n", "needs range=, default= and values="},
        /*13*/ {kHead + "setting ABCDEF range=0-1 default=0 values=0\nsetting abcdef range=0-1 default=0 values=0\n",
                "line 9: setting abcdef given twice"},
        /*14*/ {kHead + "setting ABCDEF range=0-1 default=%0 values=0\n", "two hex digits"},
        /*15*/ {kHead + "setting ABCDEF range=0-9 default=%06 values=0\n", "ENQ, ACK or NAK"},
        /*16*/ {kHead + "setting 232BDR range=0-999999 default=9600 values=19200 global\n", "line is 9600 8N1"},
        /*17*/ {kHead + "setting 232BDR range=0-999999 default=9600 values=9600\n", "must be global"},
        /*18*/ {kHead + "setting AZTENA range=0-1 default=0 values=1\n", "needs the \"aztec\" capability"},
        /*19*/ {"name t\ncaps tables\ntables 2\n", "missing"},
        /*20*/ {kHead.substr(0, kHead.size() - 9) + "tables 2\n", "needs the \"tables\" capability"},
        /*21*/ {kHead + "caps image\n", "needs \"image\" width and height"},
        /*22*/ {kHead + "model \x01\n", "line 8: only printable ASCII"},
        /*23*/ {kHead + "setting ABCDEF range=0-3 default=0 values=0 text\nsetting ABCDEG range=0-3 default=12345 values=0 text\n",
                "default of ABCDEG"},
        /*24*/ {std::string(ReaderProfile::kMaxFileBytes + 1, '#'), "larger than"},
        /*25*/ {kHead + "scanners a,b\n", "scanner names"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        ReaderProfile profile;
        std::string error;
        EXPECT_FALSE(ReaderProfile::Parse(rows[i].text, profile, error)) << "row " << i;
        EXPECT_NE(error.find(rows[i].reason), std::string::npos) << "row " << i << ": " << error;
    }
}

TEST(ReaderProfileLoader, ReadsEscapesAndPerTableValues)
{
    const ReaderProfile profile = ParseProfile(kHead.substr(0, kHead.size() - 9) +
                                               "tables 3\ncaps tables\n"
                                               "setting PREBLK range=0-20 default=%20a%2Cb values=x,,y%25 text\n");
    const ProfileSetting* setting = profile.Find("preblk");
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(setting->defaultValue, " a,b");
    EXPECT_EQ(setting->values, (std::vector<std::string> {"x", "", "y%"}));
}

TEST(ReaderProfileLoader, NamesAreNotPaths)
{
    ReaderProfile profile;
    std::string error;
    EXPECT_FALSE(ReaderProfile::LoadByName("..", profile, error));
    EXPECT_FALSE(ReaderProfile::LoadByName("no_such_profile", profile, error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos);
}

namespace {

// The shipped data files, read the simple way: comma-separated rows, "//" lines skipped,
// a trailing backslash joins lines.
std::vector<std::vector<std::string>> ReadDataFile(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    std::string physical, logical;
    auto trim = [](std::string s) {
        s.erase(0, s.find_first_not_of(" \t\r"));
        s.erase(s.find_last_not_of(" \t\r") + 1);
        return s;
    };
    while (std::getline(in, physical)) {
        physical = trim(physical);
        if (!physical.empty() && physical.back() == '\\') {
            logical += physical.substr(0, physical.size() - 1);
            continue;
        }
        logical += physical;
        const std::string line = trim(logical);
        logical.clear();
        if (line.empty() || line.find("//") != std::string::npos)
            continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, ','))
            fields.push_back(trim(field));
        rows.push_back(fields);
    }
    return rows;
}

bool MaskApplies(std::string mask, int id)
{
    std::string digits;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask.compare(i, 2, "0x") == 0) {
            ++i;
            continue;
        }
        if (mask[i] != ' ')
            digits += mask[i];
    }
    const long pos = static_cast<long>(digits.size()) - 1 - id / 4;
    if (pos < 0 || !std::isxdigit(static_cast<unsigned char>(digits[static_cast<size_t>(pos)])))
        return false;
    const int value = std::stoi(std::string(1, digits[static_cast<size_t>(pos)]), nullptr, 16);
    return (value >> (id % 4)) & 1;
}

bool ProductIdMatches(const std::string& pattern, const std::string& id)
{
    if (pattern == "?")
        return true;
    if (pattern.size() != id.size())
        return false;
    for (size_t i = 0; i < id.size(); ++i) {
        if (pattern[i] != '?' && pattern[i] != id[i])
            return false;
    }
    return true;
}

// What a host concludes from a probe answer (the decision the connection logic makes);
// returns parity and data bits, or "" when it cannot tell.
std::string Decide(const std::string& b, bool hostNoParity)
{
    const auto u = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
    if (b.size() < 4)
        return "";
    if (hostNoParity) {
        if (u(0) == 0x06 && u(1) == 0x15 && (u(2) & 0xCF) == 0xCE) return "N8";
        if (u(0) == 0x06 && u(1) == 0x15 && (u(2) & 0xCF) == 0x4E) return "S7";
        if (u(0) == 0x06 && u(1) == 0x95) return "E7";
        if (u(0) == 0x86 && u(1) == 0x15) return "O7";
        if (u(0) == 0x86 && u(1) == 0x95) return "M7";
        return "";
    }
    if (u(0) == 0x06 && u(1) == 0x1F && u(3) == 0x1F) return "E8";
    if (u(0) == 0x06 && u(1) == 0x15) return "S8";
    if (u(0) == 0x1F && u(1) == 0x15 && u(2) == 0x1F) return "O8";
    if (u(0) == 0x1F && u(1) == 0x1F && u(2) == 0x1F && u(3) == 0x1F) return "M8";
    return "";
}

}  // namespace

TEST(ShippedProfiles, MatchCatalogTabDefinitionsAndProbe)
{
    const std::string data = KESTREL_SOURCE_DATA_DIR;
    const auto catalog = ReadDataFile(data + "/QXDevFil.dat");
    const auto tabs = ReadDataFile(data + "/TabFile.Dat");
    ASSERT_FALSE(catalog.empty());
    ASSERT_FALSE(tabs.empty());

    const std::vector<std::string> paths = ReaderProfile::ListProfiles();
    std::map<std::string, int> classes;
    for (const std::string& path : paths) {
        ReaderProfile profile;
        std::string error;
        ASSERT_TRUE(ReaderProfile::LoadFile(path, profile, error)) << error;
        SCOPED_TRACE(profile.name);

        // A catalog row with the profile's base number, class and a product id pattern it fits.
        const size_t qx = profile.revQx.find("QX");
        const std::string base = profile.revQx.substr(qx + 2, 8);
        int deviceId = -1;
        for (const auto& row : catalog) {
            if (row.size() >= 8 && row[2].substr(2) == base && row[3] == profile.deviceClass &&
                row[7] != "?" && ProductIdMatches(row[7], profile.productId))
                deviceId = std::stoi(row[0]);
        }
        ASSERT_GE(deviceId, 0) << "no catalog row for " << base << " " << profile.productId;
        ++classes[profile.deviceClass];

        // Every tab row for the model names a setting the reader has; some settings have no row.
        int described = 0;
        for (const auto& row : tabs) {
            if (row.size() < 6 || row[3] == "UNUSED" || !MaskApplies(row[5], deviceId))
                continue;
            EXPECT_NE(profile.Find(row[0]), nullptr) << "row " << row[0] << " has no setting";
        }
        for (const ProfileSetting& setting : profile.settings) {
            for (const auto& row : tabs) {
                if (row.size() >= 6 && row[0] == setting.tag && MaskApplies(row[5], deviceId)) {
                    ++described;
                    break;
                }
            }
        }
        EXPECT_LT(described, static_cast<int>(profile.settings.size())) << "no setting for the extra page";

        // The probe tells the reader's format: at 8N1 for readers of 7 data bits or none, at
        // 8S1 with parity errors replaced for readers of 8 data bits with parity.
        auto reader = std::make_shared<SimulatedReader>(profile);
        auto line = reader->OpenLine();
        const LineFormat format = profile.line;
        const bool plain = format.dataBits == 7 || format.parity == 'N';
        SetHostFormat(*line, format.rate, plain ? 'N' : 'S', 8, 1, !plain);
        const std::string answer = Exchange(*line, "\x16" "C\r");
        const std::string expected = std::string(1, format.parity) + std::to_string(format.dataBits);
        EXPECT_EQ(Decide(answer, plain), expected);
    }
    EXPECT_EQ(classes.size(), 7u) << "one profile per device class";
}

TEST(ShippedProfiles, MultiTableReadersReportEveryTable)
{
    std::string error;
    auto reader = SimulatedReader::FromProfile("5820bs", error);
    ASSERT_TRUE(reader) << error;
    auto line = reader->OpenLine();
    SetHostFormat(*line, 57600, 'N', 8);
    EXPECT_EQ(Menu(*line, "curtbl*."), "curtbl0-3\x06.");
    std::vector<std::string> replies;
    for (int table = 0; table < 4; ++table) {
        Menu(*line, "CURTBL" + std::to_string(table) + ".");
        replies.push_back(Menu(*line, "?."));
    }
    EXPECT_NE(replies[0], replies[1]);
    EXPECT_NE(replies[1].find("BEPVOL2\x06;"), std::string::npos);
    EXPECT_NE(replies[3].find("PREBK299024142|\x06;"), std::string::npos);
}
