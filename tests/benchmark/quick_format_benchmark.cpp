// Times quickFormat on the virtual drive (219 writes through the driver
// library), counts the heap allocations made while it runs, and times
// mkfs.fat making a FAT16 file system of the partition's size in the same
// run, for a ratio. Works in a host folder of its own, removed at the end.
//
//   quick_format_benchmark [--runs N]
//
// Exit status 1 when a format fails, an allocation is counted or mkfs.fat
// cannot run.
#include "format/quick_format.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace benchmark_count {
extern bool counting;
extern std::size_t allocations;
} // namespace benchmark_count

namespace {

// The partition the quick format lays out: 78816 sectors of 512 bytes.
constexpr std::uintmax_t partitionBytes = 78816ull * 512;

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Summary {
    double median, fastest, slowest;
};

Summary summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return Summary{times[times.size() / 2], times.front(), times.back()};
}

std::string findMkfs()
{
    for (const char* path : {"/usr/sbin/mkfs.fat", "/sbin/mkfs.fat", "/usr/bin/mkfs.fat"})
        if (access(path, X_OK) == 0)
            return path;
    return "";
}

// Runs mkfs.fat on image quietly; the time it took, or a negative one when
// it failed.
double timeMkfs(const std::string& mkfs, const std::string& image)
{
    Clock::time_point start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(mkfs.c_str(), mkfs.c_str(), "-F", "16", "-n", "BENCH", image.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return milliseconds(Clock::now() - start);
}

void ignoreProgress(void*, std::uint32_t, std::uint32_t) {}

} // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::atoi(argv[2]);
    if ((argc != 1 && argc != 3) || runs < 1) {
        std::fputs("usage: quick_format_benchmark [--runs N]\n", stderr);
        return 2;
    }
    std::string mkfs = findMkfs();
    if (mkfs.empty()) {
        std::fputs("quick_format_benchmark: mkfs.fat (dosfstools) is not installed\n", stderr);
        return 1;
    }

    char folderTemplate[] = "/tmp/quib-benchmark-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) {
        std::perror("quick_format_benchmark: mkdtemp");
        return 1;
    }
    std::string folder = folderTemplate;
    setenv("QUIB_HOME", folder.c_str(), 1);

    // The counter must see the program's allocations, or a zero means nothing.
    benchmark_count::allocations = 0;
    benchmark_count::counting = true;
    ::operator delete(::operator new(64));
    benchmark_count::counting = false;
    if (benchmark_count::allocations != 1) {
        std::fputs("quick_format_benchmark: the allocation counter is not in place\n", stderr);
        std::filesystem::remove_all(folder);
        return 1;
    }

    const std::uint8_t label[11] = {'B', 'E', 'N', 'C', 'H', ' ', ' ', ' ', ' ', ' ', ' '};
    ProgressSink sink{ignoreProgress, nullptr};
    // The first run also sets the virtual drive up (state file, blank disk):
    // it is not timed.
    bool ok = quickFormat(sink, 0, 25700, label);

    std::vector<double> formatTimes;
    std::size_t allocations = 0;
    for (int i = 0; ok && i < runs; ++i) {
        benchmark_count::allocations = 0;
        benchmark_count::counting = true;
        Clock::time_point start = Clock::now();
        ok = quickFormat(sink, 0, 25700, label);
        Clock::time_point end = Clock::now();
        benchmark_count::counting = false;
        allocations = std::max(allocations, benchmark_count::allocations);
        formatTimes.push_back(milliseconds(end - start));
    }

    std::string image = folder + "/mkfs.img";
    std::vector<double> mkfsTimes;
    for (int i = 0; ok && i < runs; ++i) {
        std::filesystem::remove(image);
        { std::ofstream create(image, std::ios::binary); }
        std::filesystem::resize_file(image, partitionBytes);
        double t = timeMkfs(mkfs, image);
        if (t < 0) {
            std::fputs("quick_format_benchmark: mkfs.fat failed\n", stderr);
            ok = false;
        }
        mkfsTimes.push_back(t);
    }
    std::filesystem::remove_all(folder);
    if (!ok) {
        std::fputs("quick_format_benchmark: the run failed\n", stderr);
        return 1;
    }

    Summary format = summarise(formatTimes);
    Summary made = summarise(mkfsTimes);
    std::printf("runs: %d each\n", runs);
    std::printf("quickFormat on the virtual drive (219 writes): median %.2f ms (fastest %.2f, slowest %.2f)\n",
                format.median, format.fastest, format.slowest);
    std::printf("heap allocations during quickFormat: %zu\n", allocations);
    std::printf("mkfs.fat -F 16 on a %ju-byte file: median %.2f ms (fastest %.2f, slowest %.2f)\n", partitionBytes,
                made.median, made.fastest, made.slowest);
    std::printf("ratio quickFormat / mkfs.fat (medians): %.2f\n", format.median / made.median);
    return allocations == 0 ? 0 : 1;
}
