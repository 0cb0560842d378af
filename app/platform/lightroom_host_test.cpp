#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "app/platform/lightroom_host.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::platform;
using orvane::testing::TempDir;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Instance = LightroomHost::Instance;

namespace {

// Instances that each end after their own number of checks (never when negative).
struct ScriptedHost final : LightroomHost {
    std::vector<Instance> instances;
    std::map<int, int> endsAfter;  // pid -> checks of that pid before it reads as ended
    mutable std::map<int, int> checked;
    mutable std::vector<int> order;
    std::vector<int> asked;

    std::optional<fs::path> locate() const override { return std::nullopt; }
    void open(const std::optional<fs::path>&) override {}
    std::vector<Instance> runningInstances() const override { return instances; }
    std::optional<Instance> lockHolder(const fs::path&) const override { return std::nullopt; }
    void requestQuit(const Instance& i) override { asked.push_back(i.pid); }
    bool terminated(const Instance& i) const override {
        order.push_back(i.pid);
        const int n = checked[i.pid]++;
        const int limit = endsAfter.at(i.pid);
        return limit >= 0 && n >= limit;
    }
};

struct Quit {
    int pauses = 0;
    std::optional<bool> result;
    void run(std::shared_ptr<ScriptedHost> host) {
        quitLightroom(
            host,
            [this](std::chrono::nanoseconds d, std::function<void()> resume) {
                EXPECT_EQ(d, 500ms);
                ++pauses;
                resume();
            },
            [this](bool r) { result = r; });
    }
};

}  // namespace

TEST(QuitLightroom, noInstanceIsDoneAtOnce) {
    auto host = std::make_shared<ScriptedHost>();
    Quit q;
    q.run(host);
    EXPECT_EQ(q.result, true);
    EXPECT_EQ(q.pauses, 0);
}

TEST(QuitLightroom, anInstanceThatNeverQuitsIsChecked180TimesThenFalse) {
    auto host = std::make_shared<ScriptedHost>();
    host->instances = {{7, 1}};
    host->endsAfter = {{7, -1}};
    Quit q;
    q.run(host);
    EXPECT_EQ(q.result, false);
    EXPECT_EQ(q.pauses, 180);
    EXPECT_EQ(host->checked[7], 180);
    EXPECT_EQ(host->asked, std::vector<int>{7});
}

TEST(QuitLightroom, twoInstancesAreAllAskedAndTheFirstRunningOneEndsEachCheck) {
    auto host = std::make_shared<ScriptedHost>();
    host->instances = {{7, 1}, {9, 1}};
    host->endsAfter = {{7, 2}, {9, 0}};
    Quit q;
    q.run(host);
    EXPECT_EQ(q.result, true);
    EXPECT_EQ(q.pauses, 2);
    EXPECT_EQ(host->asked, (std::vector<int>{7, 9}));
    EXPECT_EQ(host->order, (std::vector<int>{7, 7, 7, 9}));
}

TEST(LinuxLightroomHost, onlyARegularExecutableFileIsLocatedAndLaunchedWithItsArguments) {
    TempDir dir;
    const fs::path exe = dir / "Lightroom";
    std::ofstream(exe) << "#!/bin/sh\nsleep 60\n";
    fs::permissions(exe, fs::perms::owner_all);
    const fs::path data = dir / "notes.txt";
    std::ofstream(data) << "x";
    auto defaults = std::make_shared<FileDefaults>(dir / "defaults.json");
    std::vector<std::pair<fs::path, std::vector<std::string>>> launched;
    auto host = makeLinuxLightroomHost(defaults, "/proc", [&](const fs::path& p, const std::vector<std::string>& a) {
        launched.emplace_back(p, a);
    });
    for (const std::string& value : {std::string(), (dir / "missing").string(), dir.path().string(), data.string()}) {
        defaults->set("lightroomPath", Json(value));
        EXPECT_FALSE(host->locate()) << value;
        host->open(std::nullopt);
    }
    EXPECT_TRUE(launched.empty());
    defaults->set("lightroomPath", Json(exe.string()));
    EXPECT_EQ(host->locate(), exe);
    host->open(fs::path("/photos/a b; rm -rf.lrcat"));
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].first, exe);
    EXPECT_EQ(launched[0].second, std::vector<std::string>{"/photos/a b; rm -rf.lrcat"});
}

TEST(LinuxLightroomHost, findsItsRunningProcessAndSeesItEndAfterTheQuitRequest) {
    TempDir dir;
    const fs::path exe = dir / "Lightroom";
    fs::copy_file("/bin/sleep", exe);
    auto defaults = std::make_shared<FileDefaults>(dir / "defaults.json");
    defaults->set("lightroomPath", Json(exe.string()));
    auto host = makeLinuxLightroomHost(defaults);
    EXPECT_TRUE(host->runningInstances().empty());
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(exe.c_str(), exe.c_str(), "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::vector<Instance> found;
    for (int i = 0; i < 200 && found.empty(); ++i) {
        found = host->runningInstances();
        if (found.empty()) std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pid, child);
    EXPECT_FALSE(host->terminated(found[0]));
    // The same PID with another start time is some other process: it never counts as running.
    EXPECT_TRUE(host->terminated({child, found[0].startTime + 1}));
    host->requestQuit(found[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(host->terminated(found[0]));
    EXPECT_TRUE(host->runningInstances().empty());
}

namespace {

// A /proc of our own making: each process a folder with its start time, command line, image name
// and executable link.
struct FakeProc {
    TempDir dir;
    fs::path root = dir / "proc";

    void add(int pid, const std::vector<std::string>& argv, const std::string& comm, const std::string& exe = {},
             char state = 'S') {
        const fs::path p = root / std::to_string(pid);
        fs::create_directories(p);
        std::string stat = std::to_string(pid) + " (" + comm + ") " + state;
        for (int field = 4; field <= 21; ++field) stat += " 0";
        stat += " " + std::to_string(1000 + pid) + " 0 0\n";
        std::ofstream(p / "stat") << stat;
        std::string cmdline;
        for (const auto& a : argv) cmdline += a + '\0';
        std::ofstream(p / "cmdline", std::ios::binary) << cmdline;
        std::ofstream(p / "comm") << comm << "\n";
        if (!exe.empty()) fs::create_symlink(exe, p / "exe");
    }
};

std::set<int> pidsOf(const std::vector<Instance>& instances) {
    std::set<int> pids;
    for (const auto& i : instances) pids.insert(i.pid);
    return pids;
}

fs::path executable(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text;
    fs::permissions(file, fs::perms::owner_all);
    return file;
}

}  // namespace

// Lightroom under a Windows compatibility layer is found by its image name or its first argument;
// a configured launcher by its executable, its first argument or the interpreter running it; never by
// a later argument that merely names either.
TEST(LinuxLightroomHost, findsLightroomByItsExecutableAndNeverByALaterArgument) {
    FakeProc proc;
    TempDir dir;
    const fs::path script = executable(dir / "lightroom.sh", "#!/bin/sh\nexec wine Lightroom.exe \"$@\"\n");
    const fs::path envScript = executable(dir / "lr-env.sh", "#!/usr/bin/env bash\nexec wine Lightroom.exe\n");
    const fs::path optScript = executable(dir / "lr-opt.sh", "#!/bin/bash -e\nexec wine Lightroom.exe\n");
    const fs::path binary = executable(dir / "Lightroom", "\x7f" "ELF");
    const std::string windowsPath = "C:\\Program Files\\Adobe\\Adobe Lightroom Classic\\Lightroom.exe";
    proc.add(101, {windowsPath}, "Lightroom.exe", "/usr/lib/wine/wine64-preloader");
    proc.add(102, {"/usr/lib/wine/wine64-preloader"}, "Lightroom.exe");
    proc.add(103, {"LIGHTROOM.EXE"}, "wine");
    proc.add(104, {"tail", "-f", "/home/ana/Lightroom.exe"}, "tail", "/usr/bin/tail");
    proc.add(105, {"/usr/bin/vim", "Lightroom.exe"}, "vim", "/usr/bin/vim");
    proc.add(201, {"/bin/sh", script.string(), "/foto/Nunta.lrcat"}, "lightroom.sh", "/usr/bin/dash");
    proc.add(202, {"tail", "-f", script.string()}, "tail", "/usr/bin/tail");
    proc.add(203, {script.string()}, "lightroom.sh");
    proc.add(204, {"/bin/sh", "-c", "echo", script.string()}, "sh", "/usr/bin/dash");
    proc.add(205, {"bash", envScript.string()}, "lr-env.sh", "/usr/bin/bash");
    proc.add(206, {"bash", "-x", envScript.string()}, "bash", "/usr/bin/bash");
    proc.add(207, {"/bin/bash", "-e", optScript.string()}, "lr-opt.sh", "/usr/bin/bash");
    proc.add(208, {"/bin/bash", optScript.string()}, "bash", "/usr/bin/bash");
    proc.add(301, {"Lightroom"}, "Lightroom", binary.string());
    proc.add(302, {"/usr/bin/less", binary.string()}, "less", "/usr/bin/less");
    fs::create_directories(proc.root / "self");  // not a process number

    auto defaults = std::make_shared<FileDefaults>(dir / "defaults.json");
    auto host = makeLinuxLightroomHost(defaults, proc.root, [](const fs::path&, const std::vector<std::string>&) {});
    const std::set<int> windows{101, 102, 103};
    struct Case {
        const char* name;
        std::string path;
        std::set<int> extra;  // found besides the Windows image
    };
    const Case cases[] = {
        {"no configured path", "", {}},
        {"a launcher script", script.string(), {201, 203}},
        {"a launcher through env", envScript.string(), {205}},
        {"a launcher whose interpreter takes an option", optScript.string(), {207}},
        {"a launcher binary", binary.string(), {301}},
    };
    for (const Case& c : cases) {
        defaults->set("lightroomPath", Json(c.path));
        std::set<int> expected = windows;
        expected.insert(c.extra.begin(), c.extra.end());
        EXPECT_EQ(pidsOf(host->runningInstances()), expected) << c.name;
    }
    EXPECT_EQ(host->runningInstances().front().startTime, 1101u) << "the start time is read with the process";
}

// The lock file names the program and the process that holds the catalog; only a live process that
// runs that program holds it.
TEST(LinuxLightroomHost, theLockHolderIsALiveProcessOfTheProgramTheLockNames) {
    FakeProc proc;
    TempDir dir;
    proc.add(101, {"C:\\Program Files\\Adobe\\Lightroom.exe"}, "Lightroom.exe");
    proc.add(104, {"tail", "-f", "x"}, "tail", "/usr/bin/tail");
    proc.add(301, {"/opt/lr/fake"}, "fake", "/opt/lr/fake");
    proc.add(302, {"/opt/lr/fake"}, "fake", "/opt/lr/fake", 'Z');
    proc.add(303, {"wine64-preloader"}, "AVeryLongProgra");  // the image name cut at 15 characters
    auto defaults = std::make_shared<FileDefaults>(dir / "defaults.json");
    auto host = makeLinuxLightroomHost(defaults, proc.root, [](const fs::path&, const std::vector<std::string>&) {});
    const fs::path catalog = dir / "Nunta.lrcat";
    struct Case {
        const char* name;
        std::optional<std::string> lock;
        std::optional<int> holder;
    };
    const Case cases[] = {
        {"Lightroom under the compatibility layer, Windows line ends", "C:\\Program Files\\Adobe\\Lightroom.exe\r\n101\r\n", 101},
        {"the same number now used by another program", "C:\\Program Files\\Adobe\\Lightroom.exe\n104\n", std::nullopt},
        {"a process that is gone", "C:\\Lightroom.exe\n999\n", std::nullopt},
        {"a process that has ended but is not collected", "/opt/lr/fake\n302\n", std::nullopt},
        {"a Linux program by its path", "/opt/lr/fake\n301\n", 301},
        {"a long image name", "D:\\x\\AVeryLongProgramName.exe\n303\n", 303},
        {"a number alone, of Lightroom", "\n101\n", 101},
        {"a number alone, of something else", "\n104\n", std::nullopt},
        {"no number", "C:\\Lightroom.exe\n", std::nullopt},
        {"a number with text after it", "C:\\Lightroom.exe\n101abc\n", std::nullopt},
        {"an empty lock", "", std::nullopt},
        {"no lock at all", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        fs::remove(catalog.string() + ".lock");
        if (c.lock) std::ofstream(catalog.string() + ".lock", std::ios::binary) << *c.lock;
        const auto holder = host->lockHolder(catalog);
        EXPECT_EQ(holder ? std::optional<int>(holder->pid) : std::nullopt, c.holder) << c.name;
    }
    // The holder joins the instances to quit, once.
    std::ofstream(catalog.string() + ".lock") << "C:\\Lightroom.exe\n101\n";
    EXPECT_EQ(pidsOf(lightroomInstances(*host, catalog)), (std::set<int>{101}));
    std::ofstream(catalog.string() + ".lock") << "/opt/lr/fake\n301\n";
    EXPECT_EQ(pidsOf(lightroomInstances(*host, catalog)), (std::set<int>{101, 301}));
    EXPECT_EQ(pidsOf(lightroomInstances(*host, std::nullopt)), (std::set<int>{101}));
}

// The same with real processes: a program named "Lightroom.exe" is found without any configured path;
// a process that only follows the launcher ("tail -f") is not, the launcher itself is, once.
TEST(LinuxLightroomHost, realProcessesOfLightroomAreFoundAndAReaderOfTheLauncherIsNot) {
    TempDir dir;
    const fs::path windows = dir / "Lightroom.exe";
    fs::copy_file("/bin/sleep", windows);
    const fs::path launcher = executable(dir / "lightroom.sh", "#!/bin/sh\nsleep 60\n");
    auto defaults = std::make_shared<FileDefaults>(dir / "defaults.json");
    auto host = makeLinuxLightroomHost(defaults);
    std::vector<pid_t> children;
    const auto run = [&](std::vector<std::string> argv) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::setpgid(0, 0);  // its own group, so the script's child goes with it at the end
            std::vector<char*> args;
            for (auto& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        children.push_back(child);
        return child;
    };
    const auto settle = [&](const std::function<bool()>& ok) {
        for (int i = 0; i < 300 && !ok(); ++i) std::this_thread::sleep_for(10ms);
        return ok();
    };
    const pid_t lightroom = run({windows.string(), "60"});
    const pid_t reader = run({"/usr/bin/tail", "-f", launcher.string()});
    defaults->set("lightroomPath", Json(""));
    EXPECT_TRUE(settle([&] { return pidsOf(host->runningInstances()).count(lightroom) == 1; }));

    defaults->set("lightroomPath", Json(launcher.string()));
    const pid_t script = run({launcher.string()});
    EXPECT_TRUE(settle([&] { return pidsOf(host->runningInstances()).count(script) == 1; }));
    const std::set<int> found = pidsOf(host->runningInstances());
    EXPECT_EQ(found.count(reader), 0u) << "tail -f on the launcher is not Lightroom";
    EXPECT_EQ(found, (std::set<int>{lightroom, script})) << "the script's own child (sleep) is not counted";
    for (pid_t child : children) {
        ::kill(-child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
}

TEST(LinuxLightroomHost, metadataCannotBeReReadOnLinux) { EXPECT_FALSE(readMetadataInLightroom()); }
