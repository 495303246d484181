// The first lookup of the language text table, which reads the language file, against a bare
// SAX parse of the same file.
// Usage: bench_text_load [IDS] [RUNS]   (defaults 2000 and 15)
#include <libxml/parser.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "base/WideText.h"

namespace {

// Each language with words of its own, so that texts carry the letters outside ASCII that
// real translations have: none in English, a few in most languages, nearly all in Arabic.
struct Language {
    const char* code;
    std::vector<std::string> words;
};

const std::vector<Language>& Languages() {
    static const std::vector<Language> languages = {
        {"AR", {"\xD8\xA7\xD9\x84\xD9\x85\xD9\x84\xD9\x81", "\xD8\xA7\xD9\x84\xD8\xAE\xD8\xAF\xD9\x85\xD8\xA9",
                "\xD9\x84\xD9\x85", "\xD9\x8A\xD8\xAA\xD9\x85", "\xD8\xAA\xD8\xB4\xD8\xBA\xD9\x8A\xD9\x84",
                "\xD8\xA7\xD9\x84\xD9\x85\xD8\xAC\xD9\x84\xD8\xAF", "\xD8\xAA\xD8\xAD\xD8\xAF\xD9\x8A\xD8\xAB",
                "\xD8\xA7\xD9\x84\xD8\xA5\xD8\xB5\xD8\xAF\xD8\xA7\xD8\xB1", "Tarnova", "&lt;path&gt;"}},
        {"CZ", {"soubor", "slu\xC5\xBE" "ba", "nelze", "spustit", "aktualizace", "slo\xC5\xBEka", "verze",
                "pr\xC5\xAFvodce", "z\xC3\xA1loha", "server", "Tarnova", "&lt;path&gt;"}},
        {"DK", {"filen", "tjenesten", "kunne", "ikke", "startes", "opdatering", "mappe",
                "sikkerhedskopi", "p\xC3\xA5", "v\xC3\xA6rkt\xC3\xB8j", "Tarnova", "&lt;path&gt;"}},
        {"NL", {"het", "bestand", "service", "kon", "niet", "worden", "gestart", "map", "update",
                "versie", "Tarnova", "&lt;path&gt;"}},
        {"EN", {"the", "file", "service", "could", "not", "be", "started", "folder", "update",
                "version", "Tarnova", "&lt;path&gt;"}},
        {"EE", {"faili", "teenust", "ei", "saanud", "k\xC3\xA4ivitada", "kaust", "v\xC3\xA4rskendus",
                "versioon", "varukoopia", "server", "Tarnova", "&lt;path&gt;"}},
        {"FI", {"tiedostoa", "palvelua", "ei", "voitu", "k\xC3\xA4ynnist\xC3\xA4\xC3\xA4", "kansio",
                "p\xC3\xA4ivitys", "versio", "varmuuskopio", "palvelin", "Tarnova", "&lt;path&gt;"}},
        {"FR", {"le", "fichier", "service", "n'a", "pas", "pu", "\xC3\xAAtre", "d\xC3\xA9marr\xC3\xA9",
                "dossier", "mise", "\xC3\xA0", "jour", "Tarnova", "&lt;path&gt;"}},
        {"DE", {"die", "Datei", "Dienst", "konnte", "nicht", "gestartet", "werden", "Ordner",
                "Aktualisierung", "f\xC3\xBCr", "gr\xC3\xB6\xC3\x9F" "er", "Tarnova", "&lt;path&gt;"}},
        {"HU", {"a", "f\xC3\xA1jl", "szolg\xC3\xA1ltat\xC3\xA1s", "nem", "ind\xC3\xADthat\xC3\xB3", "mappa",
                "friss\xC3\xADt\xC3\xA9s", "verzi\xC3\xB3", "biztons\xC3\xA1gi", "ment\xC3\xA9s", "Tarnova",
                "&lt;path&gt;"}},
        {"IT", {"il", "file", "servizio", "non", "\xC3\xA8", "stato", "avviato", "cartella",
                "aggiornamento", "versione", "Tarnova", "&lt;path&gt;"}},
        {"NO", {"filen", "tjenesten", "kunne", "ikke", "startes", "mappe", "oppdatering", "versjon",
                "sikkerhetskopi", "p\xC3\xA5", "Tarnova", "&lt;path&gt;"}},
        {"PL", {"plik", "us\xC5\x82uga", "nie", "mo\xC5\xBC" "e", "zosta\xC4\x87", "uruchomiona", "folder",
                "aktualizacja", "wersja", "kopia", "Tarnova", "&lt;path&gt;"}},
        {"ES", {"el", "archivo", "servicio", "no", "se", "pudo", "iniciar", "carpeta",
                "actualizaci\xC3\xB3n", "versi\xC3\xB3n", "Tarnova", "&lt;path&gt;"}},
        {"SE", {"filen", "tj\xC3\xA4nsten", "kunde", "inte", "startas", "mappen", "uppdatering",
                "version", "s\xC3\xA4kerhetskopia", "p\xC3\xA5", "Tarnova", "&lt;path&gt;"}},
    };
    return languages;
}

// A language file of ids texts in 15 languages, 40 to 120 bytes each.
std::string MakeLanguageFile(int ids) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TAVLANG>\n  <LANGUAGES>\n";
    int order = 1;
    for (const Language& language : Languages()) {
        xml += "    <LANG code=\"" + std::string(language.code) + "\" displayorder=\"" +
               std::to_string(order++) + "\">Language " + language.code + "</LANG>\n";
    }
    xml += "  </LANGUAGES>\n";
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int id = 0; id < ids; ++id) {
        xml += "  <STRING code=\"" + std::to_string(53000 + id) + "\">\n";
        for (const Language& language : Languages()) {
            const size_t length = 40 + next() % 81;
            std::string text;
            while (text.size() < length) {
                if (!text.empty()) text += ' ';
                text += language.words[next() % language.words.size()];
            }
            xml += "    <LANG code=\"" + std::string(language.code) + "\">" + text + "</LANG>\n";
        }
        xml += "  </STRING>\n";
    }
    xml += "</TAVLANG>\n";
    return xml;
}

void NoStart(void*, const xmlChar*, const xmlChar**) {}
void NoEnd(void*, const xmlChar*) {}
void NoCharacters(void*, const xmlChar*, int) {}
xmlEntityPtr Predefined(void*, const xmlChar* name) { return xmlGetPredefinedEntity(name); }
void Quiet(void*, const char*, ...) {}

// The SAX set-up the table uses, with callbacks that do nothing.
bool BareParse(const std::string& path) {
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.getEntity = Predefined;
    sax.startElement = NoStart;
    sax.endElement = NoEnd;
    sax.characters = NoCharacters;
    sax.warning = Quiet;
    sax.error = Quiet;
    sax.fatalError = Quiet;
    sax.initialized = 1;
    xmlSubstituteEntitiesDefault(1);
    return xmlSAXUserParseFile(&sax, nullptr, path.c_str()) == 0;
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int ids = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    const std::string folder = "/tmp/tav-bench-lang-" + std::to_string(getpid());
    const std::string path = folder + "/TavLang.Xml";
    const std::string xml = MakeLanguageFile(ids);
    if (mkdir(folder.c_str(), 0700) != 0) return 1;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 1;
    std::fwrite(xml.data(), 1, xml.size(), out);
    std::fclose(out);

    xmlInitParser();
    {
        CStringBase table(tav::FromUtf8(folder));
        const std::wstring* last = table.GetText(53000 + ids - 1, L"SE");
        if (!BareParse(path) || last == nullptr || last->size() < 40) {
            std::fprintf(stderr, "the generated file did not load\n");
            return 1;
        }
        std::printf("language file: %d ids in 15 languages, %.2f MB\n", ids, xml.size() / 1e6);
    }

    // Alternate so that both see the same cache and frequency conditions.
    double bare = 1e9, load = 1e9;
    for (int round = 0; round < runs; ++round) {
        auto start = std::chrono::steady_clock::now();
        BareParse(path);
        bare = std::min(bare, Seconds(start));
        // Only the first lookup is timed, not the table's construction or destruction.
        auto table = std::make_unique<CStringBase>(tav::FromUtf8(folder));
        start = std::chrono::steady_clock::now();
        table->GetText(53000, L"EN");
        load = std::min(load, Seconds(start));
    }
    std::printf("bare SAX parse:       %8.2f ms (best of %d)\n", bare * 1e3, runs);
    std::printf("first GetText (load): %8.2f ms (best of %d)\n", load * 1e3, runs);
    std::printf("ratio:                %8.2f\n", load / bare);
    std::remove(path.c_str());
    rmdir(folder.c_str());
    return 0;
}
