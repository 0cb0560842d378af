#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
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

TEST(LinuxLightroomHost, metadataCannotBeReReadOnLinux) { EXPECT_FALSE(readMetadataInLightroom()); }
