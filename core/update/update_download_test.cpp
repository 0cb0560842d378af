#include "core/update/update_download.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/update/update_safety.h"
#include "testing/temp_dir.h"
#include "testing/update_pki.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Failure = UpdateSafety::Failure;
using testing::TempDir;
using testing::testPki;

// A tiny HTTPS server on 127.0.0.1 for one test: one connection at a time, every wait bounded, stopped
// by its destructor. The handler answers a request path by writing through `send` (false once the
// client has gone) and may poll `stopping`.
class LoopbackServer {
public:
    using Send = std::function<bool(std::string_view)>;
    using Handler = std::function<void(const std::string& path, const Send& send, const std::atomic<bool>& stopping)>;

    explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
        ::signal(SIGPIPE, SIG_IGN);
        ctx_ = SSL_CTX_new(TLS_server_method());
        loadIdentity();
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("loopback server");
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~LoopbackServer() {
        stopping_ = true;
        thread_.join();
        ::close(listener_);
        SSL_CTX_free(ctx_);
    }

    std::string url(const std::string& path, const char* scheme = "https") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + path;
    }
    int requests() const { return requests_; }

private:
    void loadIdentity() {
        const auto& pki = testPki();
        BIO* c = BIO_new_mem_buf(pki.serverCertPem.data(), static_cast<int>(pki.serverCertPem.size()));
        BIO* k = BIO_new_mem_buf(pki.serverKeyPem.data(), static_cast<int>(pki.serverKeyPem.size()));
        X509* cert = PEM_read_bio_X509(c, nullptr, nullptr, nullptr);
        EVP_PKEY* key = PEM_read_bio_PrivateKey(k, nullptr, nullptr, nullptr);
        SSL_CTX_use_certificate(ctx_, cert);
        SSL_CTX_use_PrivateKey(ctx_, key);
        X509_free(cert);
        EVP_PKEY_free(key);
        BIO_free(c);
        BIO_free(k);
    }

    void run() {
        while (!stopping_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            timeval t{2, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
            SSL* ssl = SSL_new(ctx_);
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) == 1) serve(ssl);
            SSL_shutdown(ssl);
            SSL_free(ssl);
            ::close(fd);
            ERR_clear_error();
        }
    }

    void serve(SSL* ssl) {
        std::string request;
        char buf[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 8192) {
            const int n = SSL_read(ssl, buf, sizeof buf);
            if (n <= 0) return;
            request.append(buf, static_cast<std::size_t>(n));
        }
        ++requests_;
        const auto start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        const Send send = [ssl](std::string_view bytes) {
            return bytes.empty() || SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size())) > 0;
        };
        handler_(path, send, stopping_);
    }

    Handler handler_;
    SSL_CTX* ctx_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

std::string answer(int status, const std::string& body, const std::string& headers = "") {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\nConnection: close\r\n" + headers;
    if (status != 204 && status != 304) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

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
            send(answer(status, status == 204 || status == 304 ? "" : "body " + std::to_string(status)));
        } else if (path == "/to-https") {
            send(answer(302, "", "Location: " + server.url("/status/200") + "\r\n"));
        } else if (path == "/relative") {
            send(answer(301, "", "Location: /status/299\r\n"));
        } else if (path == "/to-http") {
            send(answer(302, "", "Location: " + server.url("/status/200", "http") + "\r\n"));
        } else if (path == "/to-user") {
            send(answer(302, "", "Location: https://user@127.0.0.1:1/status/200\r\n"));
        } else if (path == "/loop") {
            send(answer(302, "", "Location: /loop\r\n"));
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
        } else if (path == "/big") {
            send(answer(200, std::string(5000, 'b')));
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

TEST_F(DownloadTest, TransportFailuresPassThrough) {
    UpdateDownload::Options o;  // no test root: the server's certificate is not trusted
    o.temporaryFolder = downloads;
    EXPECT_THROW(UpdateDownload(o).data(server.url("/status/200")), TransportError);
    EXPECT_THROW(UpdateDownload(o).download(server.url("/status/200")), TransportError);
    EXPECT_TRUE(downloadsEmpty());
}

}  // namespace
}  // namespace orvane
