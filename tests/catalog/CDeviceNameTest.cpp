#include "catalog/CDeviceName.h"
#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

namespace {

// Rows are numbered in comments; device ids differ from row numbers on purpose.
const char* kCatalog =
    "// test catalog\n"
    "10,Generic Linear,QX11111111,CDevice,N,Y,N,?\n"        // 0
    "11,Alpha Linear,QX11111111,CDevice,Y,Y,Y,ALPHA\n"      // 1
    "12,Alpha Long,QX11111111,CDevice,N,N,y,ALPHA-LONG\n"   // 2
    "13,beta Imager,QX22222222,CImageDevice,N,n,Y,IMG??\n"  // 3
    "14,Broken Class,QX33333333,CFancyDevice,N,Y,Y,X1\n"   // 4
    "15,Cordless Base,QX44444444,CRFBaseDevice,N,Y,Y,B1\n"  // 5
    "16,Hidden Heron,QX55555555,CHeronMaskDevice,N,Y,N,H\n" // 6
    "20,Matrix,QX66666666,CMatrixDevice,Y,N,Y,M1\n";       // 7

class CDeviceNameTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(catalog.LoadText(kCatalog)); }
    DeviceCatalog catalog;
};

TEST_F(CDeviceNameTest, RevisionTextsOfAllThreeForms)
{
    struct Case {
        const char* text;
        const char* base;
        int revision;
    };
    const Case cases[] = {
        { "QX12345678-042", "12345678", 42 },
        { "xyzQX12345678-042", "12345678", 42 },
        { "REV_QXQX22222222-007", "22222222", 7 },
        // The tag followed straight by the base number.
        { "REV_QX22222222-007", "22222222", 7 },
        { ":X12345678-042 trailing", "12345678", 42 },
        { "C:\\firmware\\31052017.hex", "31201052", 17 },
        { "/srv/firmware/31052017.bin", "31201052", 17 },
        { "firmware.hex", "firmware", 999 }, // not numeric: the name only
        // Short and odd texts give short base numbers, never a fault.
        { "QX-", "-", 0 },
        { "QX1234-5", "1234-5", 0 },
        { ":short-", ":short-", 999 },
        { "", "", 999 },
        { "7", "7120", 7 },
    };
    for (const auto& c : cases) {
        CDeviceName name;
        name.ParseRevision(c.text, catalog);
        EXPECT_EQ(name.baseNumber, c.base) << c.text;
        EXPECT_EQ(name.revision, c.revision) << c.text;
    }
}

TEST_F(CDeviceNameTest, ParsingMatchesARowAndSetsTheDeviceId)
{
    CDeviceName name;
    name.productId = "IMGSR";
    name.ParseRevision("QX22222222-003", catalog);
    EXPECT_EQ(name.catalogRow, 3);
    EXPECT_EQ(name.deviceId, 13);
    EXPECT_EQ(name.ProductName(catalog), "beta Imager");

    CDeviceName unknown;
    unknown.ParseRevision("QX99999999-001", catalog);
    EXPECT_EQ(unknown.catalogRow, -1);
    EXPECT_EQ(unknown.deviceId, -1);
    EXPECT_FALSE(unknown.IsLinear(catalog));
    EXPECT_FALSE(unknown.UsesCts(catalog));
    EXPECT_EQ(unknown.ProductName(catalog), "");
}

TEST_F(CDeviceNameTest, RowMatchingPrefersTheExactProductId)
{
    struct Case {
        const char* catalogText;
        const char* productId;
        int expectedRow;
    };
    const char* wildcardFirst = "1,Any,QX11111111,CDevice,N,Y,Y,?\n2,Exact,QX11111111,CDevice,N,Y,Y,P100\n";
    const char* exactFirst = "1,Exact,QX11111111,CDevice,N,Y,Y,P100\n2,Any,QX11111111,CDevice,N,Y,Y,?\n";
    const char* partialThenExact = "1,Short,QX11111111,CDevice,N,Y,Y,P1\n2,Exact,QX11111111,CDevice,N,Y,Y,P100\n";
    const char* exactThenPartial = "1,Exact,QX11111111,CDevice,N,Y,Y,P100\n2,Short,QX11111111,CDevice,N,Y,Y,P1\n";
    const char* otherBase = "1,Other,QX11111112,CDevice,N,Y,Y,P100\n2,Mine,QX11111111,CDevice,N,Y,Y,Q\n";
    const Case cases[] = {
        { wildcardFirst, "P100", 1 },
        { exactFirst, "P100", 0 },
        { wildcardFirst, "P999", 0 },      // only the "?" row fits
        { partialThenExact, "P100", 1 },   // a later exact match replaces a partial one
        { exactThenPartial, "P100", 0 },   // an exact match ends the scan
        { partialThenExact, "P1000", 1 },  // both partial: the last one stands
        { wildcardFirst, "?", 1 },         // an entry that accepts anything takes the last row
        { otherBase, "P100", -1 },
        { "1,W,QX11111111,CDevice,N,Y,Y,P?0?\n", "P100", 0 }, // "?" inside a pattern
        { "1,W,QX11111111,CDevice,N,Y,Y,P100\n", " P100 ", 0 }, // trimmed
    };
    for (const auto& c : cases) {
        DeviceCatalog local;
        ASSERT_TRUE(local.LoadText(c.catalogText));
        CDeviceName name;
        name.baseNumber = "11111111";
        name.productId = c.productId;
        EXPECT_EQ(name.MatchRow(local), c.expectedRow != -1) << c.catalogText << c.productId;
        EXPECT_EQ(name.catalogRow, c.expectedRow) << c.catalogText << c.productId;
    }
}

TEST_F(CDeviceNameTest, AStoredRowSurvivesAFailedMatch)
{
    CDeviceName name;
    name.catalogRow = 5;
    name.baseNumber = "00000000";
    EXPECT_TRUE(name.MatchRow(catalog));
    EXPECT_EQ(name.catalogRow, 5);
}

TEST_F(CDeviceNameTest, TheChooserOffersVisibleRowsSortedByName)
{
    ScriptedHost host;
    ScopedHost installed(host);
    host.deviceChoices = { 3 };
    CDeviceName name;
    ASSERT_TRUE(name.ChooseDevice(catalog));

    ASSERT_EQ(host.deviceChooserCalls.size(), 1u);
    std::vector<std::pair<int, std::string>> offered;
    for (const auto& choice : host.deviceChooserCalls[0])
        offered.emplace_back(choice.row, choice.productName);
    const std::vector<std::pair<int, std::string>> expected {
        { 1, "Alpha Linear" }, { 2, "Alpha Long" }, { 3, "beta Imager" },
        { 4, "Broken Class" }, { 5, "Cordless Base" }, { 7, "Matrix" },
    };
    EXPECT_EQ(offered, expected);

    EXPECT_EQ(name.catalogRow, 3);
    EXPECT_EQ(name.deviceId, 13);
    EXPECT_EQ(name.baseNumber, "22222222");
    EXPECT_EQ(name.productId, "IMG??");
    EXPECT_EQ(name.revision, CDeviceName::kChosenByHand);
}

TEST_F(CDeviceNameTest, CancellingOrAnsweringAHiddenRowChoosesNothing)
{
    ScriptedHost host;
    ScopedHost installed(host);
    host.deviceChoices = { -1, 6 };
    CDeviceName name;
    name.baseNumber = "keep";
    EXPECT_FALSE(name.ChooseDevice(catalog));
    EXPECT_FALSE(name.ChooseDevice(catalog)); // row 6 is hidden
    EXPECT_EQ(name.baseNumber, "keep");
    EXPECT_EQ(name.catalogRow, -1);
}

TEST_F(CDeviceNameTest, TheRuntimeClassChoosesTheDeviceClass)
{
    ScriptedHost host;
    ScopedHost installed(host);

    CDeviceName matrix;
    matrix.baseNumber = "66666666";
    matrix.productId = "M1";
    EXPECT_EQ(matrix.ChooseDeviceClass(catalog), DeviceClassKind::CMatrixDevice);
    EXPECT_TRUE(host.deviceChooserCalls.empty());

    // An unknown class name asks the user; the chosen row decides.
    host.deviceChoices = { 5 };
    CDeviceName broken;
    broken.baseNumber = "33333333";
    broken.productId = "X1";
    EXPECT_EQ(broken.ChooseDeviceClass(catalog), DeviceClassKind::CRFBaseDevice);
    EXPECT_EQ(broken.catalogRow, 5);

    // No row and the user cancels: no class.
    CDeviceName none;
    none.baseNumber = "00000000";
    EXPECT_EQ(none.ChooseDeviceClass(catalog), DeviceClassKind::None);
    EXPECT_EQ(host.deviceChooserCalls.size(), 2u);

    EXPECT_EQ(DeviceClassFromName("cdevice"), DeviceClassKind::None);
    EXPECT_EQ(DeviceClassFromName("CMatrixRFBaseDevice"), DeviceClassKind::CMatrixRFBaseDevice);
    EXPECT_STREQ(DeviceClassName(DeviceClassKind::CHeronMaskDevice), "CHeronMaskDevice");
}

TEST_F(CDeviceNameTest, CopyingAnIdentityMatchesAgain)
{
    CDeviceName source;
    source.baseNumber = "11111111";
    source.productId = "ALPHA";
    source.revision = 12;
    source.catalogRow = 7; // not copied
    CDeviceName copy;
    copy.CopyIdentity(source, catalog);
    EXPECT_EQ(copy.revision, 12);
    EXPECT_EQ(copy.catalogRow, 1);
    EXPECT_EQ(copy.deviceId, 11);
    EXPECT_TRUE(copy.UsesCts(catalog));
    EXPECT_TRUE(copy.IsLinear(catalog));
}

TEST(ProductList, MaskBitsSelectDeviceIds)
{
    struct Case {
        const char* mask;
        int deviceId;
        bool applies;
    };
    const Case cases[] = {
        { "0x1", 0, true },   { "0x1", 1, false },  { "0x10", 4, true },  { "0x10", 0, false },
        { "0x10", 5, false }, { "0x12", 1, true },  { "0x12", 4, true },  { "0x12", 2, false },
        { "", 0, false },     { "0x", 0, false },   { "0x1", 4, false },  { "0x3E000", 13, true },
        { "0x3E000", 12, false }, { "0x 1 0", 4, true }, { "0xF0", 7, true }, { "0xf0", 7, true },
        { "0xG1", 4, false }, { "0x1", -1, false }, { "0x80000000", 31, true }, { "0x1", 1000, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProductListApplies(c.mask, c.deviceId), c.applies) << c.mask << " id " << c.deviceId;
}

TEST(ProductIds, WildcardComparisonOverTheShorterLength)
{
    bool same = false;
    EXPECT_TRUE(ProductIdsMatch("P100", "P100", &same));
    EXPECT_TRUE(same);
    EXPECT_TRUE(ProductIdsMatch("P1", "P100", &same));
    EXPECT_FALSE(same);
    EXPECT_TRUE(ProductIdsMatch("P??0", "PX10", &same));
    EXPECT_TRUE(same);
    EXPECT_FALSE(ProductIdsMatch("P200", "P100"));
    EXPECT_FALSE(ProductIdsMatch("p100", "P100"));
}

} // namespace
