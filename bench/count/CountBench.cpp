// The cost of one sample: for every plug-in in the program's kmd folder, one
// instance made as the host makes it, every input wired to a net holding a
// signal value and the output wired, started, then fnCOUNT through the
// plug-in's entry point with the sample number counting up.
//
//   kmr-bench-count [--kmd=FOLDER] [benchmark options]
//
// Without --kmd the folder is kmd/ beside the bench folder the program lives
// in (the program folder of the build), else the build's plug-in folder.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Module.h"

namespace {

namespace fs = std::filesystem;

double val[kNetCount];
DESCRIPTOR descr[kDescriptorCount];
PARAMS params;

// Nets 1..4 carry the inputs, net 10 the output.
constexpr double kInputValues[4] = {1234.5, -2345.25, 3456.75, -456.125};
constexpr int kOutputNet = 10;

fs::path DefaultFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path beside = self.parent_path().parent_path() / "kmd";
        if (fs::is_directory(beside, ec)) return beside;
    }
    return KMR_PLUGIN_DIR;
}

void CountSamples(benchmark::State &state, const MODULE_TYPE *type) {
    params.Freq = 44100;
    params.FullTime = 5.0;
    params.Limitation = true;
    params.FileIndex = 0;
    std::fill(std::begin(val), std::end(val), 0.0);

    int size = kmd::Size(*type);
    if (size < (int)sizeof(MODULE)) {
        state.SkipWithError("unusable instance size");
        return;
    }
    std::vector<unsigned char> block(size);
    auto *m = reinterpret_cast<MODULE *>(block.data());
    InitInstance(m);
    kmd::Create(*type, m);
    for (int i = 0; i < 4; ++i)
        if (m->in[i].Valid()) {
            m->wirein[i] = 1 + i;
            val[1 + i] = kInputValues[i];
        }
    if (m->out.Valid()) m->wireout = kOutputNet;

    if (!kmd::Start(*type, m)) {
        kmd::Stop(*type, m);
        state.SkipWithError("Start refused the run");
        return;
    }
    int sample = 0;
    for (auto _ : state) {
        kmd::Count(*type, m, sample);
        sample = sample == 0x7FFFFFFF ? 0 : sample + 1;
    }
    benchmark::DoNotOptimize(val[kOutputNet]);
    kmd::Stop(*type, m);
    state.SetItemsProcessed(state.iterations());
}

} // namespace

int main(int argc, char **argv) {
    fs::path folder;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--kmd=", 6) == 0)
            folder = argv[i] + 6;
        else
            args.push_back(argv[i]);
    }
    if (folder.empty()) folder = DefaultFolder();

    params.Val = val;
    params.Descr = descr;
    params.Lang = 1;
    AVMODULES library(&params);
    library.SetFolder(folder.string());

    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == ".kmd") files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "kmr-bench-count: no plug-ins in %s\n", folder.c_str());
        return 1;
    }
    for (const std::string &file : files) {
        if (!library.LoadType(file)) {
            std::fprintf(stderr, "kmr-bench-count: %s is not a module type, skipped\n", file.c_str());
            continue;
        }
        const MODULE_TYPE *type = &library.GetType(library.CountTypes() - 1);
        std::string name = "Count/" + fs::path(file).stem().string();
        benchmark::RegisterBenchmark(name.c_str(), CountSamples, type);
    }

    int n = (int)args.size();
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
