// campaign-bench [--instances N] [--samples S] [--browser]: a campaign of N
// shift-solver instances (half of them stopped, half with a pid file) (2,000 by default) seeded with one board, each
// with its seed copy, three boards of its own below the seed, a console file and a
// full progress.txt of S samples (4,000, as the thinning keeps it), then times
// `tools/campaign status` and `tools/campaign report` on it and gives the page's
// size; with --browser also how long headless Chromium takes to load the page
// (its own start-up included).
//
// Unlike the engine benches these figures are wall time as well as processor
// time of the processes started (the script and campaign-report): what a user
// waits for is the point, and most of the work is the file system's. Each command
// runs in alternating rounds as the engines do, again and again until its
// processes have spent 2 s of processor time a round; the figures are per run,
// the medians of the rounds.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench.hpp"
#include "core/board_file.hpp"
#include "core/command_line.hpp"

namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A command timed in rounds: each run's wall and processor seconds (of the
// processes it starts) summed over the round, then a round's figures per run.
struct TimedCommand {
    const char* label;
    std::string command;
    bool ok = true;
    double wall = 0;  // this round's runs together
    std::vector<double> wallPerRun = {};
    std::vector<double> processorPerRun = {};

    // One run: a Measured of one run in its processor seconds; no work when it failed.
    zentara::bench::Measured run() {
        if (!ok) return {};
        const double cpu0 = childCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        const int raw = std::system(command.c_str());
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = childCpuSeconds() - cpu0;
        ok = ok && WIFEXITED(raw) && WEXITSTATUS(raw) == 0;
        return {ok ? 1.0 : 0.0, cpu};
    }

    void endRound(const zentara::bench::Measured& round) {
        const double runs = std::max(round.work, 1.0);
        wallPerRun.push_back(wall / runs);
        processorPerRun.push_back(round.seconds / runs);
        wall = 0;
    }

    void print() const {
        std::printf("%-28s %7.2f s wall, %7.2f s processor%s\n", label, zentara::bench::median(wallPerRun),
                    zentara::bench::median(processorPerRun), ok ? "" : "  (FAILED)");
    }
};

}  // namespace

constexpr const char* USAGE =
    "usage: campaign-bench [--instances N] [--samples S] [--browser]\n"
    "Times campaign status and campaign report on a made-up campaign of N shift-solver\n"
    "instances (2000) with S progress samples each (4000), and gives the page's size.\n"
    "  --browser  also times headless Chromium loading the page\n"
    "  --help     prints this text\n"
    "  --version  prints the suite's version\n";

int main(int argc, char** argv) {
    using namespace zentara;
    int instances = 2000, samples = 4000;
    bool browser = false;
    const CommandSyntax syntax{"campaign-bench", USAGE, {{"--instances", true}, {"--samples", true}, {"--browser"}}};
    if (const int answered = answerCommandLine(argc, argv, syntax, std::cout, std::cerr); answered >= 0)
        return answered;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--instances") && i + 1 < argc) instances = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--samples") && i + 1 < argc) samples = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--browser")) browser = true;
        else {
            return refuseCommandLine(std::cerr, syntax, "unknown argument '" + printableArgument(argv[i]) + "'");
        }
    }
    if (instances < 1 || instances > 100000 || samples < 0 || samples > 100000) {
        std::fprintf(stderr, "campaign-bench: 1 to 100000 instances, 0 to 100000 samples\n");
        return 2;
    }
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    bench::ScratchDirectory scratch("campaign-bench");
    const fs::path dir = fs::current_path() / "camp";
    fs::create_directories(dir);

    Board16 planted{};
    {
        std::ifstream in(ZENTARA_PLANTED_16X16, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        parseBoardBytes(bytes, planted);
    }
    const auto below = [&](int pieces) {
        Board16 b = planted;
        for (int c = pieces; c < CELL_COUNT; ++c) b[static_cast<std::size_t>(c)] = PlacedCell{};
        return b;
    };
    char hostName[256] = {};
    gethostname(hostName, sizeof hostName - 1);
    const std::string host = hostName;
    const auto t0 = std::chrono::steady_clock::now();
    writeBoardFile((dir / "seed-board.csv").c_str(), below(246).data(), LAYOUT_16X16);
    write(dir / "campaign.txt", "program: /opt/zentara/bin/shift-solver\ninstances: " + std::to_string(instances) +
                                    "\nstarted: 2026-12-08 01:00:00 UTC on node1\nseed board: /runs/seed.csv as Best246.csv\n");
    for (int k = 1; k <= instances; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "instance-%03d", k);
        const fs::path d = dir / name;
        fs::create_directory(d);
        fs::copy_file(dir / "seed-board.csv", d / "Best246.csv");
        const int top = 236 + k % 8;
        for (int p = top - 2; p <= top; ++p)
            writeBoardFile((d / ("Best" + std::to_string(p) + ".csv")).c_str(), below(p).data(), LAYOUT_16X16);
        write(d / "started.txt", "2026-12-08 01:00:00.100 on node1; time seeds claimed: a = 1 to 200\n"
                                 "started from: Best246.csv, the seed board\n");
        const std::string status = "Level " + std::to_string(top - 3) + ", max. " + std::to_string(top) +
                                   ", shifts 12345 K, config OK=50,RE=50        ";
        write(d / "console.txt", status + "\n");
        std::string log;
        log.reserve(static_cast<std::size_t>(samples) * 120);
        for (int i = 0; i < samples; ++i)
            log += "2026-12-08 01:00:00\t" + std::to_string(60 * i) + "\tBest" + std::to_string(top) + ".csv\t" +
                   std::to_string(top) + "\t460\t" + status + "\n";
        write(d / "progress.txt", log);
        // Half of them with a pid file of this machine, as running instances have,
        // so that status looks at their processes (a process of another directory:
        // they read as gone).
        if (k % 2) write(d / "instance.pid", std::to_string(getpid()) + " " + host + " :\n");
        else write(d / "exit.txt", "143\n");
    }
    std::printf("campaign-bench: %d instances, %d progress samples each, made in %.1f s\n", instances, samples,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());

    setenv("ZENTARA_BIN", bin.c_str(), 1);
    const std::string script = ZENTARA_SOURCE_DIR "/campaign/campaign";
    TimedCommand status{"campaign status", script + " status " + dir.string() + " > status.txt"};
    TimedCommand report{"campaign report", script + " report " + dir.string() + " > /dev/null"};
    const std::string here = fs::current_path().string();
    const std::string chromium = "HOME=" + here + "/home timeout 120 chromium --headless --no-sandbox --disable-gpu "
                                 "--no-first-run --disable-background-networking --disable-component-update "
                                 "--disable-sync --user-data-dir=" + here + "/profile --dump-dom ";
    TimedCommand page{"chromium loads the page",
                      chromium + "file://" + dir.string() + "/report.html > dom.html 2> /dev/null"};
    TimedCommand blank{"chromium, a blank page", chromium + "about:blank > /dev/null 2>&1"};
    if (browser) fs::create_directories("home");
    // Rounds: the commands in turn, each again and again for its processor time; a
    // failed command runs no more.
    if (browser) {
        bench::alternateRounds(
            [&](int, const std::array<bench::Measured, 4>& m) {
                status.endRound(m[0]);
                report.endRound(m[1]);
                page.endRound(m[2]);
                blank.endRound(m[3]);
            },
            [&] { return status.run(); }, [&] { return report.run(); }, [&] { return page.run(); },
            [&] { return blank.run(); });
    } else {
        bench::alternateRounds(
            [&](int, const std::array<bench::Measured, 2>& m) {
                status.endRound(m[0]);
                report.endRound(m[1]);
            },
            [&] { return status.run(); }, [&] { return report.run(); });
    }
    status.print();
    report.print();
    std::error_code ec;
    const auto size = fs::file_size(dir / "report.html", ec);
    std::printf("%-28s %7.2f MB\n", "report page", ec ? 0.0 : static_cast<double>(size) / 1e6);
    if (browser) {
        page.print();
        blank.print();
    }
    bench::printRoundsRule();
    return status.ok && report.ok && (!browser || (page.ok && blank.ok)) ? 0 : 1;
}
