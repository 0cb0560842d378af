#include "core/update/update_safety.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <optional>
#include <memory>
#include <system_error>

namespace orvane {

namespace fs = std::filesystem;

std::string_view UpdateSafety::description(Failure failure) {
    switch (failure) {
    case Failure::insecureURL: return "Actualizările se descarcă numai prin HTTPS.";
    case Failure::invalidResponse: return "Serverul de actualizări nu a returnat un răspuns HTTPS valid.";
    case Failure::untrustedSigner:
        return "Actualizarea trebuie semnată de aceeași echipă de dezvoltatori ca aplicația instalată. "
               "Buildurile ad-hoc se instalează manual, din managerul de fișiere.";
    case Failure::invalidLayout:
        return "Noua aplicație trebuie pregătită separat, pe același volum cu aplicația instalată.";
    }
    return {};
}

UpdateSafety::Error::Error(Failure failure) : std::runtime_error(std::string(description(failure))), failure_(failure) {}

UpdateSafety::RollbackError::RollbackError(const std::string& swapBackDescription, const fs::path& staged)
    : std::runtime_error("Nu am putut reveni la aplicația veche: " + swapBackDescription + ". Copia este la " +
                         staged.string() + ".") {}

void UpdateSafety::requireHTTPS(std::string_view url) {
    using Url = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;
    Url u(curl_url(), curl_url_cleanup);
    const std::string text(url);
    // The parser would take "https:///x" as host "x"; an address needs an authority after "//".
    const auto slashes = text.find("://");
    if (slashes == std::string::npos || slashes + 3 >= text.size() ||
        std::string_view("/?#").find(text[slashes + 3]) != std::string_view::npos)
        throw Error(Failure::insecureURL);
    if (!u || text.find('\0') != std::string::npos ||
        curl_url_set(u.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        throw Error(Failure::insecureURL);
    auto part = [&](CURLUPart which) -> std::optional<std::string> {
        char* out = nullptr;
        if (curl_url_get(u.get(), which, &out, 0) != CURLUE_OK || !out) return std::nullopt;
        std::string s(out);
        curl_free(out);
        return s;
    };
    auto scheme = part(CURLUPART_SCHEME);
    if (scheme)
        for (auto& c : *scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto host = part(CURLUPART_HOST);
    if (scheme != "https" || !host || host->empty() || part(CURLUPART_USER) || part(CURLUPART_PASSWORD))
        throw Error(Failure::insecureURL);
}

bool UpdateSafety::isPlainIdentifier(std::string_view text) {
    if (text.empty()) return false;
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto n = static_cast<int32_t>(text.size());
    bool afterLetterOrNumber = false;
    for (int32_t i = 0; i < n;) {
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) return false;
        const auto mask = U_MASK(u_charType(c));
        if (mask & (U_GC_L_MASK | U_GC_N_MASK)) {
            afterLetterOrNumber = true;
        } else if ((mask & U_GC_M_MASK) && afterLetterOrNumber) {
            // a combining mark belongs to the character before it
        } else if (c == '-' || c == '.' || c == '_') {
            afterLetterOrNumber = false;
        } else {
            return false;
        }
    }
    return true;
}

void UpdateSafety::validate(const fs::path& candidate, const fs::path& installed, const TrustAnchors& anchors) {
    (void)validated(candidate, installed, anchors);
}

CodeSignature::Verified UpdateSafety::validated(const fs::path& candidate, const fs::path& installed,
                                                const TrustAnchors& anchors) {
    try {
        const auto rules = CodeSignature::verify(installed, anchors);
        if (!isPlainIdentifier(rules.team) || !isPlainIdentifier(rules.manifest.identifier))
            throw Error(Failure::untrustedSigner);
        const auto update = CodeSignature::verify(candidate, anchors);
        if (update.team != rules.team || update.manifest.identifier != rules.manifest.identifier)
            throw Error(Failure::untrustedSigner);
        return update;
    } catch (const Error&) {
        throw;
    } catch (const std::exception&) {
        // Unreadable, unsigned or damaged: the reason is not reported, only the refusal.
        throw Error(Failure::untrustedSigner);
    }
}

UpdateSafety::Check UpdateSafety::defaultCheck() {
    return [](const fs::path& candidate, const fs::path& installed) { validate(candidate, installed); };
}

namespace {

fs::path standardised(const fs::path& p) {
    fs::path out = fs::absolute(p).lexically_normal();
    // "a/b/" names the same entry as "a/b".
    if (!out.has_filename() && out.has_parent_path() && out != out.root_path()) out = out.parent_path();
    return out;
}

bool hasLinkedComponent(const fs::path& p) {
    fs::path prefix;
    for (const auto& part : p) {
        prefix /= part;
        struct stat st {};
        if (::lstat(prefix.c_str(), &st) != 0) return false;  // missing: the rename reports it
        if (S_ISLNK(st.st_mode)) return true;
    }
    return false;
}

}  // namespace

void UpdateSafety::exchange(const fs::path& stagedIn, const fs::path& installedIn) {
    const fs::path staged = standardised(stagedIn);
    const fs::path installed = standardised(installedIn);
    if (staged == installed || staged.parent_path() != installed.parent_path() || staged == staged.root_path() ||
        installed == installed.root_path() || hasLinkedComponent(staged) || hasLinkedComponent(installed))
        throw Error(Failure::invalidLayout);
    // One handle on the parent for both names: the two entries are swapped within the folder checked.
    const int dir = ::open(staged.parent_path().c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) throw std::system_error(errno, std::generic_category());
    const int rc = ::renameat2(dir, staged.filename().c_str(), dir, installed.filename().c_str(), RENAME_EXCHANGE);
    const int err = errno;
    ::close(dir);
    if (rc != 0) throw std::system_error(err ? err : EIO, std::generic_category());
}

fs::path UpdateSafety::resolveBundlePath(const fs::path& given) {
    for (const auto& part : given)
        if (part == "..") throw Error(Failure::invalidLayout);
    const fs::path path = standardised(given);
    if (hasLinkedComponent(path)) throw Error(Failure::invalidLayout);
    return path;
}

void UpdateSafety::install(const fs::path& stagedIn, const fs::path& installedIn, const Check& validate,
                           const Launch& launch) {
    // The checks see exactly the entries the swaps exchange.
    const fs::path staged = standardised(stagedIn);
    const fs::path installed = standardised(installedIn);
    validate(staged, installed);
    exchange(staged, installed);
    std::exception_ptr failure;
    try {
        validate(installed, staged);
        if (launch) launch(installed);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) return;
    try {
        exchange(staged, installed);
    } catch (const std::exception& e) {
        throw RollbackError(e.what(), staged);
    }
    std::rethrow_exception(failure);
}

}  // namespace orvane
