#pragma once
// Test support: a tiny HTTPS server on 127.0.0.1 for one test, with the test hierarchy's server
// certificate: one connection at a time, every wait bounded, stopped by its destructor. The handler
// answers a request path by writing through `send` (false once the client has gone) and may poll
// `stopping`. Nothing here reaches beyond the loopback address.
#include <atomic>
#include <functional>
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

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string url(const std::string& path, const char* scheme = "https") const;
    int requests() const { return requests_; }

private:
    void run();
    void serve(SSL* ssl);

    Handler handler_;
    SSL_CTX* ctx_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

// A whole HTTP/1.1 answer that closes the connection.
std::string httpAnswer(int status, const std::string& body, const std::string& headers = "");

}  // namespace orvane::testing
