#include "core/update/update_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "core/update/update_safety.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {

using Failure = UpdateSafety::Failure;

// Where a body goes: `write` answers false to stop the transfer, `reset` drops what a redirect hop
// wrote.
struct Sink {
    std::chrono::steady_clock::duration idleLimit{};
    std::chrono::steady_clock::time_point lastProgress{};
    curl_off_t lastReceived = -1;
    bool idle = false;

    // The overall deadline: the time allowed since `start` for a body of this announced size (or of
    // this many bytes received so far).
    std::chrono::steady_clock::time_point start{};
    std::function<std::chrono::steady_clock::duration(std::uint64_t bytes)> allowed;
    bool late = false;

    std::function<bool(const char*, std::size_t)> write;
    std::function<void()> reset;
    std::uint64_t limit = 0;
    std::uint64_t written = 0;
    bool overLimit = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    if (n > sink->limit - sink->written) {
        sink->overLimit = true;
        return 0;
    }
    if (!sink->write(data, n)) return 0;
    sink->written += n;
    return n;
}

// libcurl's own low-speed check averages over a window of seconds, so a few bytes and then silence
// pass it for a while; this ends a transfer after idleLimit without a new byte.
int onProgress(void* user, curl_off_t announced, curl_off_t received, curl_off_t, curl_off_t) {
    auto* sink = static_cast<Sink*>(user);
    const auto now = std::chrono::steady_clock::now();
    const auto bytes = static_cast<std::uint64_t>(std::max<curl_off_t>({announced, received, 0}));
    if (now - sink->start > sink->allowed(bytes)) {
        sink->late = true;
        return 1;
    }
    if (received != sink->lastReceived) {
        sink->lastReceived = received;
        sink->lastProgress = now;
        return 0;
    }
    if (now - sink->lastProgress < sink->idleLimit) return 0;
    sink->idle = true;
    return 1;
}

void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string info(CURL* h, CURLINFO what) {
    char* s = nullptr;
    if (curl_easy_getinfo(h, what, &s) != CURLE_OK || !s) return {};
    return s;
}

// The answer's status after a transfer that ended with `rc`; a TransportError for a failed one.
long statusOf(CURL* h, CURLcode rc, const char* errorText) {
    if (rc != CURLE_OK) {
        std::string message = curl_easy_strerror(rc);
        if (errorText[0]) message += std::string(": ") + errorText;
        throw TransportError(rc, message);
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// One GET, redirects followed here one hop at a time so each hop passes the address rule first.
void fetch(const UpdateDownload::Options& o, const std::string& url, Sink& sink) {
    UpdateSafety::requireHTTPS(url);
    globalInit();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    if (!handle) throw TransportError(CURLE_OUT_OF_MEMORY, curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    CURL* h = handle.get();
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(o.connectTimeout.count()));
    sink.idleLimit = o.idleTimeout;
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &sink);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.limit));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    if (o.caFile) curl_easy_setopt(h, CURLOPT_CAINFO, o.caFile->c_str());

    sink.start = std::chrono::steady_clock::now();
    std::string current = url;
    for (int hop = 0;; ++hop) {
        sink.reset();
        sink.written = 0;
        sink.lastReceived = -1;
        sink.lastProgress = std::chrono::steady_clock::now();
        errorText[0] = '\0';
        curl_easy_setopt(h, CURLOPT_URL, current.c_str());
        const CURLcode rc = curl_easy_perform(h);
        if (sink.overLimit || rc == CURLE_FILESIZE_EXCEEDED) throw UpdateSafety::Error(Failure::invalidResponse);
        if (sink.late) throw TransportError(CURLE_OPERATION_TIMEDOUT, UpdateDownload::deadlineText);
        if (sink.idle)
            throw TransportError(CURLE_OPERATION_TIMEDOUT, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
        const long status = statusOf(h, rc, errorText);
        if (status >= 300 && status < 400 && hop < o.maxRedirects) {
            const std::string next = info(h, CURLINFO_REDIRECT_URL);
            bool follow = !next.empty();
            if (follow) {
                try {
                    UpdateSafety::requireHTTPS(next);
                } catch (const UpdateSafety::Error&) {
                    follow = false;  // refused: the redirect answer itself fails the check below
                }
            }
            if (follow) {
                current = next;
                continue;
            }
        }
        UpdateDownload::checkResponse(status, info(h, CURLINFO_EFFECTIVE_URL));
        return;
    }
}

std::size_t discardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

UpdateDownload::UpdateDownload() : UpdateDownload(Options{}) {}
UpdateDownload::UpdateDownload(Options options) : options_(std::move(options)) {}

UpdateDownload& UpdateDownload::shared() {
    static UpdateDownload instance;
    return instance;
}

const char* const UpdateDownload::deadlineText = "Transferul nu s-a încheiat în timpul permis.";

std::chrono::milliseconds UpdateDownload::downloadDeadline(const Options& o, std::uint64_t bytes) {
    using namespace std::chrono;
    // In whole milliseconds, rounded up; capped far beyond any real file so the sum cannot overflow.
    const std::uint64_t rate = std::max<std::uint64_t>(o.downloadMinimumRate, 1);
    const std::uint64_t needed = (std::min<std::uint64_t>(bytes, std::uint64_t{1} << 50) * 1000 + rate - 1) / rate;
    return o.downloadDeadlineBase + milliseconds(static_cast<milliseconds::rep>(needed));
}

void UpdateDownload::checkResponse(long status, const std::string& finalUrl) {
    if (status < 200 || status > 299 || finalUrl.empty()) throw UpdateSafety::Error(Failure::invalidResponse);
    UpdateSafety::requireHTTPS(finalUrl);
}

std::string UpdateDownload::data(const std::string& url) const {
    std::string body;
    Sink sink;
    sink.limit = options_.dataLimit;
    sink.allowed = [deadline = options_.feedDeadline](std::uint64_t) { return deadline; };
    sink.write = [&](const char* p, std::size_t n) {
        body.append(p, n);
        return true;
    };
    sink.reset = [&] { body.clear(); };
    fetch(options_, url, sink);
    return body;
}

long UpdateDownload::post(const std::string& url, const std::string& body, const std::string& contentType,
                          std::chrono::milliseconds timeout) const {
    UpdateSafety::requireHTTPS(url);
    globalInit();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    if (!handle) throw TransportError(CURLE_OUT_OF_MEMORY, curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    CURL* h = handle.get();
    // The one header asked for; libcurl's own "Accept" and "Expect" are dropped.
    const std::string type = "Content-Type: " + contentType;
    curl_slist* headers = nullptr;
    for (const char* line : {type.c_str(), "Accept:", "Expect:"}) {
        curl_slist* next = curl_slist_append(headers, line);
        if (!next) {
            curl_slist_free_all(headers);
            throw TransportError(CURLE_OUT_OF_MEMORY, curl_easy_strerror(CURLE_OUT_OF_MEMORY));
        }
        headers = next;
    }
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, curl_slist_free_all);
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, discardBody);
    if (options_.caFile) curl_easy_setopt(h, CURLOPT_CAINFO, options_.caFile->c_str());
    return statusOf(h, curl_easy_perform(h), errorText);
}

fs::path UpdateDownload::download(const std::string& url) const {
    // Refuse a bad address before a file exists.
    UpdateSafety::requireHTTPS(url);
    const fs::path folder = options_.temporaryFolder.empty() ? fs::temp_directory_path() : options_.temporaryFolder;
    std::string pattern = (folder / "orvane-download-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mode 0600: the file is ours alone
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "mkstemp");
    const fs::path file(name.data());
    int writeError = 0;
    Sink sink;
    sink.limit = options_.downloadLimit;
    sink.allowed = [this](std::uint64_t bytes) { return downloadDeadline(options_, bytes); };
    sink.write = [&](const char* p, std::size_t n) {
        while (n > 0) {
            const ssize_t w = ::write(fd, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                writeError = w < 0 ? errno : EIO;
                return false;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return true;
    };
    sink.reset = [&] {
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) writeError = errno;
    };
    bool open = true;
    try {
        try {
            fetch(options_, url, sink);
        } catch (const TransportError&) {
            if (writeError) throw std::system_error(writeError, std::generic_category(), file.string());
            throw;
        }
        if (writeError) throw std::system_error(writeError, std::generic_category(), file.string());
        if (::fsync(fd) != 0) throw std::system_error(errno, std::generic_category(), file.string());
        open = false;
        if (::close(fd) != 0) throw std::system_error(errno, std::generic_category(), file.string());
    } catch (...) {
        if (open) ::close(fd);
        ::unlink(file.c_str());
        throw;
    }
    return file;
}

}  // namespace orvane
