#include "testing/loopback_https.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "testing/update_pki.h"

namespace orvane::testing {

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    ::signal(SIGPIPE, SIG_IGN);
    ctx_ = SSL_CTX_new(TLS_server_method());
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

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
    SSL_CTX_free(ctx_);
}

std::string LoopbackServer::url(const std::string& path, const char* scheme) const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::run() {
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

void LoopbackServer::serve(SSL* ssl) {
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

std::string httpAnswer(int status, const std::string& body, const std::string& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\nConnection: close\r\n" + headers;
    if (status != 204 && status != 304) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

}  // namespace orvane::testing
