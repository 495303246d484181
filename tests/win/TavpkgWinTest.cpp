// tavpkg's Windows-only commands against the real registry and real executables.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "fakes/TavpkgRunner.h"
#include "win/WinTestSupport.h"

namespace {

using Result = testing_support::ToolResult;
using testing_support::RunTool;
using Json = nlohmann::ordered_json;

TEST(TavpkgWin, RegistryPrintsTheKeyAsJsonToTheRequestedDepth) {
    wintest::ScratchKey key(L"TavpkgRegistryTest");
    ASSERT_TRUE(key.WriteString(true, L"", L"Name", L"C:\\Tarnova \"x\""));
    ASSERT_TRUE(key.WriteDword(true, L"Sub", L"Level", 1));
    ASSERT_TRUE(key.WriteString(true, L"Sub\\Deep", L"Where", L"deep"));

    const Result one =
        RunTool({L"registry", key.Path(), L"--recurse", L"--depth", L"1", L"--view64"});
    EXPECT_EQ(0, one.code) << one.err;
    EXPECT_EQ(Json::parse(
        "[\n"
        "  {\"name\": \"Name\", \"type\": \"OCString\", \"value\": \"C:\\\\Tarnova \\\"x\\\"\"},\n"
        "  {\"name\": \"Sub\", \"type\": \"OCContainer\", \"value\": [\n"
        "    {\"name\": \"Level\", \"type\": \"OCUnsignedLong\", \"value\": 1}\n"
        "  ]}\n"
        "]\n"),
        Json::parse(one.out));

    const Result all = RunTool({L"registry", key.Path(), L"--view64", L"--recurse"});
    EXPECT_EQ(0, all.code);
    EXPECT_NE(std::string::npos,
              Json::parse(all.out).dump().find(R"({"name":"Where","type":"OCString","value":"deep"})"))
        << all.out;

    const Result flat = RunTool({L"registry", key.Path(), L"--view64"});
    EXPECT_EQ(std::string::npos, flat.out.find("Sub")) << flat.out;
    EXPECT_NE(std::string::npos, flat.out.find("Tarnova")) << flat.out;

    // The key exists only in the 64-bit view: the default view reads nothing.
    const Result narrow = RunTool({L"registry", key.Path(), L"--recurse"});
    EXPECT_EQ(0, narrow.code);
    EXPECT_EQ("[]\n", narrow.out);
}

TEST(TavpkgWin, VersionPrintsFileOrProductVersionAndFailsWithoutResource) {
    const Result file = RunTool({L"version", wintest::ProbeExe()});
    EXPECT_EQ(0, file.code) << file.err;
    EXPECT_EQ("1.2.3.4\n", file.out);

    const Result product = RunTool({L"version", L"--product", wintest::ProbeExe()});
    EXPECT_EQ(0, product.code) << product.err;
    EXPECT_EQ("5.6.7.8\n", product.out);

    const Result revision = RunTool({L"version", wintest::Probe1000Exe(), L"--product"});
    EXPECT_EQ("1.2.3.999\n", revision.out);

    const Result none = RunTool({L"version", wintest::PlainExe()});
    EXPECT_EQ(1, none.code);
    EXPECT_EQ("unknown_version\n", none.out);
}

}  // namespace
