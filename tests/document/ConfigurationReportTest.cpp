// The configuration report: which settings it lists and how it names them, the digest that
// ties it to the document's bytes, and HTML that shows the reader's bytes without letting
// them be read as markup.
#include "DocumentBench.h"

#include "catalog/TabDefinitions.h"
#include "document/ConfigurationReport.h"
#include "platform/Sha256.h"

#include <map>

namespace {

const char* kReader = "name report\nmodel Report reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW1.00\n"
                      "p_name 3800LR\nlink 0xCE31\nline 115200 8N1\ntables 1\ncaps none\n"
                      "setting CHKONE range=0-1 default=0 values=1\n"
                      "setting EDTONE range=0-100 default=10 values=10\n"
                      "setting CMBONE range=0|1|2| default=1 values=2\n"
                      "setting NOPAGE range=0-9 default=3 values=4\n";

const char* kRows = "CHKONE,Main,Check One,CHECK,Options,0x7FFFF,0,1,0,None,N,N,100\n"
                    "EDTONE,Main,Edit One,EDIT,Options,0x7FFFF,0,100,10,None,N,N,101\n"
                    "CMBONE,Timing,Speed,COMBOBOX,None,0x7FFFF,0,2,Mid,Slow|Mid|Fast,N,N,106\n";

class ConfigurationReportTest : public DocumentBench { };

TEST_F(ConfigurationReportTest, ListsWhatDiffersFromTheDefaultsAndNamesTheDocument)
{
    TabDefinitions definitions;
    ASSERT_TRUE(definitions.LoadText(kRows));
    document = MakeDocument(&definitions);
    AttachText(kReader);
    ASSERT_TRUE(document->Connect());
    document->SetDescription("<b>caf\xE9</b> & more");
    const std::string bytes = document->SaveToBytes();

    const ConfigurationReport report = ConfigurationReport::Build(*document, bytes, "site.kst", "SW1.00");
    EXPECT_EQ(report.sha256, Sha256::Hex(bytes));
    ASSERT_EQ(report.tables.size(), 1u);
    std::map<std::string, ReportSetting> changed;
    for (const ReportSetting& setting : report.tables[0].changed)
        changed[setting.tag] = setting;
    EXPECT_FALSE(changed.count("EDTONE")); // at its default
    ASSERT_TRUE(changed.count("CMBONE"));
    EXPECT_EQ(changed["CMBONE"].page, "Timing");
    EXPECT_EQ(changed["CMBONE"].caption, "Speed");
    EXPECT_EQ(changed["CMBONE"].valueCaption, "Fast");
    EXPECT_EQ(changed["CHKONE"].caption, "Check One");
    // A setting no page shows is still reported, by its tag.
    ASSERT_TRUE(changed.count("NOPAGE"));
    EXPECT_EQ(changed["NOPAGE"].caption, "NOPAGE");

    const std::string html = report.ToHtml();
    EXPECT_NE(html.find("Fast (2)"), std::string::npos);
    EXPECT_NE(html.find(report.sha256), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;caf&#233;&lt;/b&gt; &amp; more"), std::string::npos);
    EXPECT_EQ(html.find("<b>caf"), std::string::npos);
}

} // namespace
