// A stand-in for the certificate component TavCertHlp.dll: an in-process COM server of the
// component's class that records every call and answers as the test running it asks.
//
// TAVCERTHLP_DOUBLE_LOG names a file to which each call appends one UTF-8 line: the method
// name and its arguments, separated by '|', numbers in decimal and flags as true or false:
//   CreateSelfSignedCertificateInStore|16|<subject names>|<certificate name>|true
//   RemoveBindingForSite|<site>|<protocol>|<binding information>
//   AddBindingForSite|<site>|<protocol>|<binding information>|<certificate name>|16
//   RemoveCertificateFromStore|16|<certificate name>
// TAVCERTHLP_DOUBLE_ANSWERS tells the answers, per method a comma-separated sequence:
//   Create=ok;Remove=false,false,ok;Add=fail;RemoveCertificate=ok
// The n-th call of a method on one object takes the n-th answer; after the last one that one
// repeats; a method not named answers ok. "ok" is S_OK with VARIANT_TRUE, "false" S_OK with
// VARIANT_FALSE, "fail" E_FAIL with VARIANT_FALSE and no message, "failtrue" E_FAIL with
// VARIANT_TRUE left in the out result, as a careless component might. Both variables are read
// when an object is created.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <atomic>
#include <cwctype>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "iis/ToolLog.h"
#include "system/win32/TavCertHlp.h"

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

enum class Answer { Ok, False, Fail, FailTrue };

std::wstring Variable(const wchar_t* name) {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        const DWORD length =
            GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

std::wstring Trimmed(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::iswspace(text[begin])) ++begin;
    while (end > begin && std::iswspace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(Trimmed(text.substr(start, end - start)));
        if (end == std::wstring::npos) return parts;
        start = end + 1;
    }
}

// The answer sequences of TAVCERTHLP_DOUBLE_ANSWERS by method key.
std::map<std::wstring, std::vector<Answer>> ReadAnswers() {
    std::map<std::wstring, std::vector<Answer>> answers;
    for (const std::wstring& entry : Split(Variable(L"TAVCERTHLP_DOUBLE_ANSWERS"), L';')) {
        const size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) continue;
        std::vector<Answer>& sequence = answers[Trimmed(entry.substr(0, equals))];
        for (const std::wstring& word : Split(entry.substr(equals + 1), L',')) {
            sequence.push_back(word == L"false"      ? Answer::False
                               : word == L"fail"     ? Answer::Fail
                               : word == L"failtrue" ? Answer::FailTrue
                                                     : Answer::Ok);
        }
    }
    return answers;
}

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : L""; }

std::wstring FlagOf(VARIANT_BOOL flag) { return flag == VARIANT_TRUE ? L"true" : L"false"; }

class CertificateHelper final : public tavcerthlp::ICertificateHelper {
public:
    CertificateHelper() : log_(Variable(L"TAVCERTHLP_DOUBLE_LOG")), answers_(ReadAnswers()) {
        ++g_objects;
    }
    ~CertificateHelper() { --g_objects; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, tavcerthlp::kInterfaceId)) {
            *object = static_cast<tavcerthlp::ICertificateHelper*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // ICertificateHelper
    HRESULT STDMETHODCALLTYPE RemoveBindingForSite(BSTR site, BSTR protocol,
                                                   BSTR bindingInformation, BSTR* message,
                                                   VARIANT_BOOL* result) override {
        return Call(L"Remove",
                    L"RemoveBindingForSite|" + TextOf(site) + L"|" + TextOf(protocol) + L"|" +
                        TextOf(bindingInformation),
                    message, result);
    }
    HRESULT STDMETHODCALLTYPE AddBindingForSite(BSTR site, BSTR protocol, BSTR bindingInformation,
                                                BSTR certificateName, LONG storeFlags,
                                                BSTR* message, VARIANT_BOOL* result) override {
        return Call(L"Add",
                    L"AddBindingForSite|" + TextOf(site) + L"|" + TextOf(protocol) + L"|" +
                        TextOf(bindingInformation) + L"|" + TextOf(certificateName) + L"|" +
                        std::to_wstring(storeFlags),
                    message, result);
    }
    HRESULT STDMETHODCALLTYPE RemoveCertificateFromStore(LONG storeFlags, BSTR certificateName,
                                                         VARIANT_BOOL* result) override {
        return Call(L"RemoveCertificate",
                    L"RemoveCertificateFromStore|" + std::to_wstring(storeFlags) + L"|" +
                        TextOf(certificateName),
                    nullptr, result);
    }
    HRESULT STDMETHODCALLTYPE CreateSelfSignedCertificateInStore(LONG storeFlags, BSTR subjectNames,
                                                                 BSTR certificateName,
                                                                 VARIANT_BOOL flag,
                                                                 VARIANT_BOOL* result) override {
        return Call(L"Create",
                    L"CreateSelfSignedCertificateInStore|" + std::to_wstring(storeFlags) + L"|" +
                        TextOf(subjectNames) + L"|" + TextOf(certificateName) + L"|" + FlagOf(flag),
                    nullptr, result);
    }

private:
    HRESULT Call(const std::wstring& key, const std::wstring& line, BSTR* message,
                 VARIANT_BOOL* result) {
        if (message) *message = nullptr;
        if (result) *result = VARIANT_FALSE;
        Answer answer = Answer::Ok;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Append(line);
            const auto found = answers_.find(key);
            size_t& calls = calls_[key];
            if (found != answers_.end() && !found->second.empty()) {
                answer =
                    found->second[calls < found->second.size() ? calls : found->second.size() - 1];
            }
            ++calls;
        }
        if (answer == Answer::Fail) return E_FAIL;
        if (answer == Answer::FailTrue) {
            if (result) *result = VARIANT_TRUE;
            return E_FAIL;
        }
        if (!result) return E_POINTER;
        *result = answer == Answer::Ok ? VARIANT_TRUE : VARIANT_FALSE;
        if (message) {
            *message = SysAllocString(answer == Answer::Ok ? L"done" : L"refused");
        }
        return S_OK;
    }

    void Append(const std::wstring& line) const {
        if (!log_.empty()) toollog::AppendLine(log_, line);
    }

    std::atomic<ULONG> references_{1};
    const std::wstring log_;
    const std::map<std::wstring, std::vector<Answer>> answers_;
    std::mutex mutex_;
    std::map<std::wstring, size_t> calls_;
};

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The one factory lives as long as the library.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        CertificateHelper* helper = new (std::nothrow) CertificateHelper;
        if (!helper) return E_OUTOFMEMORY;
        const HRESULT hr = helper->QueryInterface(iid, object);
        helper->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ++g_locks;
        } else {
            --g_locks;
        }
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, tavcerthlp::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }
