// The staged copy on a real folder: whatever lies at the staged names is never written through.
// Only the Linux build makes links here.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "fakes/ScratchFolder.h"
#include "system/linux/PosixFiles.h"
#include "updater/TupStagedCopy.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(TupStagedCopyTest, LinksAtTheStagedNamesAreRemovedAndNeverWrittenThrough) {
    struct Case {
        const char* name;
        const char* linkAt;  // ending of the installed name where a link to the victim lies
        bool installedExists;
    };
    const Case cases[] = {
        {"link at the staged name", ".tup~new", true},
        {"link at the old copy's name", ".old", true},
        {"link at the staged name of a new file", ".tup~new", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::ScratchFolder scratch;
        sys::posix::PosixFiles files;
        const fs::path root(tav::ToUtf8(scratch.PathOf("")));
        fs::create_directories(root / "inst" / "bin");
        scratch.Write("victim.dll", "someone's");
        const std::wstring source = scratch.Write("new.dll", "new bytes");
        const std::wstring installed = scratch.PathOf("inst/bin/a.dll");
        if (c.installedExists) scratch.Write("inst/bin/a.dll", "old bytes");
        fs::create_symlink(root / "victim.dll", root / "inst" / "bin" / (std::string("a.dll") + c.linkAt));

        EXPECT_EQ(TupStaging::Outcome::Replaced,
                  TupStaging::CopyIntoPlace(files, source, installed, scratch.PathOf("inst")));
        EXPECT_EQ("new bytes", Read(root / "inst" / "bin" / "a.dll"));
        EXPECT_EQ("someone's", Read(root / "victim.dll"));
        EXPECT_FALSE(fs::is_symlink(root / "inst" / "bin" / (std::string("a.dll") + c.linkAt)));
    }
}

}  // namespace
#endif
