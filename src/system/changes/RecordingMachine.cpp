// The recording machine: notes starts and registry writes, then passes them on.
#include "system/changes/RecordingMachine.h"

#include "base/WideText.h"

namespace sys {

class CRecordingMachine::Launcher final : public ILauncher {
public:
    Launcher(CRecordingMachine& owner, ILauncher& below) : owner_(owner), below_(below) {}

    bool Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
             uint32_t* exitCode) override {
        const bool started = below_.Run(program, commandLine, wait, exitCode);
        owner_.Notes().Note(StartedProgram{program, commandLine, wait, started});
        return started;
    }

private:
    CRecordingMachine& owner_;
    ILauncher& below_;
};

namespace {

// A key that notes each value written through it, with the value it replaced.
class RecordingKey final : public IRegistryKey {
public:
    RecordingKey(CRecordingMachine& owner, IRegistry& registry, std::unique_ptr<IRegistryKey> below,
                 RegistryRoot root, std::wstring path, RegistryView view)
        : owner_(owner), registry_(registry), below_(std::move(below)), root_(root),
          path_(std::move(path)), view_(view) {}

    bool EnumSubkey(uint32_t index, size_t nameBufferChars, std::wstring& name) override {
        return below_->EnumSubkey(index, nameBufferChars, name);
    }
    bool EnumValue(uint32_t index, size_t nameBufferChars, size_t dataBufferBytes,
                   RegistryValue& value) override {
        return below_->EnumValue(index, nameBufferChars, dataBufferBytes, value);
    }
    bool SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  size_t bytes) override {
        WrittenValue written = NoteOfWrite(root_, path_, view_, name, type, data, bytes, ValuesBefore());
        const bool ok = below_->SetValue(name, type, data, bytes);
        written.written = ok;
        owner_.Notes().Note(std::move(written));
        return ok;
    }

private:
    // The key's values before the write, read through a key of its own: the caller's may be
    // open for writing only.
    std::vector<RegistryValue> ValuesBefore() {
        constexpr size_t kNameChars = 16384;
        constexpr size_t kDataBytes = 1 << 20;
        std::vector<RegistryValue> values;
        const std::unique_ptr<IRegistryKey> key = registry_.OpenKey(root_, path_, view_, RegistryAccess::Read);
        if (!key) return values;
        RegistryValue value;
        for (uint32_t i = 0; key->EnumValue(i, kNameChars, kDataBytes, value); ++i) values.push_back(value);
        return values;
    }

    CRecordingMachine& owner_;
    IRegistry& registry_;
    std::unique_ptr<IRegistryKey> below_;
    RegistryRoot root_;
    std::wstring path_;
    RegistryView view_;
};

}  // namespace

class CRecordingMachine::Registry final : public IRegistry {
public:
    Registry(CRecordingMachine& owner, IRegistry& below) : owner_(owner), below_(below) {}

    std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                          RegistryView view, RegistryAccess access) override {
        return Wrap(below_.OpenKey(root, path, view, access), root, path, view);
    }
    std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                            RegistryView view) override {
        return Wrap(below_.CreateKey(root, path, view), root, path, view);
    }

private:
    std::unique_ptr<IRegistryKey> Wrap(std::unique_ptr<IRegistryKey> key, RegistryRoot root,
                                       const std::wstring& path, RegistryView view) {
        if (!key) return nullptr;
        return std::make_unique<RecordingKey>(owner_, below_, std::move(key), root, path, view);
    }

    CRecordingMachine& owner_;
    IRegistry& below_;
};

CRecordingMachine::CRecordingMachine(Machine& below)
    : machine_(below),
      launcher_(std::make_unique<Launcher>(*this, *below.launcher)),
      registry_(std::make_unique<Registry>(*this, *below.registry)) {
    machine_.launcher = launcher_.get();
    machine_.registry = registry_.get();
}

CRecordingMachine::~CRecordingMachine() = default;

}  // namespace sys
