#include "catalog/DelimitedDataFile.h"
#include "platform/ScriptedHost.h"

#include "../platform/TempFolder.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kColumns { "First", "Second", "Rest" };

struct LoadCase {
    const char* name;
    std::string text;
    int result;
    std::vector<std::string> rows; // the kept rows, as joined text
};

TEST(DelimitedDataFile, LoadsRowsByTheFileRules)
{
    const LoadCase cases[] = {
        { "plain rows, trimmed lines", "a,b,c\n  d , e , f  \n", 0, { "a,b,c", "d , e , f" } },
        { "last column takes the rest", "a,b,c,d,,e\n", 0, { "a,b,c,d,,e" } },
        { "comments and blank lines", "// header\n\n   \na,b,c\n", 0, { "a,b,c" } },
        { "a double slash anywhere makes a comment", "a,http://x,c\na,b,c // note\nx,y,z\n", 0, { "x,y,z" } },
        { "continuation joins trimmed lines", "a,\\\n   b,\\\n c\n", 0, { "a,b,c" } },
        { "continuation inside a field", "ab\\\ncd,e,f\n", 0, { "abcd,e,f" } },
        { "continuation on the last line drops it", "a,b,c\nd,e,\\", 0, { "a,b,c" } },
        { "continued comment swallows the next line", "// note \\\na,b,c\nd,e,f\n", 0, { "d,e,f" } },
        { "empty field before the last", "a,,c\nd,e,f\n", 3, { "d,e,f" } },
        { "blank field before the last", "a, ,c\nd,e,f\n", 3, { "d,e,f" } },
        { "empty last field", "a,b,\nd,e,f\n", 3, { "d,e,f" } },
        { "too few fields", "a,b\n", 3, {} },
        { "leading separator", ",a,b,c\n", 3, {} },
        { "windows line ends", "a,b,c\r\nd,e,f\r\n", 0, { "a,b,c", "d,e,f" } },
        { "no rows at all", "// nothing\n\n", 1, {} },
        { "empty file", "", 1, {} },
    };
    for (const auto& c : cases) {
        DelimitedDataFile file;
        file.SetUp("", kColumns);
        EXPECT_EQ(file.LoadText(c.text), c.result) << c.name;
        std::vector<std::string> rows;
        for (int i = 0; i < file.RowCount(); ++i)
            rows.push_back(file.RowText(i));
        EXPECT_EQ(rows, c.rows) << c.name;
    }
}

TEST(DelimitedDataFile, FieldsAreCutOutOnDemand)
{
    DelimitedDataFile file;
    file.SetUp("", kColumns);
    ASSERT_EQ(file.LoadText(" one , two , three, and more \n"), 0);
    EXPECT_EQ(file.Field(0, "First"), "one");
    EXPECT_EQ(file.Field(0, "second"), "two"); // column names ignore case
    EXPECT_EQ(file.Field(0, "REST"), "three, and more");

    std::string text = "stale";
    EXPECT_FALSE(file.Field(1, "First", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(file.Field(-1, "First", text));
    EXPECT_FALSE(file.Field(0, "Fourth", text));
}

TEST(DelimitedDataFile, FilesThatCannotBeOpened)
{
    TempFolder folder;
    DelimitedDataFile file;
    file.SetUp(folder.File("absent.dat"), kColumns);
    EXPECT_EQ(file.Load(), 2);
    file.SetUp(folder.Path(), kColumns); // a folder
    EXPECT_EQ(file.Load(), 2);
    file.SetUp(folder.Write("ok.dat", "1,2,3\n"), kColumns);
    EXPECT_EQ(file.Load(), 0);
    EXPECT_EQ(file.RowCount(), 1);
}

TEST(DelimitedDataFile, MoreThanFifteenColumnsMakeTheReaderUnusable)
{
    ScriptedHost host;
    ScopedHost installed(host);
    std::vector<std::string> columns;
    for (int i = 0; i < 16; ++i)
        columns.push_back("C" + std::to_string(i));

    DelimitedDataFile file;
    file.SetUp("", columns);
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string> { "Data file has too many columns.\nPlease contact program vendor." });
    EXPECT_EQ(file.Columns().size(), 15u);
    EXPECT_FALSE(file.IsUsable());
    EXPECT_NE(file.LoadText("a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p\n"), 0);
    EXPECT_EQ(file.RowCount(), 0);

    columns.pop_back();
    file.SetUp("", columns);
    EXPECT_TRUE(file.IsUsable());
    EXPECT_EQ(host.messages.size(), 1u);
}

} // namespace

namespace {

// Data files come from vendors and users: any bytes load without harm, and every row kept
// yields all of its fields.
TEST(DelimitedDataFile, ArbitraryBytesLoadSafely)
{
    const char alphabet[] = { ',', ',', '\\', '\n', '\n', ' ', '/', '\r', 'a', 'b', '?', '\t', '\0', '\xff' };
    unsigned state = 12345;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const unsigned length = next() % 400;
        for (unsigned i = 0; i < length; ++i)
            text += alphabet[next() % sizeof alphabet];
        DelimitedDataFile file;
        file.SetUp("", kColumns);
        const int result = file.LoadText(text);
        ASSERT_TRUE(result == 0 || result == 1 || result == 3) << result;
        for (int row = 0; row < file.RowCount(); ++row)
            for (const auto& column : kColumns) {
                std::string field;
                ASSERT_TRUE(file.Field(row, column, field)) << file.RowText(row);
                EXPECT_FALSE(field.empty());
            }
    }
}

} // namespace
