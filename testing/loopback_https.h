#pragma once
// A tiny HTTPS server on 127.0.0.1 for one test, with the server certificate of testPki(): one
// connection at a time, every wait bounded, stopped by its destructor. The handler answers a request
// path by writing through `send` (false once the client has gone) and may poll `stopping`. The last
// request is kept whole (head and body) for the test to read.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace orvane::testing {

class LoopbackServer {
public:
    using Send = std::function<bool(std::string_view)>;
    using Handler = std::function<void(const std::string& path, const Send& send, const std::atomic<bool>& stopping)>;

    struct Request {
        std::string method;
        std::string path;
        std::string head;  // the request line and the header lines, as sent
        std::string body;
    };

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string url(const std::string& path, const char* scheme = "https") const;
    int requests() const { return requests_; }
    Request lastRequest() const;

private:
    void loadIdentity();
    void run();
    void serve(SSL* ssl);

    Handler handler_;
    SSL_CTX* ctx_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    Request last_;
    std::thread thread_;
};

// An HTTP/1.1 answer that closes the connection: the status line, `headers` (each ending in "\r\n"),
// a Content-Length (except for 204 and 304) and the body.
std::string httpAnswer(int status, const std::string& body, const std::string& headers = "");

}  // namespace orvane::testing
