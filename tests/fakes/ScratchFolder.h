// A folder of its own below the temporary folder, for files a test writes; removed at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "base/WideText.h"

namespace testing_support {

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            folder_ = base / ("tav-test-" + std::to_string(random()) + std::to_string(random()));
            if (std::filesystem::create_directory(folder_)) return;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The full path of a file in the folder (name in UTF-8), as the product takes paths.
    std::wstring PathOf(const std::string& name) const {
        const std::u8string utf8 = Child(name).u8string();
        return tav::FromUtf8(std::string(utf8.begin(), utf8.end()));
    }

    // Writes the bytes exactly as given and returns the file's path.
    std::wstring Write(const std::string& name, std::string_view bytes) const {
        std::ofstream file(Child(name), std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return PathOf(name);
    }

private:
    std::filesystem::path Child(const std::string& name) const {
        return folder_ / std::u8string(name.begin(), name.end());
    }

    std::filesystem::path folder_;
};

}  // namespace testing_support
