// Result files: written whole by name, never through a link that stands in their place.
#include "system/ResultFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/WideText.h"
#include "fakes/ScratchFolder.h"

// Native only: the link is a POSIX one; the Windows side is covered by the Wine scripts.
#ifndef _WIN32
#include <unistd.h>

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(ResultFileTest, WritesByNameAndRefusesALinkOrAMissingFolder) {
    testing_support::ScratchFolder folder;
    const std::string target = tav::ToUtf8(folder.Write("target.txt", "kept"));
    const std::string existing = tav::ToUtf8(folder.Write("old.json", "a longer earlier result"));
    const std::string link = tav::ToUtf8(folder.PathOf("link.json"));
    ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));

    const struct {
        std::string path;
        bool written;
    } cases[] = {
        {tav::ToUtf8(folder.PathOf("new.json")), true},
        {existing, true},
        {link, false},
        {tav::ToUtf8(folder.PathOf("missing/r.json")), false},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(c.written, sys::WriteResultFile(tav::FromUtf8(c.path), "{}\n", error)) << c.path;
        EXPECT_EQ(c.written, error.empty()) << c.path << ": " << error;
        if (c.written) EXPECT_EQ("{}\n", Read(c.path)) << c.path;
    }
    EXPECT_EQ("kept", Read(target));
}

}  // namespace
#endif
