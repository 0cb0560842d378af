#pragma once
// The network client of the update road: HTTPS only, on the request, on every redirect hop and on the
// final address; only 2xx answers count. Calls block: run them off the interface thread.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace orvane {

// A failure below HTTP (no connection, TLS, time-out, a dropped connection), passed on as the
// transport reported it.
class TransportError : public std::runtime_error {
public:
    TransportError(int curlCode, const std::string& message) : std::runtime_error(message), code_(curlCode) {}
    int curlCode() const { return code_; }

private:
    int code_;
};

class UpdateDownload {
public:
    struct Options {
        // Certificates to trust instead of the system's (tests point this at their own root).
        std::optional<std::filesystem::path> caFile;
        std::chrono::seconds connectTimeout{30};
        // A transfer that moves no byte for this long ends with a time-out.
        std::chrono::milliseconds idleTimeout{60000};
        // Overall deadlines, redirects included, so that a server dripping a byte now and then cannot
        // hold a transfer open for ever. The feed gets a fixed time; an update file this base time
        // plus what its announced size needs at downloadMinimumRate (downloadDeadline below).
        std::chrono::milliseconds feedDeadline{60000};
        std::chrono::milliseconds downloadDeadlineBase{120000};
        std::uint64_t downloadMinimumRate = 32 * 1024;  // bytes a second
        std::uint64_t dataLimit = 1u << 20;              // the feed
        std::uint64_t downloadLimit = std::uint64_t{2} << 30;  // an update file
        int maxRedirects = 10;
        // Where download() creates its file; the system's temporary folder when empty.
        std::filesystem::path temporaryFolder;
    };

    UpdateDownload();
    explicit UpdateDownload(Options options);

    // The one instance the application uses.
    static UpdateDownload& shared();

    // The whole body of a GET. Throws UpdateSafety::Error (insecureURL before any traffic,
    // invalidResponse for a refused answer or a body beyond the limit) or TransportError.
    std::string data(const std::string& url) const;

    // Streams the body of a GET to a new private file and returns its path; the caller owns it.
    // Throws as data(); a failed download leaves no file behind.
    std::filesystem::path download(const std::string& url) const;

    // One POST of `body` with the single header "Content-Type: <contentType>", the whole exchange
    // bounded by `timeout`. Returns the answer's status, whatever it is (a redirect is not followed);
    // the answer's body is not kept. Throws UpdateSafety::Error (insecureURL) before any traffic, or
    // TransportError.
    long post(const std::string& url, const std::string& body, const std::string& contentType,
              std::chrono::milliseconds timeout) const;

    // The answer rule: a status of 200 to 299 and a final address that passes requireHTTPS.
    static void checkResponse(long status, const std::string& finalUrl);

    // How long an update file of `bytes` may take in all. Before a size is announced (or when none is)
    // `bytes` is what has arrived so far, so an unannounced body must keep up the minimum rate.
    static std::chrono::milliseconds downloadDeadline(const Options& options, std::uint64_t bytes);

    // The text of a transfer ended by its overall deadline (a TransportError with the time-out code).
    static const char* const deadlineText;

private:
    Options options_;
};

}  // namespace orvane
