// The Windows certificate component against the COM test double of TavCertHlp.dll, registered
// and unregistered by the registration stand-in: the calls' arguments reach the object exactly,
// each kind of answer comes back as it was given, the calling thread's apartment is as before
// once the session is gone, nothing can be created after the class was unregistered, and the
// stand-in registers in the registry view of the regasm whose place it takes.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/WideText.h"
#include "system/win32/Win32CertificateComponent.h"
#include "win/WinScratchFolder.h"
#include "win/WinStandIns.h"

namespace {

using Lines = std::vector<std::wstring>;

enum class Thread { WithoutCom, InMultithreadedApartment, InSingleThreadedApartment };

// The apartment of the calling thread as CoGetApartmentType tells it.
std::wstring Apartment() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    const HRESULT hr = CoGetApartmentType(&type, &qualifier);
    if (FAILED(hr)) return L"none";
    return L"type " + std::to_wstring(type) + L" qualifier " + std::to_wstring(qualifier);
}

class CertificateComponentWin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.Made()); }
    // A test that stopped half-way leaves no registered class behind.
    void TearDown() override { Regasm(L"/unregister"); }

    // Runs the stand-in on the built double with the given arguments after the library.
    long Regasm(const std::wstring& arguments) {
        return wintest::RunToEnd(L"\"" + wintest::RegasmStandInExe() + L"\" \"" + library_ +
                                 L"\" " + arguments);
    }
    std::wstring RegasmLine(const std::wstring& arguments) const {
        return L"tav_regasm_standin.exe|\"" + wintest::RegasmStandInExe() + L"\" \"" + library_ +
               L"\" " + arguments;
    }

    wintest::WinScratchFolder folder_;
    const std::wstring log_ = folder_.PathOf(L"calls.log");
    const std::wstring library_ = wintest::CertificateDoubleDll();
    // The stand-in and the double write into one log, so their order shows.
    wintest::ScopedVariable toolLog_{L"TAV_TOOL_LOG", log_};
    wintest::ScopedVariable doubleLog_{L"TAVCERTHLP_DOUBLE_LOG", log_};
};

TEST_F(CertificateComponentWin, CallsReachTheObjectAndAnswersComeBackOnEveryKindOfThread) {
    wintest::ScopedVariable answers(L"TAVCERTHLP_DOUBLE_ANSWERS",
                                    L"Create=ok;Remove=false;Add=fail");
    ASSERT_EQ(0, Regasm(L"/codebase /silent /nologo /tlb"));
    ASSERT_EQ(library_, wintest::RegisteredCertificateServer());

    const std::wstring subjects = L"cn=\"localhost\";cn=\"127.0.0.1\";cn=\"srv\xC4\"";
    const std::wstring name = L"2026-12-09 05:42:04 localhost;127.0.0.1;srv\xC4";
    const struct {
        Thread thread;
        const char* label;
    } cases[] = {{Thread::WithoutCom, "thread without COM"},
                 {Thread::InMultithreadedApartment, "thread in the multithreaded apartment"},
                 {Thread::InSingleThreadedApartment, "thread in a single-threaded apartment"}};
    Lines expected{RegasmLine(L"/codebase /silent /nologo /tlb")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::wstring before, after;
        bool created = false;
        sys::ComponentCall made, removed, added;
        std::thread worker([&] {
            if (c.thread == Thread::InMultithreadedApartment) {
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            } else if (c.thread == Thread::InSingleThreadedApartment) {
                CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            }
            before = Apartment();
            {
                sys::win32::Win32CertificateComponent component;
                std::unique_ptr<sys::ICertificateSession> session = component.Create();
                created = session != nullptr;
                if (session) {
                    made = session->CreateSelfSignedCertificateInStore(16, subjects, name, true);
                    removed =
                        session->RemoveBindingForSite(L"Default Web Site", L"https", L"*:443:");
                    added = session->AddBindingForSite(L"Default Web Site", L"https", L"*:443:",
                                                       name, 16);
                }
            }
            after = Apartment();
            if (c.thread != Thread::WithoutCom) CoUninitialize();
        });
        worker.join();

        ASSERT_TRUE(created);
        EXPECT_TRUE(made.called && made.result);
        EXPECT_TRUE(removed.called);
        EXPECT_FALSE(removed.result);
        EXPECT_EQ(L"refused", removed.message);
        EXPECT_FALSE(added.called || added.result);
        EXPECT_EQ(L"", added.message);
        EXPECT_EQ(before, after);
        expected.push_back(L"CreateSelfSignedCertificateInStore|16|" + subjects + L"|" + name +
                           L"|true");
        expected.push_back(L"RemoveBindingForSite|Default Web Site|https|*:443:");
        expected.push_back(L"AddBindingForSite|Default Web Site|https|*:443:|" + name + L"|16");
    }
    EXPECT_EQ(expected, wintest::LogLines(log_));
}

// A failed call counts as failed whatever its out result says.
TEST_F(CertificateComponentWin, AnswersFollowTheirSequenceAndTheLastOneRepeats) {
    wintest::ScopedVariable answers(L"TAVCERTHLP_DOUBLE_ANSWERS", L"Remove=fail,false,failtrue,ok");
    ASSERT_EQ(0, Regasm(L"/codebase /silent /nologo /tlb"));
    sys::win32::Win32CertificateComponent component;
    std::unique_ptr<sys::ICertificateSession> session = component.Create();
    ASSERT_NE(nullptr, session);
    std::vector<std::pair<bool, bool>> seen;
    for (int i = 0; i < 5; ++i) {
        const sys::ComponentCall call = session->RemoveBindingForSite(L"s", L"p", L"b");
        seen.emplace_back(call.called, call.result);
    }
    const sys::ComponentCall unnamed =
        session->CreateSelfSignedCertificateInStore(16, L"", L"", false);
    session.reset();
    EXPECT_EQ((std::vector<std::pair<bool, bool>>{
                  {false, false}, {true, false}, {false, false}, {true, true}, {true, true}}),
              seen);
    EXPECT_TRUE(unnamed.called && unnamed.result);
    EXPECT_EQ(L"CreateSelfSignedCertificateInStore|16|||false", wintest::LogLines(log_).back());
}

TEST_F(CertificateComponentWin, NothingIsCreatedOnceTheClassIsUnregistered) {
    ASSERT_EQ(0, Regasm(L"/codebase /silent /nologo /tlb"));
    ASSERT_FALSE(wintest::RegisteredCertificateServer().empty());
    EXPECT_EQ(0, Regasm(L"/unregister"));
    EXPECT_EQ(L"", wintest::RegisteredCertificateServer());

    sys::win32::Win32CertificateComponent component;
    EXPECT_EQ(nullptr, component.Create());
    // A library that is not there is not registered.
    EXPECT_EQ(2, wintest::RunToEnd(L"\"" + wintest::RegasmStandInExe() + L"\" \"" +
                                   folder_.PathOf(L"TavCertHlp.dll") + L"\" /codebase"));
    EXPECT_EQ(L"", wintest::RegisteredCertificateServer());
    EXPECT_EQ(nullptr, component.Create());
    EXPECT_EQ((Lines{RegasmLine(L"/codebase /silent /nologo /tlb"), RegasmLine(L"/unregister"),
                     L"tav_regasm_standin.exe|\"" + wintest::RegasmStandInExe() + L"\" \"" +
                         folder_.PathOf(L"TavCertHlp.dll") + L"\" /codebase"}),
              wintest::LogLines(log_));
}

// Each regasm writes only into the view of its own bitness, so only the 64-bit one's
// registration lets this 64-bit process create the object; unregistering takes it back there.
TEST_F(CertificateComponentWin, TheStandInRegistersInTheViewOfTheRegasmWhosePlaceItTakes) {
    const struct {
        const wchar_t* framework;
        REGSAM registered, untouched;
        bool creatable;
    } cases[] = {{L"Framework", KEY_WOW64_32KEY, KEY_WOW64_64KEY, false},
                 {L"Framework64", KEY_WOW64_64KEY, KEY_WOW64_32KEY, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(tav::ToUtf8(c.framework));
        const std::wstring place = wintest::RegasmPlace(folder_.Path(), c.framework);
        const wintest::PlacedCopy regasm(wintest::RegasmStandInExe(), place);
        ASSERT_TRUE(regasm.Placed());
        const std::wstring program = L"\"" + place + L"\" \"" + library_ + L"\" ";

        ASSERT_EQ(0, wintest::RunToEnd(program + L"/codebase /silent /nologo /tlb"));
        EXPECT_EQ(library_, wintest::RegisteredCertificateServer(c.registered));
        EXPECT_EQ(L"", wintest::RegisteredCertificateServer(c.untouched));
        {
            sys::win32::Win32CertificateComponent component;
            EXPECT_EQ(c.creatable, component.Create() != nullptr);
        }
        CoFreeUnusedLibrariesEx(0, 0);

        EXPECT_EQ(0, wintest::RunToEnd(program + L"/unregister"));
        EXPECT_EQ(L"", wintest::RegisteredCertificateServer(c.registered));
    }
}

}  // namespace
