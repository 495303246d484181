// The IIS tool commands refuse values that would break the quotes they are put between.
#include <gtest/gtest.h>

#include <functional>

#include "modules/TupIisCommands.h"

namespace {

using TupIis::Commands;

constexpr const wchar_t* kClient = L"C:\\Program Files\\Tav\\Client\\";
constexpr const wchar_t* kSystem = L"C:\\Windows\\system32";

TupIis::WebEntry Web(const std::wstring& folder, const std::wstring& name) {
    TupIis::WebEntry web;
    EXPECT_TRUE(TupIis::ParseWebEntry(folder + L";" + name + L";docreateweb", web));
    return web;
}

// Builds one family's commands from a web folder, a web name and the client folder.
using Build = std::function<Commands(const std::wstring& folder, const std::wstring& name,
                                     const std::wstring& client)>;

TEST(TupIisCommandsTest, AQuoteInAValueBetweenQuotesRefusesEveryCommandOfItsFamily) {
    const struct {
        const char* family;
        Build build;
    } families[] = {
        {"virtual directory",
         [](auto& folder, auto& name, auto& client) {
             return TupIis::CreateWebCommands(TupIis::ToolLocations(client, kSystem),
                                              Web(folder, name));
         }},
        {"application pool",
         [](auto&, auto&, auto& client) {
             return TupIis::AppPoolCommands(TupIis::ToolLocations(client, kSystem), client);
         }},
        {"authentication",
         [](auto& folder, auto& name, auto& client) {
             return TupIis::AuthenticationCommands(TupIis::ToolLocations(client, kSystem),
                                                   Web(folder, name), true);
         }},
        {"redirect, old IIS",
         [](auto&, auto& name, auto& client) {
             return TupIis::RedirectCommands(TupIis::ToolLocations(client, kSystem), name, true);
         }},
        {"redirect",
         [](auto&, auto& name, auto& client) {
             return TupIis::RedirectCommands(TupIis::ToolLocations(client, kSystem), name, false);
         }},
        {"remove 403.4",
         [](auto&, auto& name, auto& client) {
             return TupIis::RemoveErrorPage403Commands(TupIis::ToolLocations(client, kSystem),
                                                       name);
         }},
        {"static 401",
         [](auto&, auto& name, auto& client) {
             return TupIis::StaticPage401Commands(TupIis::ToolLocations(client, kSystem), name,
                                                  client);
         }},
    };
    const struct {
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* client;
        const char* refusedFamilies;  // initials: v a u o r e s
    } cases[] = {
        {L"D:\\Web", L"tav", kClient, ""},
        {L"D:\\We\" /x \"b", L"tav", kClient, "v"},
        {L"D:\\Web", L"t\"av", kClient, "vuores"},
        {L"D:\\Web", L"tav", L"C:\\Cli\"ent\\", "vaous"},
    };
    const char initials[] = "vauores";
    for (const auto& c : cases) {
        for (size_t i = 0; i < std::size(families); ++i) {
            const Commands commands = families[i].build(c.folder, c.name, c.client);
            const bool refused = std::string(c.refusedFamilies).find(initials[i]) != std::string::npos;
            ASSERT_FALSE(commands.empty()) << families[i].family;
            for (const auto& command : commands) {
                // An empty program starts nothing and counts as not started.
                EXPECT_EQ(refused, command.program.empty())
                    << families[i].family << " " << testing::PrintToString(command.parameters);
            }
        }
    }
}

TEST(TupIisCommandsTest, AWebFolderEndingInABackslashKeepsItsClosingQuote) {
    const TupIis::Commands commands =
        TupIis::CreateWebCommands(TupIis::ToolLocations(kClient, kSystem), Web(L"D:\\Web\\", L"tav"));
    ASSERT_EQ(2u, commands.size());
    // As the tool's runtime reads it back: D:\Web\ and then the web's name.
    EXPECT_EQ(L"CD \"D:\\Web\\\\\" tav 5", commands[0].parameters);
}

}  // namespace
