// The registry as the update logic sees it: keys opened below a root, always in a named view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sys {

// Which half of the registry a call works in; a 32-bit program sees Bits32 by default.
enum class RegistryView { Bits32, Bits64 };

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

enum class RegistryAccess { Read, Write };

// Value types with the numbers Windows gives them.
namespace RegType {
constexpr uint32_t None = 0;
constexpr uint32_t String = 1;
constexpr uint32_t ExpandString = 2;
constexpr uint32_t Binary = 3;
constexpr uint32_t Dword = 4;
constexpr uint32_t MultiString = 7;
constexpr uint32_t Qword = 11;
}  // namespace RegType

// One value as enumerated: its name (empty for the key's default value), type and raw bytes.
struct RegistryValue {
    std::wstring name;
    uint32_t type = RegType::None;
    std::vector<uint8_t> data;
};

// An open key; closed when the object goes.
class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;

    // Name of the subkey at index. False when there is none, or when the name with its
    // terminating zero does not fit in nameBufferChars characters.
    virtual bool EnumSubkey(uint32_t index, size_t nameBufferChars, std::wstring& name) = 0;

    // The value at index. False when there is none, or when its name (with terminating zero)
    // does not fit in nameBufferChars characters or its data does not fit in dataBufferBytes.
    virtual bool EnumValue(uint32_t index, size_t nameBufferChars, size_t dataBufferBytes,
                           RegistryValue& value) = 0;

    // Writes a value; an empty name writes the key's default value.
    virtual bool SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                          size_t bytes) = 0;
};

class IRegistry {
public:
    virtual ~IRegistry() = default;

    // Opens an existing key; null when it does not exist or access is refused.
    virtual std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                                  RegistryView view, RegistryAccess access) = 0;

    // Opens a key for writing, creating it and its missing parents; null on failure.
    virtual std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                                    RegistryView view) = 0;
};

}  // namespace sys
