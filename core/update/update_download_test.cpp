#include "core/update/update_download.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/update/update_safety.h"
#include "testing/loopback_https.h"
#include "testing/temp_dir.h"
#include "testing/update_pki.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Failure = UpdateSafety::Failure;
using testing::TempDir;
using testing::testPki;

using testing::httpAnswer;
using testing::LoopbackServer;

class DownloadTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path ca = dir / "root.pem";
    fs::path downloads = dir / "downloads";
    LoopbackServer server{[this](const std::string& path, const LoopbackServer::Send& send,
                                 const std::atomic<bool>& stopping) { route(path, send, stopping); }};

    DownloadTest() {
        testing::writeText(ca, testPki().rootPem);
        fs::create_directories(downloads);
    }

    UpdateDownload client(std::uint64_t limit = 1u << 20) const {
        UpdateDownload::Options o;
        o.caFile = ca;
        o.idleTimeout = 1s;
        o.connectTimeout = 5s;
        o.dataLimit = limit;
        o.downloadLimit = limit;
        o.temporaryFolder = downloads;
        return UpdateDownload(o);
    }

    void route(const std::string& path, const LoopbackServer::Send& send, const std::atomic<bool>& stopping) {
        if (path.starts_with("/status/")) {
            const int status = std::stoi(path.substr(8));
            send(httpAnswer(status, status == 204 || status == 304 ? "" : "body " + std::to_string(status)));
        } else if (path == "/to-https") {
            send(httpAnswer(302, "", "Location: " + server.url("/status/200") + "\r\n"));
        } else if (path == "/relative") {
            send(httpAnswer(301, "", "Location: /status/299\r\n"));
        } else if (path == "/to-http") {
            send(httpAnswer(302, "", "Location: " + server.url("/status/200", "http") + "\r\n"));
        } else if (path == "/to-user") {
            send(httpAnswer(302, "", "Location: https://user@127.0.0.1:1/status/200\r\n"));
        } else if (path == "/loop") {
            send(httpAnswer(302, "", "Location: /loop\r\n"));
        } else if (path == "/stall") {
            send("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 100\r\n\r\nonly a part");
            for (int i = 0; i < 100 && !stopping; ++i) std::this_thread::sleep_for(50ms);
        } else if (path == "/endless") {
            send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            const std::string chunk(16384, 'x');
            for (int i = 0; i < 4096 && !stopping && send(chunk); ++i) {
            }
        } else if (path == "/drip") {
            // One byte at a time, now and then: never idle, never done (until the client leaves).
            send("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1000\r\n\r\n");
            for (int i = 0; i < 1000 && !stopping && send("x"); ++i) std::this_thread::sleep_for(100ms);
        } else if (path == "/hang") {
            for (int i = 0; i < 20 && !stopping; ++i) std::this_thread::sleep_for(50ms);
        } else if (path == "/big") {
            send(httpAnswer(200, std::string(5000, 'b')));
        }
    }

    bool downloadsEmpty() const { return fs::is_empty(downloads); }
};

template <class F>
std::optional<Failure> failureOf(F&& f) {
    try {
        f();
        return std::nullopt;
    } catch (const UpdateSafety::Error& e) {
        return e.failure();
    }
}

TEST(UpdateDownloadRule, OnlyTwoHundredsWithAnHttpsFinalAddress) {
    struct Case {
        long status;
        const char* url;
        std::optional<Failure> failure;
    };
    const Case cases[] = {
        {200, "https://a.example/x", std::nullopt},   {299, "https://a.example/x", std::nullopt},
        {199, "https://a.example/x", Failure::invalidResponse}, {300, "https://a.example/x", Failure::invalidResponse},
        {304, "https://a.example/x", Failure::invalidResponse}, {404, "https://a.example/x", Failure::invalidResponse},
        {200, "", Failure::invalidResponse},          {200, "http://a.example/x", Failure::insecureURL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failureOf([&] { UpdateDownload::checkResponse(c.status, c.url); }), c.failure) << c.status << c.url;
}

TEST_F(DownloadTest, StatusCodes) {
    const auto c = client();
    EXPECT_EQ(c.data(server.url("/status/200")), "body 200");
    EXPECT_EQ(c.data(server.url("/status/299")), "body 299");
    EXPECT_EQ(c.data(server.url("/status/204")), "");
    for (const char* refused : {"/status/300", "/status/304", "/status/404"})
        EXPECT_EQ(failureOf([&] { c.data(server.url(refused)); }), Failure::invalidResponse) << refused;
}

TEST_F(DownloadTest, PlainHttpNeverReachesTheServer) {
    const auto c = client();
    EXPECT_EQ(failureOf([&] { c.data(server.url("/status/200", "http")); }), Failure::insecureURL);
    EXPECT_EQ(failureOf([&] { c.download(server.url("/status/200", "http")); }), Failure::insecureURL);
    EXPECT_EQ(server.requests(), 0);
    EXPECT_TRUE(downloadsEmpty());
}

TEST_F(DownloadTest, RedirectsAreCheckedHopByHop) {
    const auto c = client();
    EXPECT_EQ(c.data(server.url("/to-https")), "body 200");
    EXPECT_EQ(server.requests(), 2);
    EXPECT_EQ(c.data(server.url("/relative")), "body 299");
    EXPECT_EQ(server.requests(), 4);
    for (const char* refused : {"/to-http", "/to-user"}) {
        const int before = server.requests();
        EXPECT_EQ(failureOf([&] { c.data(server.url(refused)); }), Failure::invalidResponse) << refused;
        EXPECT_EQ(server.requests(), before + 1) << refused;
    }
    const int before = server.requests();
    EXPECT_EQ(failureOf([&] { c.data(server.url("/loop")); }), Failure::invalidResponse);
    EXPECT_EQ(server.requests(), before + 11);
}

TEST_F(DownloadTest, DownloadsToAPrivateFileTheCallerOwns) {
    const auto file = client().download(server.url("/to-https"));
    EXPECT_EQ(file.parent_path(), downloads);
    EXPECT_EQ(testing::readText(file), "body 200");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    fs::remove(file);
}

TEST_F(DownloadTest, RefusedOrFailedDownloadsLeaveNoFile) {
    const auto c = client(1000);
    EXPECT_EQ(failureOf([&] { c.download(server.url("/status/404")); }), Failure::invalidResponse);
    EXPECT_EQ(failureOf([&] { c.download(server.url("/to-http")); }), Failure::invalidResponse);
    EXPECT_EQ(failureOf([&] { c.download(server.url("/big")); }), Failure::invalidResponse);
    EXPECT_EQ(failureOf([&] { c.download(server.url("/endless")); }), Failure::invalidResponse);
    EXPECT_THROW(c.download(server.url("/stall")), TransportError);
    EXPECT_TRUE(downloadsEmpty());
}

TEST_F(DownloadTest, CapsAndTheIdleTimeoutEndBadTransfers) {
    const auto c = client(1000);
    EXPECT_EQ(failureOf([&] { c.data(server.url("/big")); }), Failure::invalidResponse);
    EXPECT_EQ(failureOf([&] { c.data(server.url("/endless")); }), Failure::invalidResponse);
    try {
        c.data(server.url("/stall"));
        ADD_FAILURE() << "a stalled transfer ended normally";
    } catch (const TransportError& e) {
        // Timed out: the server's own end of the connection (5 s on) would be a partial transfer (18).
        EXPECT_EQ(e.curlCode(), 28);
    }
}

TEST(UpdateDownloadDeadline, AnUpdateFileGetsTheTimeItsSizeNeedsAndMore) {
    UpdateDownload::Options o;
    EXPECT_EQ(o.feedDeadline, 60s);
    struct Case {
        std::uint64_t bytes;
        std::chrono::milliseconds deadline;
    };
    const Case cases[] = {
        {0, 120s},
        {1, 120001ms},  // rounded up
        {32 * 1024, 121s},
        {std::uint64_t{200} << 20, 120s + 6400s},  // 200 MiB: at 256 kbit/s, still in time
        {std::uint64_t{2} << 30, 120s + 65536s},
        {~std::uint64_t{0}, 120s + std::chrono::milliseconds((std::uint64_t{1} << 50) * 1000 / (32 * 1024))},
    };
    for (const auto& c : cases) EXPECT_EQ(UpdateDownload::downloadDeadline(o, c.bytes), c.deadline) << c.bytes;
}

TEST_F(DownloadTest, ADripFedTransferEndsAtItsDeadline) {
    UpdateDownload::Options o;
    o.caFile = ca;
    o.temporaryFolder = downloads;
    o.idleTimeout = 30s;  // a byte every 100 ms is never idle
    o.feedDeadline = 1s;
    o.downloadDeadlineBase = 1s;
    o.downloadMinimumRate = 1u << 20;  // the 1000 announced bytes add a millisecond
    const UpdateDownload c(o);
    for (const auto& transfer : std::vector<std::function<void()>>{[&] { c.data(server.url("/drip")); },
                                                                    [&] { c.download(server.url("/drip")); }}) {
        try {
            transfer();
            ADD_FAILURE() << "a drip-fed transfer ended normally";
        } catch (const TransportError& e) {
            EXPECT_EQ(e.curlCode(), 28);  // operation timed out
            EXPECT_STREQ(e.what(), UpdateDownload::deadlineText);
        }
    }
    EXPECT_TRUE(downloadsEmpty());
}

TEST_F(DownloadTest, APostSendsItsBodyWithOneHeaderAndReportsAnyStatus) {
    const auto c = client();
    const std::string body = R"({"a":"ă & b"})";
    EXPECT_EQ(c.post(server.url("/status/200"), body, "application/json", 5s), 200);
    const auto r = server.lastRequest();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/status/200");
    EXPECT_EQ(r.body, body);
    EXPECT_NE(r.head.find("\r\nContent-Type: application/json\r\n"), std::string::npos) << r.head;
    for (const char* absent : {"\r\nAccept:", "\r\nExpect:", "\r\nAuthorization:"})
        EXPECT_EQ(r.head.find(absent), std::string::npos) << absent << r.head;
    for (int status : {201, 204, 404, 500}) EXPECT_EQ(c.post(server.url("/status/" + std::to_string(status)), body, "application/json", 5s), status);
    EXPECT_EQ(c.post(server.url("/to-https"), body, "application/json", 5s), 302) << "a redirect is not followed";
    EXPECT_EQ(server.lastRequest().path, "/to-https");
}

TEST_F(DownloadTest, APostRefusesPlainHttpAndEndsAtItsTimeout) {
    const auto c = client();
    EXPECT_EQ(failureOf([&] { c.post(server.url("/status/200", "http"), "{}", "application/json", 5s); }),
              Failure::insecureURL);
    EXPECT_EQ(server.requests(), 0);
    try {
        c.post(server.url("/hang"), "{}", "application/json", 300ms);
        ADD_FAILURE() << "a silent server answered";
    } catch (const TransportError& e) {
        EXPECT_EQ(e.curlCode(), 28);
    }
    UpdateDownload::Options untrusted;  // the server's certificate is not trusted
    EXPECT_THROW(UpdateDownload(untrusted).post(server.url("/status/200"), "{}", "application/json", 5s), TransportError);
}

TEST_F(DownloadTest, TransportFailuresPassThrough) {
    UpdateDownload::Options o;  // no test root: the server's certificate is not trusted
    o.temporaryFolder = downloads;
    EXPECT_THROW(UpdateDownload(o).data(server.url("/status/200")), TransportError);
    EXPECT_THROW(UpdateDownload(o).download(server.url("/status/200")), TransportError);
    EXPECT_TRUE(downloadsEmpty());
}

}  // namespace
}  // namespace orvane
