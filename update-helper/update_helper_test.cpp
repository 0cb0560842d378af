#include "update-helper/update_helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "core/update/update_safety.h"
#include "testing/temp_dir.h"
#include "testing/update_fixtures.h"
#include "testing/update_pki.h"

extern char** environ;

namespace orvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::readText;
using testing::TempDir;
using testing::TestSigner;
using testing::writeText;

const testing::TestPki& pki() {
    static const testing::TestPki p = testing::readTestPki(ORVANE_UPDATE_TEST_PKI);
    return p;
}

std::string text(UpdateSafety::Failure f) { return std::string(UpdateSafety::description(f)); }

TEST(UpdateHelperArguments, ProcessIdentifiers) {
    struct Case {
        const char* text;
        std::optional<pid_t> pid;
    };
    const Case cases[] = {
        {"1234", 1234}, {"+1234", 1234}, {"2", 2}, {"2147483647", 2147483647}, {"0002", 2},
        {"", std::nullopt}, {"12a", std::nullopt}, {" 12", std::nullopt}, {"12 ", std::nullopt},
        {"+", std::nullopt}, {"-", std::nullopt}, {"2147483648", std::nullopt}, {"99999999999999999999", std::nullopt},
        {"0", std::nullopt}, {"1", std::nullopt}, {"-5", std::nullopt}, {"++5", std::nullopt}, {"\xd9\xa3", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(UpdateHelper::parseProcessId(c.text), c.pid) << '"' << c.text << '"';
}

TEST(UpdateHelperArguments, ErrorFileBesideTheStagedFolder) {
    EXPECT_EQ(UpdateHelper::errorFilePath("/a/X.app"), fs::path("/a/X.update-error.txt"));
    EXPECT_EQ(UpdateHelper::errorFilePath("/a/X.app/"), fs::path("/a/X.update-error.txt"));
    EXPECT_EQ(UpdateHelper::errorFilePath("/a/.Vendrel-previous-1.app"), fs::path("/a/.Vendrel-previous-1.update-error.txt"));
    EXPECT_EQ(UpdateHelper::errorFilePath("/a/X"), fs::path("/a/X.update-error.txt"));
    EXPECT_EQ(UpdateHelper::errorFilePath("X.app"), fs::current_path() / "X.update-error.txt");
}

pid_t sleeper(std::chrono::milliseconds d) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::usleep(static_cast<useconds_t>(d.count() * 1000));
        ::_exit(0);
    }
    return pid;
}

TEST(UpdateHelperWait, EndsWhenTheProcessEnds) {
    // Already gone: the wait ends without reaching its deadline (which would throw).
    const pid_t gone = sleeper(0ms);
    ::waitpid(gone, nullptr, 0);
    EXPECT_NO_THROW(UpdateHelper::waitForExit(gone, 60s));

    // Not reaped: the helper is no parent of the application and must still see the exit. The child
    // lives until the test closes its pipe.
    int release[2];
    ASSERT_EQ(::pipe(release), 0);
    const pid_t later = ::fork();
    if (later == 0) {
        ::close(release[1]);
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(release[0], &byte, 1);
        ::_exit(0);
    }
    ::close(release[0]);
    std::atomic<bool> returned{false};
    std::optional<std::string> failure;
    std::thread waiter([&] {
        try {
            UpdateHelper::waitForExit(later, 60s);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        returned = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(returned) << "the wait ended while the process still ran";
    ::close(release[1]);
    waiter.join();
    EXPECT_FALSE(failure) << *failure;
    // It returned because the process had ended: reaping it does not wait.
    EXPECT_EQ(::waitpid(later, nullptr, WNOHANG), later);
}

TEST(UpdateHelperWait, GivesUpAtTheDeadline) {
    const pid_t pid = sleeper(10s);
    try {
        UpdateHelper::waitForExit(pid, 200ms);
        ADD_FAILURE() << "no time-out";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ETIMEDOUT);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs the test build of the helper with these arguments (argv[0] added), bounded in time.
Result runHelper(const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<std::string> all{ORVANE_UPDATE_HELPER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const fs::path out = dir / "helper.out", err = dir / "helper.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    Result r;
    int status = 0;
    for (int i = 0; i < 600 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) std::this_thread::sleep_for(50ms);
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "the helper did not end";
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readText(out);
    r.err = readText(err);
    return r;
}

class HelperEndToEnd : public ::testing::Test {
protected:
    TempDir dir;
    fs::path marker = dir / "started.txt";
    fs::path installed = dir / "Vendrel.app";
    fs::path staged = dir / ".Vendrel-previous-1.app";
    fs::path errorFile = dir / ".Vendrel-previous-1.update-error.txt";

    void makeApp(const fs::path& folder, const TestSigner& signer, const std::string& version,
                 const std::string& tail = "exec sleep 5") {
        testing::makeAppFolder(folder, signer, version, marker, tail);
    }
    std::string versionAt(const fs::path& folder) const { return testing::versionAt(folder); }
    std::string started(std::size_t lines) const { return testing::markerLines(marker, lines); }

    // The helper with a fake application process that quits a moment later.
    Result install() {
        const pid_t app = sleeper(200ms);
        auto r = runHelper({std::to_string(app), staged.string(), installed.string()}, dir.path());
        ::waitpid(app, nullptr, 0);
        return r;
    }
};

TEST_F(HelperEndToEnd, SwapsAndStartsTheNewVersion) {
    makeApp(installed, pki().team, "1.0");
    makeApp(staged, pki().team, "1.1");
    const auto r = install();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(versionAt(installed), "1.1");
    EXPECT_EQ(versionAt(staged), "1.0");
    EXPECT_EQ(started(1), "1.1\n");
    EXPECT_FALSE(fs::exists(errorFile));
}

TEST_F(HelperEndToEnd, AnotherTeamReopensTheOldVersion) {
    makeApp(installed, pki().team, "1.0");
    makeApp(staged, pki().otherTeam, "1.1");
    writeText(errorFile, "an earlier failure\n");
    const auto r = install();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Actualizare eșuată: " + text(UpdateSafety::Failure::untrustedSigner) + "\n");
    EXPECT_EQ(readText(errorFile), "Actualizarea nu a reușit: " + text(UpdateSafety::Failure::untrustedSigner) + "\n");
    EXPECT_EQ(versionAt(installed), "1.0");
    EXPECT_EQ(versionAt(staged), "1.1");
    EXPECT_EQ(started(1), "1.0\n");
}

TEST_F(HelperEndToEnd, AMissingStagedFolderReopensTheOldVersion) {
    makeApp(installed, pki().team, "1.0");
    const auto r = install();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readText(errorFile), "Actualizarea nu a reușit: " + text(UpdateSafety::Failure::untrustedSigner) + "\n");
    EXPECT_EQ(versionAt(installed), "1.0");
    EXPECT_EQ(started(1), "1.0\n");
}

TEST_F(HelperEndToEnd, ANewVersionThatFailsAtOnceIsSwappedBack) {
    makeApp(installed, pki().team, "1.0");
    makeApp(staged, pki().team, "1.1", "exit 3");
    const auto r = install();
    EXPECT_EQ(r.status, 1);
    const std::string why = "Noua versiune s-a oprit imediat după pornire (starea 3).";
    EXPECT_EQ(r.err, "Actualizare eșuată: " + why + "\n");
    EXPECT_EQ(readText(errorFile), "Actualizarea nu a reușit: " + why + "\n");
    EXPECT_EQ(versionAt(installed), "1.0");
    EXPECT_EQ(versionAt(staged), "1.1");
    EXPECT_EQ(started(2), "1.1\n1.0\n");
}

TEST_F(HelperEndToEnd, ANewVersionThatEndsWellCounts) {
    makeApp(installed, pki().team, "1.0");
    makeApp(staged, pki().team, "1.1", "exit 0");
    EXPECT_EQ(install().status, 0);
    EXPECT_EQ(versionAt(installed), "1.1");
}

TEST_F(HelperEndToEnd, AStagedPathThroughALinkAndDotDotIsRefusedBeforeAnythingMoves) {
    // The kernel takes "link/../X.app" to a signed copy elsewhere; the names as written lead to an
    // unsigned sibling beside the installed folder.
    makeApp(installed, pki().team, "1.0");
    makeApp(dir / "elsewhere" / staged.filename(), pki().team, "1.1");
    fs::create_directories(dir / "elsewhere/sub");
    writeText(staged / "Contents/Resources/version.txt", "unsigned");
    fs::create_directory_symlink(dir / "elsewhere/sub", dir / "link");
    const pid_t app = sleeper(200ms);
    const auto r = runHelper({std::to_string(app), (dir / "link/.." / staged.filename()).string(), installed.string()},
                             dir.path());
    ::waitpid(app, nullptr, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Actualizare eșuată: " + text(UpdateSafety::Failure::invalidLayout) + "\n");
    EXPECT_EQ(versionAt(installed), "1.0");
    EXPECT_EQ(versionAt(staged), "unsigned");
    EXPECT_EQ(versionAt(dir / "elsewhere" / staged.filename()), "1.1");
    EXPECT_EQ(started(1), "1.0\n");  // the old version again
    // A refused staged path gets no report beside it, wherever it leads.
    EXPECT_FALSE(fs::exists(errorFile));
    EXPECT_FALSE(fs::exists(dir / "elsewhere" / errorFile.filename()));
}

TEST_F(HelperEndToEnd, TheErrorFileReplacesALinkPlantedAtItsName) {
    makeApp(installed, pki().team, "1.0");
    makeApp(staged, pki().otherTeam, "1.1");
    writeText(dir / "victim.txt", "keep");
    fs::create_symlink(dir / "victim.txt", errorFile);
    EXPECT_EQ(install().status, 1);
    EXPECT_EQ(readText(dir / "victim.txt"), "keep");
    EXPECT_FALSE(fs::is_symlink(errorFile));
    EXPECT_EQ(readText(errorFile), "Actualizarea nu a reușit: " + text(UpdateSafety::Failure::untrustedSigner) + "\n");
}

TEST_F(HelperEndToEnd, BadArgumentsWriteNoErrorFile) {
    makeApp(installed, pki().team, "1.0");
    makeApp(staged, pki().team, "1.1");
    const std::string s = staged.string(), i = installed.string();
    const std::vector<std::vector<std::string>> cases = {
        {"12345", s}, {"12345", s, i, "extra"}, {"", s, i}, {"12a", s, i}, {" 12", s, i}, {"+", s, i},
        {"2147483648", s, i}, {"0", s, i}, {"1", s, i}, {"-7", s, i},
    };
    for (const auto& args : cases) {
        const auto r = runHelper(args, dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Actualizare eșuată: " + text(UpdateSafety::Failure::invalidLayout) + "\n");
        EXPECT_EQ(r.out, "");
    }
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find("update-error"), std::string::npos) << e.path();
    EXPECT_EQ(versionAt(installed), "1.0");
    EXPECT_FALSE(fs::exists(marker));
}

}  // namespace
}  // namespace orvane
