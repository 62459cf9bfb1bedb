// The whole program opening a large type file: `KzEditor -tfile <file>` started with
// KZ_QUIT_AFTER_START (it opens the file's editor window, lets the events run and
// ends), timed from the start to its end, against a bare start of the same program in
// the same surroundings (no file) plus the plain reader over the same file, each in a
// process of its own. The surroundings: a registry, temporary and runtime folder of
// their own, the offscreen platform, an empty game folder, messages answered at once.
//
//   bench_process [--benchmark_filter=...]
// Every run is a fresh process, so that each pays for the fresh memory it touches as a
// user's first open does. Times are the medians of the repetitions; counters:
//   wall_ms, cpu_ms        the program with the file (cpu: every thread, user + system)
//   base_wall_ms, base_cpu_ms   a bare start plus the plain reader
//   wall_x, cpu_x          the first over the second
//   rss_x                  the program's peak resident memory over the file's size
//   base_rss_mb, rss_mb    peak resident memory of the bare start and of the open
// The files are the generic type file of the type-file benchmarks (bench/typefiles).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "../common/PlainReader.h"
#include "../typefiles/GenericFile.h"

extern char** environ;

namespace {

std::string Folder() {
  static std::string dir = [] {
    std::string d = "/tmp/kz-bench-process-" + std::to_string(::getpid());
    std::string cmd = "mkdir -p '" + d + "/reg' '" + d + "/tmp' '" + d + "/run' '" + d + "/game/types' && chmod 700 '" + d +
                      "/run'";
    if (std::system(cmd.c_str()) != 0) std::abort();
    return d;
  }();
  return dir;
}

std::string ProgramPath() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  self[n] = 0;
  std::string path(self);
  return path.substr(0, path.rfind('/') + 1) + "KzEditor";
}

const std::string& GenericFile(int records) {
  static std::string paths[2];
  std::string& path = paths[records > 200000 ? 1 : 0];
  if (path.empty()) {
    path = Folder() + "/TLaser" + std::to_string(records) + ".txt";
    std::ofstream(path, std::ios::binary) << kzbench::GenericFileText(records);
    ::sync();
  }
  return path;
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

struct Run {
  double wallMs = -1;
  double cpuMs = 0;
  double rssMb = 0;
};

double Ms(const struct timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; }

// Waits for a child started at `start` and takes its figures (rusage of all its threads).
Run Reap(pid_t pid, std::chrono::steady_clock::time_point start) {
  Run run;
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
  run.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
  run.cpuMs = Ms(usage.ru_utime) + Ms(usage.ru_stime);
  run.rssMb = double(usage.ru_maxrss) / 1024.0;  // kilobytes
  return run;
}

// The program, with `-tfile <file>` when a file is given, in surroundings of its own.
Run StartProgram(const std::string& file) {
  const std::string program = ProgramPath();
  const std::string dir = Folder();
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    for (const char* drop : {"QT_QPA_PLATFORM=", "KZ_REGISTRY_DIR=", "TMPDIR=", "XDG_RUNTIME_DIR=", "KZ_QUIT_AFTER_START=",
                             "KZ_UI_SCRIPT=", "KZ_TEST_INPUT=", "KZ_SCRIPTED_UI=", "KZ_SAMPLE_DATA="})
      if (entry.rfind(drop, 0) == 0) goto skip;
    env.push_back(entry);
  skip:;
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("KZ_REGISTRY_DIR=" + dir + "/reg");
  env.push_back("TMPDIR=" + dir + "/tmp");
  env.push_back("XDG_RUNTIME_DIR=" + dir + "/run");
  env.push_back("KZ_QUIT_AFTER_START=1");
  // Messages are answered at once (a start finds no game data in the empty game folder
  // and says so), as in the program's own process tests.
  env.push_back("KZ_SCRIPTED_UI=1");
  env.push_back("KZ_SAMPLE_DATA=" + dir + "/game");
  std::vector<std::string> args{program};
  if (!file.empty()) {
    args.push_back("-tfile");
    args.push_back(file);
  }
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  if (pid < 0) return {};
  return Reap(pid, start);
}


// The plain reader over the file in a process of its own.
Run PlainReader(const std::string& file) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) ::_exit(1);
    const size_t size = static_cast<size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) ::_exit(1);
    const size_t values = PlainRead(static_cast<const char*>(map), static_cast<const char*>(map) + size);
    ::_exit(values > 0 ? 0 : 1);
  }
  if (pid < 0) return {};
  return Reap(pid, start);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void OpenTypeFile(benchmark::State& state) {
  const std::string& file = GenericFile(static_cast<int>(state.range(0)));
  const double size = double(FileSize(file));
  std::vector<double> wall, cpu, rss, baseWall, baseCpu, baseRss;
  // One untimed start first, so that the program's own files are in the system's cache
  // as the file is.
  StartProgram({});
  for (auto _ : state) {
    const Run open = StartProgram(file);
    const Run bare = StartProgram({});
    const Run plain = PlainReader(file);
    if (open.wallMs < 0 || bare.wallMs < 0 || plain.wallMs < 0) {
      state.SkipWithError("a process failed");
      return;
    }
    state.SetIterationTime(open.wallMs / 1000.0);
    wall.push_back(open.wallMs);
    cpu.push_back(open.cpuMs);
    rss.push_back(open.rssMb);
    baseWall.push_back(bare.wallMs + plain.wallMs);
    baseCpu.push_back(bare.cpuMs + plain.cpuMs);
    baseRss.push_back(bare.rssMb);
  }
  const double w = Median(wall), c = Median(cpu), r = Median(rss), bw = Median(baseWall), bc = Median(baseCpu);
  state.counters["wall_ms"] = w;
  state.counters["cpu_ms"] = c;
  state.counters["base_wall_ms"] = bw;
  state.counters["base_cpu_ms"] = bc;
  state.counters["wall_x"] = bw > 0 ? w / bw : 0;
  state.counters["cpu_x"] = bc > 0 ? c / bc : 0;
  state.counters["rss_mb"] = r;
  state.counters["base_rss_mb"] = Median(baseRss);
  state.counters["rss_x"] = size > 0 ? r * 1024.0 * 1024.0 / size : 0;
  state.counters["bytes"] = size;
}

// 200,000 records (about 45 MB) and 2,000,000 (about 452 MB).
BENCHMARK(OpenTypeFile)->Name("BM_OpenTypeFileProcess")->Arg(200000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(OpenTypeFile)->Name("BM_OpenTypeFileProcess")->Arg(2000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::string cmd = "rm -rf '" + Folder() + "'";
  return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
