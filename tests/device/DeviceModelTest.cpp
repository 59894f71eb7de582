// The device model without a reader: offline settings from the tab definitions, the values and
// captions list controls offer, and the stored form with its damage handling.
#include "DeviceTestBench.h"

#include "device/CDevice.h"
#include "device/CRFBaseDevice.h"
#include "device/DeviceFactory.h"
#include "platform/Archive.h"

namespace {

using Strings = std::vector<std::string>;

class DeviceModelTest : public DeviceBench { };

CDevice* OfflineDevice(std::unique_ptr<CDevice>& holder, const char* productId)
{
    holder = std::make_unique<CDevice>();
    CDeviceName& name = holder->DeviceName();
    for (int row = 0; row < TheDeviceCatalog().RowCount(); ++row) {
        if (TheDeviceCatalog().Field(row, CatalogColumn::ProdID) == productId) {
            name.catalogRow = row;
            name.baseNumber = TheDeviceCatalog().BaseNumber(row);
            name.deviceId = TheDeviceCatalog().DeviceId(row);
            name.productId = productId;
        }
    }
    return holder.get();
}

TEST_F(DeviceModelTest, OfflineSettingsComeFromTheTabDefinitions)
{
    std::unique_ptr<CDevice> holder;
    CDevice& device = *OfflineDevice(holder, "3800LR");
    ASSERT_GE(device.DeviceName().catalogRow, 0);
    ASSERT_TRUE(device.BuildOfflineSettings(TheTabDefinitions(), nullptr, { "OPS" }));
    EXPECT_EQ(device.FindSetting("OPSMOD"), nullptr);
    const CDeviceSetting* parity = device.FindSetting("232PAR");
    ASSERT_NE(parity, nullptr);
    EXPECT_EQ(parity->defaultValue, "N");
    EXPECT_EQ(parity->tableValues[8], "N");
    EXPECT_EQ(parity->allowedValues, (Strings { "N", "E", "O", "M", "S" }));
    const CDeviceSetting* rate = device.FindSetting("232BDR");
    ASSERT_NE(rate, nullptr);
    EXPECT_EQ(rate->defaultValue, "9600"); // the 3800 row, not the matrix one
    EXPECT_EQ(rate->allowedValues.size(), 10u);
    const CDeviceSetting* check = device.FindSetting("C39CK2");
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->defaultValue, "0");
    EXPECT_EQ(check->allowedValues, (Strings { "0", "1", "2" }));
    const CDeviceSetting* minimum = device.FindSetting("CBRMIN");
    ASSERT_NE(minimum, nullptr);
    EXPECT_EQ(minimum->minimum, 2);
    EXPECT_EQ(minimum->maximum, 60);
    EXPECT_EQ(minimum->defaultValue, "4");
    EXPECT_EQ(device.FindSetting("PDFENA"), nullptr); // not in the 3800's product list
    // Terminal table from the TERMID row.
    EXPECT_EQ(device.Blocks().TerminalNameFromCode("1"), "IBM 4683 Port 5B");

    CDevice unnamed;
    EXPECT_FALSE(unnamed.BuildOfflineSettings(TheTabDefinitions(), nullptr, {}));
}

CDeviceSetting Setting(const std::string& tag, int minimum, int maximum, Strings allowed = {}, const std::string& value = "")
{
    CDeviceSetting setting;
    setting.tag = tag;
    setting.minimum = minimum;
    setting.maximum = maximum;
    setting.allowedValues = std::move(allowed);
    setting.tableValues[0] = value;
    return setting;
}

TEST(ControlValues, RangesBecomeListsOnce)
{
    CDevice device;
    device.Settings() = { Setting("BEPLVL", 1, 3), Setting("232DLK", 0, 5000, {}, "250"), Setting("BT_LPT", 0, 7200),
                          Setting("SCNLED", 0, 0, { "HIGH", "LOW", "OFF|" }) };
    Strings values;
    EXPECT_TRUE(device.GetControlValues("BEPLVL", values));
    EXPECT_EQ(values, (Strings { "1", "2", "3" }));
    values.clear();
    EXPECT_TRUE(device.GetControlValues("BEPLVL", values)); // asked again: the same values
    EXPECT_EQ(values, (Strings { "1", "2", "3" }));
    values.clear();
    EXPECT_TRUE(device.GetControlValues("232DLK", values));
    EXPECT_EQ(values, (Strings { "0", "250", "5000" }));
    values.clear();
    const Strings substitutes { "x", "200", "400" };
    EXPECT_TRUE(device.GetControlValues("BT_LPT", values, &substitutes));
    EXPECT_EQ(values, (Strings { "0", "200", "400" }));
    values.clear();
    EXPECT_TRUE(device.GetControlValues("SCNLED", values));
    EXPECT_EQ(values, (Strings { "HIGH", "LOW", "OFF" }));
    values.clear();
    EXPECT_FALSE(device.GetControlValues("NOSUCH", values));
    EXPECT_EQ(values, Strings { "" });
}

TEST(OptionCaptions, EachTagHasItsRule)
{
    CDevice device;
    device.Settings() = { Setting("232PAR", 0, 0, { "N", "E", "X" }), Setting("SCNLED", 0, 0, { "HIGH", "LOW", "OFF" }),
                          Setting("BT_LPT", 0, 0, { "0", "900" }), Setting("232BDR", 0, 0, { "9600", "19200" }),
                          Setting("C39CK2", 0, 3) };
    Strings captions;
    device.BuildOptionCaptions("232PAR", "None|Even|Odd|Mark|Space", captions);
    EXPECT_EQ(captions, (Strings { "None", "Even", "N/A" }));
    device.BuildOptionCaptions("SCNLED", "", captions);
    EXPECT_EQ(captions, (Strings { "High", "Medium", "Low" }));
    device.BuildOptionCaptions("BT_LPT", "", captions);
    EXPECT_EQ(captions, (Strings { "None", "900" }));
    device.BuildOptionCaptions("232BDR", "", captions);
    EXPECT_EQ(captions, (Strings { "9600", "19200" }));
    device.BuildOptionCaptions("C39CK2", " No | Validate |Transmit", captions);
    EXPECT_EQ(captions, (Strings { "No", "Validate", "Transmit", "N/A" }));
    device.BuildOptionCaptions("C39CK2", "a|b", captions, true);
    EXPECT_EQ(captions, (Strings { "a", "b" }));
}

TEST(OptionCaptions, CountryCodesUnderTheOrvFlag)
{
    Strings labels;
    Strings values;
    for (int i = 0; i < 130; ++i) {
        labels.push_back("C" + std::to_string(i));
        values.push_back(std::to_string(i));
    }
    std::string groupList;
    for (const auto& label : labels)
        groupList += (groupList.empty() ? "" : "|") + label;
    for (bool orv : { true, false }) {
        SetOrvApplicationFlag(orv);
        CDevice device;
        device.Settings() = { Setting("RADCOD", 0, 0, values) };
        Strings captions;
        device.BuildOptionCaptions("RADCOD", groupList, captions);
        const auto& allowed = device.Settings()[0].allowedValues;
        const bool has7 = std::find(allowed.begin(), allowed.end(), "7") != allowed.end();
        const bool has127 = std::find(allowed.begin(), allowed.end(), "127") != allowed.end();
        EXPECT_EQ(has7, !orv);
        EXPECT_EQ(has127, !orv);
        ASSERT_EQ(captions.size(), allowed.size());
        // Labels 127 and 7 are gone, so value 8 now takes what was label 9.
        EXPECT_EQ(captions[orv ? 7 : 8], orv ? "C9" : "C8");

        // A reader that reports the codes as a range gets the same list on the first build
        // as on every later one.
        CDevice ranged;
        ranged.Settings() = { Setting("RADCOD", 0, 129, {}) };
        Strings first;
        Strings second;
        ranged.BuildOptionCaptions("RADCOD", groupList, first);
        const Strings firstAllowed = ranged.Settings()[0].allowedValues;
        ranged.BuildOptionCaptions("RADCOD", groupList, second);
        EXPECT_EQ(first, second);
        EXPECT_EQ(ranged.Settings()[0].allowedValues, firstAllowed);
        EXPECT_EQ(std::find(firstAllowed.begin(), firstAllowed.end(), "7") != firstAllowed.end(), !orv);
    }
    SetOrvApplicationFlag(true);
}

TEST_F(DeviceModelTest, StoredDeviceReadsBackEqual)
{
    std::unique_ptr<CDevice> holder;
    CDevice& device = *OfflineDevice(holder, "2020BS");
    ASSERT_TRUE(device.BuildOfflineSettings(TheTabDefinitions(), nullptr, {}));
    device.SetTableCount(3);
    device.SetCurrentTable(2);
    device.SetEorText("0x0A");
    device.Settings()[0].tableValues = { "a", "b", "c", "", "", "", "", "", "" };
    device.Settings()[1].defaultValue = std::string(300, 'x'); // the 0xFF length form
    CPreSufEntry entry(CPreSufEntry::kPrefix, "Code 39");
    entry.SetData("[ CR]ab");
    device.Blocks().GetPrefixSuffixList(2).push_back(entry);
    device.Blocks().GetPrefixSuffixList(CBlockSet::kExtraList).push_back(entry);
    CFormatKeyEntry format;
    format.SetSlot(3);
    format.SetCommands("{F1}41");
    device.Blocks().GetDataFormatList(8).push_back(format);
    device.Blocks().SetWizardFlag(true);

    CArchiveWriter writer;
    device.Write(writer);
    const std::string bytes = writer.TakeBytes();
    CArchiveReader reader(bytes);
    auto copy = CreateDevice(DeviceClassKind::CRFBaseDevice, nullptr);
    ASSERT_TRUE(copy->Read(reader));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(copy->TableCount(), 3);
    EXPECT_EQ(copy->CurrentTable(), 2);
    EXPECT_EQ(copy->EorText(), "0x0A");
    EXPECT_EQ(copy->DeviceName().productId, "2020BS");
    EXPECT_EQ(copy->DeviceName().catalogRow, device.DeviceName().catalogRow);
    EXPECT_TRUE(copy->Blocks() == device.Blocks());
    ASSERT_EQ(copy->Settings().size(), device.Settings().size());
    for (size_t i = 0; i < device.Settings().size(); ++i) {
        const CDeviceSetting& a = device.Settings()[i];
        const CDeviceSetting& b = copy->Settings()[i];
        EXPECT_EQ(a.tag, b.tag);
        EXPECT_EQ(a.defaultValue, b.defaultValue);
        EXPECT_EQ(a.allowedValues, b.allowedValues);
        EXPECT_EQ(a.minimum, b.minimum);
        EXPECT_EQ(a.maximum, b.maximum);
        // Only the device's tables are stored.
        for (int t = 0; t < 3; ++t)
            EXPECT_EQ(a.tableValues[t], b.tableValues[t]);
        EXPECT_EQ(b.tableValues[3], "");
    }
    // Writing the copy gives the same bytes again.
    CArchiveWriter again;
    copy->Write(again);
    EXPECT_EQ(again.Bytes(), bytes);

    // Every truncation is damage, reported as such.
    for (size_t cut = 0; cut < bytes.size(); cut += std::max<size_t>(1, bytes.size() / 200)) {
        const std::string part = bytes.substr(0, cut);
        CArchiveReader partial(part);
        CDevice target;
        EXPECT_THROW(target.Read(partial), ArchiveError) << cut;
    }
}

TEST_F(DeviceModelTest, CorruptedStoredDevicesAreReadOrRefusedNeverTrusted)
{
    std::unique_ptr<CDevice> holder;
    CDevice& device = *OfflineDevice(holder, "2020BS");
    ASSERT_TRUE(device.BuildOfflineSettings(TheTabDefinitions(), nullptr, {}));
    device.SetTableCount(2);
    CArchiveWriter writer;
    device.Write(writer);
    const std::string bytes = writer.TakeBytes();
    // Deterministic corruption: a few bytes replaced, or a length prefix made enormous.
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int refused = 0;
    for (int round = 0; round < 1500; ++round) {
        std::string damaged = bytes;
        const int changes = 1 + static_cast<int>(next() % 4);
        for (int c = 0; c < changes; ++c)
            damaged[next() % damaged.size()] = static_cast<char>(next() % 3 == 0 ? 0xFF : next() & 0xFF);
        CArchiveReader reader(damaged);
        CDevice target;
        try {
            if (target.Read(reader)) {
                EXPECT_LE(target.TableCount(), 9);
                EXPECT_LE(target.Settings().size(), damaged.size());
            }
        } catch (const ArchiveError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(StoredDevice, OtherFormatsAndImpossibleCountsAreRefused)
{
    CArchiveWriter old;
    old.WriteInt32(31);
    old.WriteInt32(0);
    const std::string oldBytes = old.TakeBytes();
    CArchiveReader oldReader(oldBytes);
    CDevice device;
    EXPECT_FALSE(device.Read(oldReader));

    for (int tables : { -1, 10 }) {
        CArchiveWriter bad;
        bad.WriteInt32(32);
        bad.WriteInt32(0);
        bad.WriteInt32(0);
        bad.WriteInt32(tables);
        bad.WriteString("0D");
        bad.WriteInt32(0);
        bad.WriteInt32(0);
        const std::string bytes = bad.TakeBytes() + std::string(400, '\0');
        CArchiveReader reader(bytes);
        EXPECT_THROW(device.Read(reader), ArchiveError) << tables;
    }
    // A setting count far beyond what the stream holds is refused before anything is made.
    CArchiveWriter huge;
    huge.WriteInt32(32);
    huge.WriteInt32(0);
    huge.WriteInt32(0);
    huge.WriteInt32(1);
    huge.WriteString("0D");
    huge.WriteInt32(0);
    huge.WriteInt32(0x7FFFFFFF);
    const std::string hugeBytes = huge.TakeBytes();
    CArchiveReader hugeReader(hugeBytes);
    EXPECT_THROW(device.Read(hugeReader), ArchiveError);
}

TEST(StoredDeviceName, AllFieldsInOrder)
{
    CDeviceName name;
    name.baseNumber = "80001005";
    name.revision = 12;
    name.catalogRow = 1;
    name.deviceId = 0;
    name.productId = "3800LR";
    CArchiveWriter writer;
    WriteDeviceName(writer, name);
    EXPECT_EQ(writer.Bytes(), std::string("\x08" "80001005" "\x0C\0\0\0" "\x01\0\0\0" "\0\0\0\0" "\x06" "3800LR", 28));
    CArchiveReader reader(writer.Bytes());
    const CDeviceName back = ReadDeviceName(reader);
    EXPECT_EQ(back.baseNumber, name.baseNumber);
    EXPECT_EQ(back.revision, 12);
    EXPECT_EQ(back.catalogRow, 1);
    EXPECT_EQ(back.productId, "3800LR");
}

} // namespace
