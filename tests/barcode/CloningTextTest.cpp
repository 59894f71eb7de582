// Cloning texts: which settings a configuration hands on, in which form, with which header
// and trailer.
#include "barcode/CloningText.h"
#include "RecordingCanvas.h"
#include "device/CMatrixDevice.h"
#include "device/CRFBaseDevice.h"
#include "document/PageTemplate.h"

#include <gtest/gtest.h>

namespace {

CDeviceSetting Setting(const std::string& tag, const std::string& defaultValue, const std::string& value, int minimum,
    int maximum)
{
    CDeviceSetting setting;
    setting.tag = tag;
    setting.defaultValue = defaultValue;
    setting.minimum = minimum;
    setting.maximum = maximum;
    setting.tableValues[0] = value;
    return setting;
}

class CloningTextTest : public ::testing::Test {
protected:
    // Binds every setting of `device` to one control of `type` (by tag order).
    void Bind(CDevice& device, const std::vector<std::string>& types)
    {
        bindings.clear();
        for (size_t i = 0; i < types.size(); ++i) {
            ControlBinding binding;
            binding.settingIndex = static_cast<int>(i);
            binding.controlType = types[i];
            binding.controlId = 1000 + static_cast<int>(i);
            bindings.push_back(binding);
        }
        (void)device;
    }
    std::vector<ControlBinding> bindings;
};

TEST_F(CloningTextTest, MatrixWithNothingChangedIsOnlyTheHeaderInBothForms)
{
    CMatrixDevice device;
    device.Settings() = { Setting("BEPLVL", "2", "2", 0, 3) };
    Bind(device, { "COMBOBOX" });
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Aztec), "DEFALT.");
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Linear), Linear("DEFALT"));
}

TEST_F(CloningTextTest, WhichChangedSettingsAreIncluded)
{
    CDevice device;
    device.Settings() = {
        Setting("CBRENA", "0", "1", 0, 1), // check box with a range: in
        Setting("SERNUM", "A", "B", 0, 0), // edit without a range: out, however it changed
        Setting("BEPLVL", "1", "1", 0, 3), // unchanged: out
        Setting("TRMINF", "0", "7", 5, 5), // drop-down: in whatever its range
        Setting("LEDSEL", "0", "2", 0, 0), // first row of a radio group: in
        Setting("LEDSEL", "0", "2", 0, 0), // its second row: not again
    };
    Bind(device, { "CHECK", "EDIT", "COMBOBOX", "COMBOBOX", "RADIO1", "RADIO1" });
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Aztec), "DEFALT;CBRENA1;TRMINF7;LEDSEL2.");
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Linear),
        Linear("DEFALT") + Linear("CBRENA1") + Linear("TRMINF7") + Linear("LEDSEL2"));
}

TEST_F(CloningTextTest, RecordBlocksComeOnlyFromTheBlockCommands)
{
    // A data-format block shown as a control: its records are sent by the block commands, so
    // the control walk leaves it out (twice would give the clone every record twice). Other
    // blocks are settings like any drop-down.
    CDevice device;
    device.Settings() = { Setting("DFMBK3", "", "1000990000F2|", 0, 0), Setting("TRMBLK", "", "12", 0, 0) };
    Bind(device, { "BLOCK", "BLOCK" });
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Aztec), "DEFALT;TRMBLK12.");
}

TEST_F(CloningTextTest, EnableCommandsThatRestateDefaultsAreDropped)
{
    CDevice device;
    device.Settings() = { Setting("PRE_EN", "0", "1", 0, 1), Setting("SUF_EN", "1", "0", 0, 1),
        Setting("CODIDX", "1", "0", 0, 1), Setting("DFM_EN", "0", "2", 0, 3) };
    bindings.clear(); // only the block commands speak
    // PRE_EN1 and CODIDX0 restate DEFALT and go; SUF_EN0 and DFM_EN2 stay, each without its
    // own terminator.
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Linear),
        Linear("DEFALT") + Linear("SUF_EN0") + Linear("DFM_EN2"));
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Aztec), "DEFALT;SUF_EN0;DFM_EN2.");
    // The same enable with value 0 is no restatement and stays.
    device.Settings()[0].tableValues[0] = "0";
    EXPECT_EQ(BuildCloningTextFor(device, bindings, CloningForm::Aztec), "DEFALT;PRE_EN0;SUF_EN0;DFM_EN2.");
}

TEST_F(CloningTextTest, WirelessBaseHasGroupHeaderAndEndsWithBaseIdAndRemove)
{
    CRFBaseDevice device;
    device.SetTableCount(3);
    device.SetCurrentTable(2);
    CDeviceSetting base = Setting("BASEID", "0", "0", 0, 0);
    base.tableValues[2] = "4711";
    CDeviceSetting volume = Setting("BEPLVL", "1", "1", 0, 3);
    volume.tableValues[2] = "3";
    device.Settings() = { volume, base };
    Bind(device, { "COMBOBOX", "EDIT" });
    const std::string text = BuildCloningTextFor(device, bindings, CloningForm::Linear);
    EXPECT_EQ(text, Linear("DEFALT") + Linear("GRPSEL2") + Linear("BEPLVL3") + Linear("BASEID4711") + Linear("REMOVE"));
    // Wireless classes have linear headers only, so they never print as Aztec.
    EXPECT_EQ(ChooseCloningForm(device), CloningForm::Linear);
}

TEST(RestateCommands, BetweenForms)
{
    EXPECT_EQ(RestateCommands("DEFALT;", CloningForm::Linear), Linear("DEFALT"));
    EXPECT_EQ(RestateCommands(Linear("DEFALT") + Linear("GRPSEL1"), CloningForm::Aztec), "DEFALT;GRPSEL1;");
    EXPECT_EQ(RestateCommands(Linear("BASEID1.2"), CloningForm::Aztec), "BASEID1.2;");
    EXPECT_EQ(RestateCommands("", CloningForm::Linear), "");
}

} // namespace
