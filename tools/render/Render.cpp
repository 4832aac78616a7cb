// kmr-render: calculates a project without a display. It loads the plug-ins
// of kmd/ beside the program, reads the project, runs the run check and the
// calculation thread, and tells which wave files the recorders wrote.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Label.h"
#include "Project.h"
#include "Run.h"
#include "Strings.h"

namespace fs = std::filesystem;

namespace {

enum Exit : int {
    kDone = 0,
    kLoadFailed = 2,
    kCheckRefused = 3,
    kStartRefused = 4,
    kStopFailed = 5,
    kBadArguments = 64,
    kInterrupted = 130,
};

const char kUsage[] = "usage: kmr-render [--out DIR] [--rate HZ] [--time SECONDS] [--quiet] PROJECT.kpj\n";

const char kHelp[] =
    "Calculates the sound of a Kelmora project without a display.\n"
    "\n"
    "The module plug-ins are loaded from the kmd folder beside kmr-render, with\n"
    "English as their language. The project is checked as the editor's Go command\n"
    "checks it, then calculated sample by sample; the recorders of the project\n"
    "write their numbered wave files (Taperec00.wav, Cd00.wav, ...) into DIR.\n"
    "\n"
    "Options:\n"
    "  --out DIR       folder for the wave files (default: the current folder);\n"
    "                  made when it does not exist\n"
    "  --rate HZ       sample rate instead of the project's: 11025, 22050 or 44100\n"
    "  --time SECONDS  duration instead of the project's, above 0\n"
    "  --quiet         no progress bar (it is shown on stderr when that is a terminal)\n"
    "  --help          this text\n"
    "\n"
    "Output: the path of every wave file the run wrote, one per line on stdout,\n"
    "then one summary line: samples, instances, elapsed milliseconds and\n"
    "module-samples per second. Ctrl+C (SIGINT) cancels the run: the sample in\n"
    "progress completes, every module is stopped, and the recorders write what\n"
    "they have.\n"
    "\n"
    "Exit codes:\n"
    "  0    done\n"
    "  2    the project cannot be loaded (the reason is printed)\n"
    "  3    the schematic check refused the run (its message is printed)\n"
    "  4    a module refused to start (its slot and type are printed)\n"
    "  5    a module failed to stop (their slots and types are printed)\n"
    "  64   bad arguments\n"
    "  130  cancelled by SIGINT\n";

struct Options {
    std::string out = ".";
    std::optional<int32_t> rate;
    std::optional<double> time;
    bool quiet = false;
    bool help = false;
    std::string project;
};

// Parses the whole text as a number; false for anything else.
bool parseInt(const char *text, long &value) {
    if (!*text) return false;
    errno = 0;
    char *end = nullptr;
    value = std::strtol(text, &end, 10);
    return errno == 0 && *end == 0;
}

bool parseDouble(const char *text, double &value) {
    if (!*text) return false;
    errno = 0;
    char *end = nullptr;
    value = std::strtod(text, &end);
    return errno == 0 && *end == 0;
}

// Answers the error text, empty when the arguments are good.
std::string parseArguments(int argc, char **argv, Options &o) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!o.project.empty()) return "more than one project given";
            o.project = arg;
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
            continue;
        }
        // Options with a value, as "--name VALUE" or "--name=VALUE".
        std::string name = arg, value;
        size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (name == "--out" || name == "--rate" || name == "--time") {
            if (i + 1 >= argc) return name + " needs a value";
            value = argv[++i];
        }
        if (name == "--out") {
            if (value.empty()) return "--out needs a folder";
            o.out = value;
        } else if (name == "--rate") {
            long hz = 0;
            if (!parseInt(value.c_str(), hz) || (hz != 11025 && hz != 22050 && hz != 44100))
                return "--rate must be 11025, 22050 or 44100, not '" + value + "'";
            o.rate = (int32_t)hz;
        } else if (name == "--time") {
            double s = 0;
            if (!parseDouble(value.c_str(), s) || !std::isfinite(s) || !(s > 0.0))
                return "--time must be a number of seconds above 0, not '" + value + "'";
            o.time = s;
        } else {
            return "unknown option " + name;
        }
    }
    if (!o.help && o.project.empty()) return "no project given";
    return {};
}

// The wave files of a folder, with what tells a rewritten file from the one
// that was there before.
struct FileStamp {
    int64_t mtime;
    int64_t size;
    uint64_t inode;
    bool operator==(const FileStamp &) const = default;
};

bool isWave(const std::string &name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char &c : ext) c = (char)std::tolower((unsigned char)c);
    return ext == ".wav";
}

std::map<std::string, FileStamp> waveFiles(const fs::path &dir) {
    std::map<std::string, FileStamp> files;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        struct stat st;
        if (!isWave(name) || ::stat(e.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        files[name] = FileStamp{(int64_t)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec, (int64_t)st.st_size,
                                (uint64_t)st.st_ino};
    }
    return files;
}

// SIGINT asks the running calculation to stop; both stores are lock-free.
std::atomic<kmr::ThreadGo *> gRun{nullptr};
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<kmr::ThreadGo *>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    gInterrupted.store(true);
    if (kmr::ThreadGo *run = gRun.load()) run->Cancel();
}

// A text of the language table, or `fallback` when no table could be loaded.
std::string text(int number, const char *fallback) {
    const char *t = GetString(number);
    return *t ? std::string(t) : std::string(fallback);
}

std::string describeSlot(const MODULES &scheme, int slot) {
    const MODULE *m = scheme.Get(slot);
    std::string s = "slot " + std::to_string(slot);
    if (m) s += " (" + std::string(scheme.Types().TypeName(m->Index)) + ")";
    return s;
}

void drawProgress(int percent) {
    const int width = 40;
    int filled = std::clamp(percent, 0, 100) * width / 100;
    std::string bar(filled, '#');
    bar.append(width - filled, '-');
    std::fprintf(stderr, "\r[%s] %3d %%", bar.c_str(), percent);
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%*s\r", 48, "");
    std::fflush(stderr);
}

} // namespace

int main(int argc, char **argv) {
    Options o;
    std::string error = parseArguments(argc, argv, o);
    if (!error.empty()) {
        std::fprintf(stderr, "kmr-render: %s\n%s", error.c_str(), kUsage);
        return kBadArguments;
    }
    if (o.help) {
        std::printf("%s\n%s", kUsage, kHelp);
        return kDone;
    }

    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    const fs::path programDir = ec ? fs::current_path() : self.parent_path();
    // Names given relative to where kmr-render was started stay so after it
    // changes into the output folder.
    const fs::path project = fs::absolute(o.project, ec);
    fs::path out = fs::absolute(o.out, ec);
    fs::create_directories(out, ec);
    if (!fs::is_directory(out) || ::chdir(out.c_str()) != 0) {
        std::fprintf(stderr, "kmr-render: cannot write into the folder %s\n", o.out.c_str());
        return kBadArguments;
    }
    out = fs::current_path(ec);

    static double values[kNetCount];
    static DESCRIPTOR descriptors[kDescriptorCount];
    PARAMS params = kmr::StartParams(values, descriptors, 1); // the plug-ins' English texts

    Language.SetFolder(programDir.string());
    Language.LoadLanguage(1);

    AVMODULES types(&params);
    types.SetFolder((programDir / "kmd").string());
    std::vector<std::string> plugins;
    for (const auto &e : fs::directory_iterator(programDir / "kmd", ec))
        if (e.path().extension() == ".kmd") plugins.push_back(e.path().filename().string());
    std::sort(plugins.begin(), plugins.end());
    for (const std::string &name : plugins)
        if (!types.LoadType(name)) std::fprintf(stderr, "kmr-render: kmd/%s is not a usable module plug-in\n", name.c_str());

    MODULES scheme(types);
    WIRES wires;
    kmr::LabelHost labelHost;
    kmr::LABCLASS labels;
    labels.SetOwner(&labelHost);
    bool readOnly = false;
    kmr::Project p{scheme, wires, labels, params, readOnly};

    if (!fs::is_regular_file(project)) {
        std::fprintf(stderr, "kmr-render: cannot load %s: no such file\n", o.project.c_str());
        return kLoadFailed;
    }
    std::string unknownType;
    int maxX = 0, maxY = 0;
    if (!kmr::LoadProject(p, project.string(), maxX, maxY, [&](const char *name) { unknownType = name; })) {
        if (!unknownType.empty())
            std::fprintf(stderr, "kmr-render: cannot load %s: the module type %s is not installed in %s\n",
                         o.project.c_str(), unknownType.c_str(), (programDir / "kmd").c_str());
        else
            std::fprintf(stderr, "kmr-render: cannot load %s: not a readable project file\n", o.project.c_str());
        return kLoadFailed;
    }
    if (o.rate) params.Freq = *o.rate;
    if (o.time) params.FullTime = *o.time;

    const auto before = waveFiles(out);
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<kmr::RunEnd> end;

    kmr::ThreadGo run(scheme, wires, params);
    gRun.store(&run);
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    if (gInterrupted.load()) return kInterrupted;

    kmr::RunCheck check = run.Go([&](kmr::RunEnd e) {
        std::lock_guard<std::mutex> lock(mutex);
        end = e;
        ended.notify_one();
    });
    if (!check.ok) {
        gRun.store(nullptr);
        std::string message = check.message ? kmr::CheckMessage(check) : std::string();
        if (message.empty()) message = "the schematic cannot be calculated (message " + std::to_string(check.message) + ")";
        std::fprintf(stderr, "kmr-render: %s\n", message.c_str());
        if (check.net) std::fprintf(stderr, "  net %d\n", check.net);
        for (int s = 1; s < MODULES::kSlotCount; ++s)
            if (scheme.Selected(s)) std::fprintf(stderr, "  module in %s\n", describeSlot(scheme, s).c_str());
        return kCheckRefused;
    }
    // A SIGINT that came while the run was being set up.
    if (gInterrupted.load()) run.Cancel();

    const bool showProgress = !o.quiet && ::isatty(STDERR_FILENO);
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!end) {
            ended.wait_for(lock, std::chrono::milliseconds(100));
            if (showProgress && !end) drawProgress(run.Progress());
        }
    }
    run.Wait();
    gRun.store(nullptr);
    if (showProgress) clearProgress();

    int code = kDone;
    if (*end == kmr::RunEnd::StartFailed) {
        std::fprintf(stderr, "kmr-render: %s\n  module in %s\n",
                     text(kmr::kMsgStartFailed, "A module could not start the calculation.").c_str(),
                     describeSlot(scheme, run.RefusedSlot()).c_str());
        code = kStartRefused;
    }
    if (uint64_t failed = run.StopFailures()) {
        std::fprintf(stderr, "kmr-render: a module failed to stop; what it wrote may be incomplete\n");
        for (int s = 1; s < MODULES::kSlotCount; ++s)
            if (failed & (uint64_t(1) << s)) std::fprintf(stderr, "  module in %s\n", describeSlot(scheme, s).c_str());
        if (code == kDone) code = kStopFailed;
    }
    if (*end == kmr::RunEnd::Cancelled) {
        std::fprintf(stderr, "kmr-render: cancelled after %d of %d samples\n", run.SamplesDone(), run.Samples());
        code = kInterrupted;
    }

    // Every wave file that is new or was written again.
    for (const auto &[name, stamp] : waveFiles(out)) {
        auto old = before.find(name);
        if (old == before.end() || !(old->second == stamp)) std::printf("%s\n", (out / name).c_str());
    }
    if (*end != kmr::RunEnd::StartFailed) {
        const int64_t samples = run.SamplesDone();
        const int64_t instances = run.Instances();
        const int64_t elapsed = std::max<int64_t>(run.StopTime() - run.StartTime(), 0);
        const double rate = (double)(samples * instances) * 1000.0 / (double)std::max<int64_t>(elapsed, 1);
        std::printf("%lld samples, %lld instances, %lld ms, %.0f module-samples/s\n", (long long)samples,
                    (long long)instances, (long long)elapsed, rate);
    }
    std::fflush(stdout);
    return code;
}
