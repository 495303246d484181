// A library loaded at run time and the functions looked up in it.
#pragma once

#include <windows.h>

namespace sys::win32 {

// A loaded library, unloaded when it goes.
class Library {
public:
    explicit Library(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    explicit operator bool() const { return module_ != nullptr; }

    // The named function as type Fn; null when the library or the function is missing.
    template <typename Fn>
    Fn Function(const char* name) const {
        return module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

private:
    HMODULE module_;
};

}  // namespace sys::win32
