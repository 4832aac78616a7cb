// Whole runs: every example project of the program folder, loaded as the
// renderer loads it, run for 60 s at 44100 Hz through the run check and the
// calculation thread, from the first Start to the last Stop. Reports
// module-samples per second (samples x instances over the wall-clock time of
// the run). The recorders write into a temporary folder, removed at the end.
//
//   kmr-bench-render [--kmd=FOLDER] [--examples=FOLDER] [benchmark options]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "Label.h"
#include "Project.h"
#include "Run.h"

namespace {

namespace fs = std::filesystem;

double val[kNetCount];
DESCRIPTOR descr[kDescriptorCount];
PARAMS params;

struct Session {
    AVMODULES types{&params};
    MODULES scheme{types};
    WIRES wires;
    kmr::LabelHost host;
    kmr::LABCLASS labels;
    bool readOnly = false;
};

void RenderProject(benchmark::State &state, Session *session, std::string project) {
    int maxX, maxY;
    kmr::Project p{session->scheme, session->wires, session->labels, params, session->readOnly};
    if (!kmr::LoadProject(p, project, maxX, maxY)) {
        state.SkipWithError("the project does not load");
        return;
    }
    params.Freq = 44100;
    params.FullTime = 60.0;
    kmr::ThreadGo run(session->scheme, session->wires, params);
    int64_t moduleSamples = 0;
    for (auto _ : state) {
        std::mutex mutex;
        std::condition_variable cv;
        bool ended = false;
        kmr::RunEnd end = kmr::RunEnd::Finished;
        kmr::RunCheck check = run.Go([&](kmr::RunEnd e) {
            std::lock_guard<std::mutex> lock(mutex);
            end = e;
            ended = true;
            cv.notify_one();
        });
        if (!check.ok) {
            state.SkipWithError("the run check refused the project");
            return;
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            cv.wait(lock, [&] { return ended; });
        }
        run.Wait();
        if (end != kmr::RunEnd::Finished) {
            state.SkipWithError("the run did not finish");
            return;
        }
        moduleSamples += (int64_t)run.SamplesDone() * run.Instances();
    }
    state.counters["module_samples_per_s"] = benchmark::Counter((double)moduleSamples, benchmark::Counter::kIsRate);
    state.counters["instances"] = run.Instances();
}

std::string option(int &argc, char **argv, const char *name, std::string fallback) {
    std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            fallback = argv[i] + prefix.size();
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            break;
        }
    return fallback;
}

} // namespace

int main(int argc, char **argv) {
    const fs::path kmd = fs::absolute(option(argc, argv, "kmd", KMR_PLUGIN_DIR));
    const fs::path examples = fs::absolute(option(argc, argv, "examples", KMR_EXAMPLES_DIR));
    params.Val = val;
    params.Descr = descr;
    params.Lang = 1;

    std::vector<fs::path> projects;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(examples, ec))
        if (e.path().extension() == ".kpj") projects.push_back(e.path());
    std::sort(projects.begin(), projects.end());
    if (projects.empty()) {
        std::fprintf(stderr, "kmr-bench-render: no example projects in %s\n", examples.c_str());
        return 1;
    }

    // Every project gets its own session, all with the same plug-ins.
    std::vector<std::unique_ptr<Session>> sessions;
    std::vector<std::string> files;
    for (const auto &e : fs::directory_iterator(kmd, ec))
        if (e.path().extension() == ".kmd") files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    for (const fs::path &p : projects) {
        auto s = std::make_unique<Session>();
        s->types.SetFolder(kmd.string());
        for (const std::string &f : files) s->types.LoadType(f);
        s->labels.SetOwner(&s->host);
        benchmark::RegisterBenchmark(("Render/" + p.stem().string()).c_str(), RenderProject, s.get(), p.string())
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        sessions.push_back(std::move(s));
    }

    // The recorders write into the current folder.
    char work[] = "/tmp/kmr-bench-render-XXXXXX";
    if (!mkdtemp(work) || chdir(work) != 0) {
        std::fprintf(stderr, "kmr-bench-render: no temporary folder\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(work, ec);
    return 0;
}
