// The prefix/suffix page, its wizard and the control-character picker, without widgets.
#include "wizards/CPreSufWizardModel.h"
#include "wizards/CPrefixSuffixPageModel.h"
#include "wizards/ControlCharPicker.h"

#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kSelect = "Please select an item from the above list";

CPreSufEntry Entry(std::int32_t kind, std::string symbology, std::string data)
{
    CPreSufEntry entry(kind, std::move(symbology));
    entry.SetData(data);
    return entry;
}

std::array<std::string, 4> Values(std::string a, std::string b, std::string c, std::string d)
{
    return { std::move(a), std::move(b), std::move(c), std::move(d) };
}

const std::vector<std::string> kNames { "All Symbologies", "No Read", "Code 39", "Code 128" };

TEST(PrefixSuffixPage, RowsArePaddedCutAndOnePerSymbology)
{
    std::vector<CPreSufEntry> entries {
        Entry(CPreSufEntry::kSuffix, "Code 39", "[ CR]"),
        Entry(CPreSufEntry::kPrefix, "Code 128", "12345678901234567"),
        Entry(CPreSufEntry::kPrefix, "Code 39", "old"),
        Entry(CPreSufEntry::kPrefix, "Code 39", "new"), // the last one of a kind wins
        Entry(CPreSufEntry::kPrefix, "", "hidden"), // no symbology: no row
        Entry(CPreSufEntry::kPrefix, "A Symbology Name Longer", ""),
    };
    CPrefixSuffixPageModel page(kNames, entries, Values("1", "1", "0", "0"), false, "\\[0x80]");
    const std::vector<std::string> rows = page.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "Code 39             new                 [ CR]               ");
    EXPECT_EQ(rows[1], "Code 128            1234567890123456... "
                       "                    ");
    EXPECT_EQ(rows[2].substr(0, 20), "A Symbology Name... ");
    EXPECT_EQ(rows[2].size(), 60u);
}

TEST(PrefixSuffixPage, GroupsAndChecksFollowTheValues)
{
    std::vector<CPreSufEntry> entries;
    struct Row {
        std::array<std::string, 4> values;
        bool dataEnable, transmit;
        std::array<bool, 4> visible, checked;
    };
    const std::string hide = "HIDE_BUTTON";
    const Row rows[] = {
        { Values(hide, hide, "1", "0"), false, true, { false, false, true, true }, { true, true, true, false } },
        { Values("0", hide, hide, hide), true, false, { true, false, false, false }, { false, true, true, true } },
        { Values("1", "2", hide, "1"), true, true, { true, true, false, true }, { true, true, true, true } },
    };
    for (const Row& row : rows) {
        CPrefixSuffixPageModel page(kNames, entries, row.values, false, "");
        EXPECT_EQ(page.IsDataEnableGroupVisible(), row.dataEnable);
        EXPECT_EQ(page.IsTransmitGroupVisible(), row.transmit);
        for (int i = 0; i < 4; ++i) {
            const auto check = static_cast<CPrefixSuffixPageModel::Check>(i);
            EXPECT_EQ(page.IsCheckVisible(check), row.visible[static_cast<std::size_t>(i)]) << i;
            EXPECT_EQ(page.IsChecked(check), row.checked[static_cast<std::size_t>(i)]) << i;
        }
    }
    CPrefixSuffixPageModel page(kNames, entries, Values("1", hide, "0", "0"), false, "");
    page.SetChecked(CPrefixSuffixPageModel::kPrefixOn, false);
    page.SetChecked(CPrefixSuffixPageModel::kSuffixOn, true); // hidden: stays hidden
    page.SetChecked(CPrefixSuffixPageModel::kAimId, true);
    EXPECT_EQ(page.Values(), Values("0", hide, "0", "1"));

    CPrefixSuffixPageModel aux(kNames, entries, Values("1", "1", "1", "1"), true, "");
    EXPECT_FALSE(aux.IsDataEnableGroupVisible());
    EXPECT_FALSE(aux.IsTransmitGroupVisible());
}

TEST(PrefixSuffixPage, AddIsOfferedWhileASymbologyIsFree)
{
    std::vector<CPreSufEntry> entries { Entry(CPreSufEntry::kPrefix, "Code 39", "A") };
    CPrefixSuffixPageModel page({ "Code 39", "Code 128" }, entries, {}, false, "");
    EXPECT_EQ(page.FreeSymbologies(), (std::vector<std::string> { "Code 128" }));
    EXPECT_TRUE(page.CanAdd());
    page.Append(Entry(CPreSufEntry::kSuffix, "Code 128", "B"));
    EXPECT_FALSE(page.CanAdd());

    std::vector<CPreSufEntry> auxEntries;
    CPrefixSuffixPageModel aux(kNames, auxEntries, {}, true, "");
    EXPECT_TRUE(aux.CanAdd());
    aux.Append(Entry(CPreSufEntry::kPrefix, "All Symbologies", "A"));
    EXPECT_FALSE(aux.CanAdd());
}

TEST(PrefixSuffixPage, ButtonsThatNeedARowSayItAndChangeNothing)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    std::vector<CPreSufEntry> entries { Entry(CPreSufEntry::kPrefix, "Code 39", "A") };
    CPrefixSuffixPageModel page(kNames, entries, {}, false, "");
    EXPECT_FALSE(page.Delete(-1));
    EXPECT_FALSE(page.BeginEdit(-1, CPreSufEntry::kPrefix).has_value());
    EXPECT_FALSE(page.BeginEdit(1, CPreSufEntry::kSuffix).has_value());
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>(3, kSelect)));
    EXPECT_EQ(entries.size(), 1u);
}

TEST(PrefixSuffixPage, DeleteRemovesEveryRecordOfTheRowsWholeName)
{
    std::vector<CPreSufEntry> entries {
        Entry(CPreSufEntry::kPrefix, "RSS / EAN-UCC Composite", "A"),
        Entry(CPreSufEntry::kPrefix, "Code 39", "B"),
        Entry(CPreSufEntry::kSuffix, "RSS / EAN-UCC Composite", "C"),
    };
    CPrefixSuffixPageModel page(kNames, entries, {}, false, "");
    ASSERT_TRUE(page.Delete(0));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].GetSymbology(), "Code 39");
    page.DeleteAll();
    EXPECT_TRUE(entries.empty());
}

TEST(PrefixSuffixPage, EditingAMissingKindCreatesItOnlyOnOk)
{
    std::vector<CPreSufEntry> entries { Entry(CPreSufEntry::kPrefix, "Code 39", "A") };
    CPrefixSuffixPageModel page(kNames, entries, {}, false, "");
    // Cancel: the created record never joins the list.
    ASSERT_TRUE(page.BeginEdit(0, CPreSufEntry::kSuffix)->created);
    EXPECT_EQ(entries.size(), 1u);

    const auto edit = page.BeginEdit(0, CPreSufEntry::kSuffix);
    page.FinishEdit(*edit, "[ CR]", "[", "]");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[1].IsPrefix());
    EXPECT_EQ(entries[1].GetSymbology(), "Code 39");
    EXPECT_EQ(entries[1].GetDataBytes(), "\r");

    const auto existing = page.BeginEdit(0, CPreSufEntry::kPrefix);
    EXPECT_FALSE(existing->created);
    EXPECT_EQ(existing->entry.GetData(), "A");
    page.FinishEdit(*existing, "B", "[", "]");
    EXPECT_EQ(entries[0].GetData(), "B");
    EXPECT_EQ(entries.size(), 2u);
}

TEST(PrefixSuffixWizard, PagesButtonsAndTheNewRecord)
{
    CPreSufWizardModel wizard({ "Code 39", "Code 128" }, false, "\\[0x80]");
    using P = CPreSufWizardModel::Page;
    EXPECT_EQ(wizard.Pages(), (std::vector<P> { P::Symbology, P::Selection, P::Data }));
    EXPECT_EQ(wizard.ButtonsFor(0), WizardButtons::Next);
    EXPECT_EQ(wizard.ButtonsFor(1), WizardButtons::BackNext);
    EXPECT_EQ(wizard.ButtonsFor(2), WizardButtons::BackFinish);
    EXPECT_TRUE(wizard.IsPrefix());

    wizard.SetSymbology("Code 39");
    ControlCharPicker picker;
    picker.Pick(13);
    picker.Pick(10);
    wizard.Data().AppendPicked({ picker.SelectedText(), picker.LeftDelimiter(), picker.RightDelimiter() });
    wizard.Data().InsertCodeId(wizard.CodeIdMarker());
    const CPreSufEntry entry = wizard.Finish();
    EXPECT_TRUE(entry.IsPrefix());
    EXPECT_EQ(entry.GetSymbology(), "Code 39");
    EXPECT_EQ(entry.GetData(), "[ CR][ LF]\\[0x80]");
    EXPECT_EQ(entry.GetDataBytes(), "\r\n\\\x80");
}

TEST(PrefixSuffixWizard, AuxiliaryWizardHasTwoPagesAndAllSymbologies)
{
    CPreSufWizardModel wizard({}, true, "");
    EXPECT_EQ(wizard.Pages().size(), 2u);
    EXPECT_EQ(wizard.ButtonsFor(0), WizardButtons::Next);
    EXPECT_EQ(wizard.ButtonsFor(1), WizardButtons::BackFinish);
    wizard.SetPrefix(false);
    const CPreSufEntry entry = wizard.Finish();
    EXPECT_EQ(entry.GetSymbology(), "All Symbologies");
    EXPECT_FALSE(entry.IsPrefix());
    wizard.Cancel();
    EXPECT_EQ(wizard.Symbology(), "");
}

TEST(ControlCharacterPicker, RowsAndPicks)
{
    const std::vector<std::string> rows = ControlCharPicker::Rows();
    ASSERT_EQ(rows.size(), 32u);
    EXPECT_EQ(rows[0], "0x00  00         NULL Null");
    EXPECT_EQ(rows[13], "0x0d  13    \r     CR  Carriage Return");
    EXPECT_EQ(rows[22], "0x16  22    \x16    SYN  Synchonous Idle");

    ControlCharPicker picker;
    EXPECT_FALSE(picker.DelimiterEditing());
    picker.SetLeftDelimiter("<"); // disabled: ignored
    EXPECT_EQ(picker.LeftDelimiter(), "[");
    EXPECT_TRUE(picker.Pick(13));
    EXPECT_TRUE(picker.Pick(10));
    EXPECT_FALSE(picker.Pick(32));
    EXPECT_FALSE(picker.Pick(-1));
    EXPECT_EQ(picker.SelectedText(), "[ CR][ LF]");
    for (int i = 0; i < 40; ++i)
        picker.Pick(0);
    EXPECT_EQ(picker.Picked().size(), 32u); // picks past 32 are ignored

    ControlCharPicker editing(true);
    editing.SetLeftDelimiter("<");
    editing.SetRightDelimiter(">");
    editing.Pick(9);
    EXPECT_EQ(editing.SelectedText(), "< HT>");
}

} // namespace
