// The shared library's interface: exactly the four entry points, callable from C.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

extern "C" int Stripe32EncodeFromC(void);

namespace {

TEST(Stripe32Library, ExportsOnlyTheFourEntryPoints)
{
    const std::string command = std::string("nm -D --defined-only '") + STRIPE32_LIBRARY_FILE + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    ASSERT_EQ(pclose(pipe), 0) << output;

    std::set<std::string> symbols;
    std::istringstream lines(output);
    std::string address, type, name;
    while (lines >> address >> type >> name)
        symbols.insert(name);
    const std::set<std::string> expected
        = { "qxCode128Encode", "qxCode39Encode", "qxGetLinearEncoderRevString", "qxMenu128Encode" };
    EXPECT_EQ(symbols, expected) << output;
}

TEST(Stripe32Library, WorksFromC)
{
    EXPECT_EQ(Stripe32EncodeFromC(), 2 * 77);
}

} // namespace
