// Loading a large package description into a container, against a bare SAX parse of the same file.
// Usage: bench_container_load [FILES] [RUNS]   (defaults 20000 and 15)
#include <libxml/parser.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "persist/ObjContainerXml.h"

namespace {

// A package description shaped like a real one: one updater with many file entries.
std::string MakePackage(int files) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CONFIG>\n"
        "  <ITEM key=\"Packages\" type=\"OCStringList\">\n"
        "    <ITEM key=\"0\" type=\"OCStringListItem\">Tarnova_Update</ITEM>\n  </ITEM>\n"
        "  <ITEM key=\"Tarnova_Update\" type=\"OCContainer\">\n"
        "    <ITEM key=\"ComponentName\" type=\"OCString\">Tarnova server</ITEM>\n"
        "    <ITEM key=\"Updaters\" type=\"OCContainer\">\n"
        "      <ITEM key=\"Updater0\" type=\"OCContainer\">\n"
        "        <ITEM key=\"ClassType\" type=\"OCString\">CTupModuleUpdater</ITEM>\n"
        "        <ITEM key=\"Files\" type=\"OCContainer\">\n";
    char entry[1024];
    for (int i = 0; i < files; ++i) {
        std::snprintf(entry, sizeof entry,
                      "          <ITEM key=\"File%d\" type=\"OCContainer\">\n"
                      "            <ITEM key=\"UpdatePackageFile\" type=\"OCString\">web\\pages\\module%d\\page%d.asp</ITEM>\n"
                      "            <ITEM key=\"InstallationFile\" type=\"OCString\">[$POSPATH]web\\pages\\module%d\\page%d.asp</ITEM>\n"
                      "            <ITEM key=\"VersionCheckType\" type=\"OCUnsignedLong\">%d</ITEM>\n"
                      "            <ITEM key=\"UserCustomizationCheckPlanned\" type=\"OCUnsignedLong\">1</ITEM>\n"
                      "          </ITEM>\n",
                      i, i / 100, i, i / 100, i, i % 4);
        xml += entry;
    }
    xml += "        </ITEM>\n      </ITEM>\n    </ITEM>\n  </ITEM>\n</CONFIG>\n";
    return xml;
}

void NoStart(void*, const xmlChar*, const xmlChar**) {}
void NoEnd(void*, const xmlChar*) {}
void NoCharacters(void*, const xmlChar*, int) {}
void Quiet(void*, const char*, ...) {}

// The same SAX set-up the reader uses, with callbacks that do nothing.
bool BareParse(const std::string& path) {
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = NoStart;
    sax.endElement = NoEnd;
    sax.characters = NoCharacters;
    sax.warning = Quiet;
    sax.error = Quiet;
    sax.fatalError = Quiet;
    sax.initialized = 1;
    xmlSubstituteEntitiesDefault(0);
    return xmlSAXUserParseFile(&sax, nullptr, path.c_str()) == 0;
}

template <typename F>
double BestSeconds(int runs, F&& run) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    const std::string path = "/tmp/tav-bench-package.xml";
    const std::string xml = MakePackage(files);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 1;
    std::fwrite(xml.data(), 1, xml.size(), out);
    std::fclose(out);

    xmlInitParser();
    ObjContainerXml container;
    if (!container.Load(tav::FromUtf8(path)) || !BareParse(path)) {
        std::fprintf(stderr, "the generated file did not parse\n");
        return 1;
    }
    const ObjContainer* updater = container.GetContainer(L"Tarnova_Update")
                                      ->GetContainer(L"Updaters")
                                      ->GetContainer(L"Updater0")
                                      ->GetContainer(L"Files");
    std::printf("package description: %d file entries, %.1f MB, %zu file entries loaded\n",
                files, xml.size() / 1e6, updater ? updater->Count() : 0);

    // Alternate so that both see the same cache and frequency conditions.
    double bare = 1e9, load = 1e9;
    for (int round = 0; round < runs; ++round) {
        bare = std::min(bare, BestSeconds(1, [&] { BareParse(path); }));
        // Only the load is timed, not the container's destruction.
        auto fresh = std::make_unique<ObjContainerXml>();
        load = std::min(load, BestSeconds(1, [&] { fresh->Load(tav::FromUtf8(path)); }));
    }
    std::printf("bare SAX parse:  %8.2f ms (best of %d)\n", bare * 1e3, runs);
    std::printf("container load:  %8.2f ms (best of %d)\n", load * 1e3, runs);
    std::printf("ratio:           %8.2f\n", load / bare);
    std::remove(path.c_str());
    return 0;
}
