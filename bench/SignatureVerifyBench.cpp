// tavpkg verify over signed script and HTML files against md5sum over the same files: the
// verification reads, strips and hashes every line, so md5sum's plain digest of the bytes is
// the yardstick.
// Usage: bench_signature_verify [MEGABYTES] [RUNS]   (defaults 100 and 5)
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/WideText.h"
#include "tavpkg/Tavpkg.h"

namespace {

// A small deterministic generator, so that every run sees the same files.
class Random {
public:
    uint32_t Next() {
        seed_ = seed_ * 1103515245u + 12345u;
        return (seed_ >> 8) & 0xFFFFFF;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

private:
    uint32_t seed_ = 20240611;
};

std::string Indent(Random& random, int level) {
    // Most files indent with spaces, some lines with tabs.
    return random.Below(8) == 0 ? std::string(level, '\t') : std::string(4 * level, ' ');
}

// A script of about bytes bytes: functions with line and block comments, string literals with
// URLs, nested blocks and blank lines.
std::string MakeScript(Random& random, size_t bytes) {
    static const char* const kStatements[] = {
        "var url = \"http://\" + options.server + \"/tav/queue?id=\" + queue.id;",
        "var request = new XMLHttpRequest();",
        "request.open(\"GET\", url, true);   // asynchronous",
        "if (request.readyState === 4 && request.status === 200) {",
        "var jobs = JSON.parse(request.responseText);",
        "for (var i = 0; i < jobs.length; ++i) {",
        "addJobRow(queue, jobs[i]); /* one row per job */",
        "document.getElementById(\"status\").innerHTML = formatStatus(jobs.length);",
        "// Nothing to do while the page is hidden.",
        "return total > 0 ? Math.round(done * 100 / total) : 0;",
        "element.style.display = visible ? \"block\" : \"none\";",
        "}",
        "timer = window.setTimeout(function () { refresh(queue, options); }, 5000);",
        "log(\"queue \" + queue.name + \" has \" + count + \" jobs\");",
        "/* The server answers 204 when the queue is empty. */",
        "options = options || {};",
    };
    std::string text;
    int function = 0;
    while (text.size() < bytes) {
        ++function;
        text += "/*\n * Helpers " + std::to_string(function) +
                " for the print queue pages.\n * Keeps the list of jobs in step with the server.\n */\n";
        text += "function refreshQueue" + std::to_string(function) + "(queue, options) {\n";
        const uint32_t lines = 8 + random.Below(24);
        for (uint32_t line = 0; line < lines; ++line) {
            text += Indent(random, 1 + int(random.Below(4)));
            text += kStatements[random.Below(sizeof kStatements / sizeof kStatements[0])];
            text += "\n";
        }
        text += "}\n\n";
    }
    return text;
}

// A page of about bytes bytes: markup with attributes, HTML comments, and script and style
// elements with their own comments.
std::string MakePage(Random& random, size_t bytes) {
    static const char* const kMarkup[] = {
        "<tr class=\"job\"><td class=\"name\">Report.pdf</td><td>Ready</td><td>12 pages</td></tr>",
        "<div id=\"queue\" class=\"panel\">",
        "</div>",
        "<!-- the job list is filled in by the script -->",
        "<p>Jobs waiting for <b>Printer 4</b> on the second floor.</p>",
        "<a href=\"http://server/tav/queues.htm?sort=name\">Sort by name</a>",
        "<input type=\"button\" value=\"Refresh\" onclick=\"refreshQueue1(queue, {});\">",
        "<img src=\"images/printer.gif\" alt=\"Printer\" width=\"32\" height=\"32\">",
        "<SPAN CLASS=\"Hint\">Select a job to see its details.</SPAN>",
    };
    static const char* const kScript[] = {
        "var rows = document.getElementsByTagName(\"tr\"); // all rows",
        "for (var i = 0; i < rows.length; ++i) { rows[i].className = \"job\"; }",
        "/* highlight the selected job */",
        "selected = null;",
    };
    static const char* const kStyle[] = {
        "td.name { font-weight: bold; } /* names stand out */",
        "div.panel { border: 1px solid #888; padding: 4px; }",
    };
    std::string text = "<html>\n<head>\n  <title>Print queues</title>\n</head>\n<body>\n";
    while (text.size() < bytes) {
        const uint32_t kind = random.Below(20);
        if (kind == 0) {
            text += "<script type=\"text/javascript\">\n";
            for (uint32_t i = 0, n = 3 + random.Below(8); i < n; ++i) {
                text += Indent(random, 1) + kScript[random.Below(4)] + "\n";
            }
            text += "</script>\n";
        } else if (kind == 1) {
            text += "<style>\n";
            for (uint32_t i = 0, n = 2 + random.Below(4); i < n; ++i) {
                text += Indent(random, 1) + kStyle[random.Below(2)] + "\n";
            }
            text += "</style>\n";
        } else {
            text += Indent(random, int(random.Below(5)));
            text += kMarkup[random.Below(sizeof kMarkup / sizeof kMarkup[0])];
            text += "\n";
        }
    }
    return text + "</body>\n</html>\n";
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// User and system time of this process (or of its waited-for children) in seconds.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Removes the generated files and their folder at the end, also after a failure.
class GeneratedFiles {
public:
    explicit GeneratedFiles(std::string folder) : folder_(std::move(folder)) {}
    ~GeneratedFiles() {
        for (const auto& path : paths) std::remove(path.c_str());
        rmdir(folder_.c_str());
    }
    GeneratedFiles(const GeneratedFiles&) = delete;
    GeneratedFiles& operator=(const GeneratedFiles&) = delete;

    std::vector<std::string> paths;

private:
    std::string folder_;
};

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? size_t(std::atoi(argv[1])) : 100;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    char folderTemplate[] = "/tmp/tav-bench-signature-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return 1;
    const std::string folder = folderTemplate;

    GeneratedFiles files(folder);
    std::vector<std::string>& paths = files.paths;

    // Half scripts, half pages, 100 to 400 KB each.
    Random random;
    std::vector<std::wstring> args = {L"sign"};
    size_t total = 0;
    for (int index = 0; total < megabytes * 1000000; ++index) {
        const bool script = index % 2 == 0;
        const size_t size = 100000 + random.Below(300000);
        const std::string path =
            folder + "/file" + std::to_string(index) + (script ? ".js" : ".htm");
        paths.push_back(path);
        if (!WriteFile(path, script ? MakeScript(random, size) : MakePage(random, size))) return 1;
        args.push_back(tav::FromUtf8(path));
        total += size;
    }

    std::ostringstream out, err;
    if (tavpkg::Run(args, out, err) != 0) {
        std::fprintf(stderr, "signing failed:\n%s", err.str().c_str());
        return 1;
    }
    total = 0;
    for (const auto& path : paths) {
        struct stat info {};
        stat(path.c_str(), &info);
        total += size_t(info.st_size);
    }
    std::printf("%zu signed files (.js and .htm), %.1f MB\n", paths.size(), total / 1e6);

    args[0] = L"verify";
    const std::string md5sum = "cd '" + folder + "' && md5sum -- *.js *.htm > /dev/null";
    // Alternate so that both see the same cache and frequency conditions; the first round
    // warms the cache and counts like the others.
    double verifyWall = 1e9, verifyCpu = 1e9, md5Wall = 1e9, md5Cpu = 1e9;
    for (int round = 0; round < runs; ++round) {
        std::ostringstream verifyOut, verifyErr;
        double cpu = CpuSeconds(RUSAGE_SELF);
        auto start = std::chrono::steady_clock::now();
        const int code = tavpkg::Run(args, verifyOut, verifyErr);
        verifyWall = std::min(verifyWall, Seconds(start));
        verifyCpu = std::min(verifyCpu, CpuSeconds(RUSAGE_SELF) - cpu);
        if (code != 0) {
            std::fprintf(stderr, "verify answered %d:\n%s%s", code, verifyErr.str().c_str(),
                         verifyOut.str().substr(0, 2000).c_str());
            return 1;
        }

        cpu = CpuSeconds(RUSAGE_CHILDREN);
        start = std::chrono::steady_clock::now();
        if (std::system(md5sum.c_str()) != 0) {
            std::fprintf(stderr, "md5sum failed\n");
            return 1;
        }
        md5Wall = std::min(md5Wall, Seconds(start));
        md5Cpu = std::min(md5Cpu, CpuSeconds(RUSAGE_CHILDREN) - cpu);
    }

    const double mb = total / 1e6;
    std::printf("                 wall (best of %d)        CPU time (best of %d)\n", runs, runs);
    std::printf("tavpkg verify: %8.1f MB/s (%6.3f s)   %8.1f MB/s (%6.3f s)\n", mb / verifyWall,
                verifyWall, mb / verifyCpu, verifyCpu);
    std::printf("md5sum:        %8.1f MB/s (%6.3f s)   %8.1f MB/s (%6.3f s)\n", mb / md5Wall,
                md5Wall, mb / md5Cpu, md5Cpu);
    std::printf("verify / md5sum throughput: %.2f (wall), %.2f (CPU)\n", md5Wall / verifyWall,
                md5Cpu / verifyCpu);
    return 0;
}
