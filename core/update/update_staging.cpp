#include "core/update/update_staging.h"

#include <curl/curl.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "core/base/atomic_file.h"
#include "core/base/process_control.h"
#include "core/base/uuid.h"
#include "core/base/zip_extract.h"
#include "core/update/update_safety.h"

namespace orvane {

namespace fs = std::filesystem;

StagingError::StagingError(Code code)
    : std::runtime_error(code == Code::notAVersion     ? "Nu este o versiune Vendrel."
                         : code == Code::noApplication ? "Nu există nicio aplicație în arhivă."
                                                       : "Arhiva actualizării nu poate fi folosită."),
      code_(code) {}

namespace UpdateStaging {

namespace {

[[noreturn]] void throwErrno(int err, const std::string& what) {
    throw std::system_error(err, std::generic_category(), what);
}

// Removes a folder when the operation ends, however it ends.
class RemovedAtEnd {
public:
    explicit RemovedAtEnd(fs::path folder) : folder_(std::move(folder)) {}
    ~RemovedAtEnd() {
        if (folder_.empty()) return;
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    void keep() { folder_.clear(); }
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;

private:
    fs::path folder_;
};

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

void copyBytes(int from, int to, const fs::path& target) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, "read");
        }
        if (n == 0) return;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                throwErrno(errno, "write " + target.string());
            }
            done += w;
        }
    }
}

// A plain copy of an application folder: folders and regular files with their permission bits; a link
// or a special file anywhere means it is not an application of ours.
void copyTree(const fs::path& from, const fs::path& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) throwErrno(errno, from.string());
    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.c_str(), 0700) != 0) throwErrno(errno, "mkdir " + to.string());
        std::vector<fs::path> children;
        for (const auto& e : fs::directory_iterator(from)) children.push_back(e.path());
        std::sort(children.begin(), children.end());
        for (const auto& c : children) copyTree(c, to / c.filename());
        if (::chmod(to.c_str(), 0755) != 0) throwErrno(errno, "chmod " + to.string());
        return;
    }
    if (!S_ISREG(st.st_mode)) throw StagingError(StagingError::Code::notAVersion);
    Fd in{::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (in.fd < 0) throwErrno(errno, from.string());
    Fd out{::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0) throwErrno(errno, to.string());
    copyBytes(in.fd, out.fd, to);
    if (::fchmod(out.fd, st.st_mode & 0777) != 0) throwErrno(errno, "chmod " + to.string());
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0) throwErrno(errno, "close " + to.string());
}

fs::path privateFolder(const fs::path& under, const std::string& prefix) {
    const fs::path base = under.empty() ? fs::temp_directory_path() : under;
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throwErrno(errno, "mkdtemp");
    return pattern;
}

using Url = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::optional<std::string> urlPart(CURLU* u, CURLUPart which, unsigned flags = 0) {
    char* out = nullptr;
    if (curl_url_get(u, which, &out, flags) != CURLUE_OK || !out) return std::nullopt;
    std::string s(out);
    curl_free(out);
    return s;
}

bool safeFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '.') return false;
    for (const unsigned char c : name)
        if (c == '/' || c < 0x20 || c == 0x7F) return false;
    return true;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (text[i] == '%' && i + 2 < text.size() + 0 && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool runsFrom(const fs::path& folder, const fs::path& procRoot) {
    const std::string prefix = folder.string() + "/";
    DIR* d = ::opendir(procRoot.c_str());
    if (!d) return false;
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        if (!std::all_of(e->d_name, e->d_name + std::strlen(e->d_name), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::error_code ec;
        const fs::path exe = fs::read_symlink(procRoot / e->d_name / "exe", ec);
        if (!ec && exe.string().starts_with(prefix)) {
            found = true;
            break;
        }
    }
    ::closedir(d);
    return found;
}

}  // namespace

Feed decodeFeed(std::string_view body) {
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(body);
    } catch (const std::exception&) {
        throw FeedError("Documentul de actualizări nu este JSON valid.");
    }
    if (!j.is_object()) throw FeedError("Documentul de actualizări nu este un obiect JSON.");
    auto text = [&](const char* key, bool required) -> std::optional<std::string> {
        const auto it = j.find(key);
        if (it == j.end() || (!required && it->is_null())) {
            if (required) throw FeedError(std::string("Documentul de actualizări nu are cheia „") + key + "”.");
            return std::nullopt;
        }
        if (!it->is_string())
            throw FeedError(std::string("Cheia „") + key + "” din documentul de actualizări nu este un text.");
        return it->get<std::string>();
    };
    Feed f;
    f.version = *text("version", true);
    f.build = text("build", false);
    f.url = *text("url", true);
    return f;
}

std::string releaseKey(const Feed& feed) { return feed.version + "." + feed.build.value_or("0"); }

int compareVersions(std::string_view a, std::string_view b) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && digit(a[ie])) ++ie;
            while (je < b.size() && digit(b[je])) ++je;
            // By value, of any length: leading zeros dropped, then the longer run is larger, then digit by digit.
            std::string_view ra = a.substr(i, ie - i), rb = b.substr(j, je - j);
            while (ra.size() > 1 && ra.front() == '0') ra.remove_prefix(1);
            while (rb.size() > 1 && rb.front() == '0') rb.remove_prefix(1);
            if (ra.size() != rb.size()) return ra.size() < rb.size() ? -1 : 1;
            if (const int c = ra.compare(rb); c != 0) return c < 0 ? -1 : 1;
            i = ie;
            j = je;
            continue;
        }
        const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::optional<std::string> resolve(const std::string& base, const std::string& reference) {
    if (reference.find('\0') != std::string::npos || base.find('\0') != std::string::npos) return std::nullopt;
    Url u(curl_url(), curl_url_cleanup);
    if (!u || curl_url_set(u.get(), CURLUPART_URL, base.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    if (curl_url_set(u.get(), CURLUPART_URL, reference.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    return urlPart(u.get(), CURLUPART_URL);
}

std::pair<std::string, std::string> splitVersion(const std::string& manifestVersion) {
    const auto plus = manifestVersion.find('+');
    if (plus == std::string::npos) return {manifestVersion, "0"};
    const std::string build = manifestVersion.substr(plus + 1);
    return {manifestVersion.substr(0, plus), build.empty() ? "0" : build};
}

std::optional<fs::path> applicationFolderOf(const fs::path& program) {
    fs::path folder;
    const fs::path p = fs::absolute(program).lexically_normal();
    for (const auto& part : p) {
        if (part == "Contents" && !folder.empty() && folder != folder.root_path()) return folder;
        folder /= part;
    }
    return std::nullopt;
}

bool isTeamSigned(const fs::path& folder, const TrustAnchors& anchors) {
    try {
        return !CodeSignature::verify(folder, anchors).team.empty();
    } catch (const std::exception&) {
        return false;
    }
}

bool isStagedName(std::string_view name) {
    if (!name.starts_with(stagedPrefix) || !name.ends_with(".app")) return false;
    const std::string_view id = name.substr(stagedPrefix.size(), name.size() - stagedPrefix.size() - 4);
    return Uuid::parse(id).has_value();
}

std::string notNewerText(const std::string& shortVersion, const std::string& build) {
    return "Versiunea " + shortVersion + " (" + build + ") nu e mai nouă decât cea instalată.";
}

std::string stagedText(const std::string& shortVersion, const std::string& build) {
    return "Versiunea " + shortVersion + " (" + build + ") este pregătită pentru instalare.";
}

fs::path unpackArchive(const fs::path& archive, const fs::path& into) {
    try {
        ZipExtract::extract(archive, into, ZipExtract::Options{maxArchiveEntries, maxArchiveBytes, true});
    } catch (const ZipExtract::Error&) {
        throw StagingError(StagingError::Code::badArchive);
    }
    std::vector<fs::path> top;
    for (const auto& e : fs::directory_iterator(into)) top.push_back(e.path());
    std::sort(top.begin(), top.end());
    for (const auto& p : top) {
        struct stat st {};
        if (p.extension() == ".app" && ::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return p;
    }
    throw StagingError(StagingError::Code::noApplication);
}

Staged stage(const fs::path& source, const InstalledApp& installed, const TrustAnchors& anchors,
             const fs::path& temporaryFolder) {
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0) throwErrno(errno, source.string());
    fs::path candidate = source;
    std::optional<RemovedAtEnd> work;
    if (!S_ISDIR(st.st_mode)) {
        const fs::path folder = privateFolder(temporaryFolder, "OVS-new-");
        work.emplace(folder);
        candidate = unpackArchive(source, folder);
    }

    const fs::path staged = installed.folder.parent_path() / (std::string(stagedPrefix) + Uuid::random().text() + ".app");
    RemovedAtEnd stagedUnlessKept(staged);
    copyTree(candidate, staged);

    // Whose version is it? Read from the copy that is about to be checked, not from the source.
    Manifest manifest;
    try {
        manifest = CodeSignature::parseManifest(readWholeFile(staged / CodeSignature::manifestPath));
    } catch (const std::exception&) {
        throw StagingError(StagingError::Code::notAVersion);
    }
    if (manifest.identifier != installed.identifier) throw StagingError(StagingError::Code::notAVersion);
    const CodeSignature::Verified checked = UpdateSafety::validated(staged, installed.folder, anchors);
    const auto [shortVersion, build] = splitVersion(checked.manifest.version);
    if (shortVersion.empty()) throw StagingError(StagingError::Code::notAVersion);
    if (!isNewer(shortVersion + "." + build, installed.key())) return Staged{std::nullopt, notNewerText(shortVersion, build)};
    stagedUnlessKept.keep();
    return Staged{staged, stagedText(shortVersion, build)};
}

fs::path helperPath(const fs::path& installedFolder) { return installedFolder / "Contents/Helpers/OrvaneUpdateHelper"; }

void startHelper(const fs::path& helper, pid_t application, const fs::path& staged, const fs::path& installed,
                 const TrustAnchors& anchors) {
    UpdateSafety::validate(staged, installed, anchors);
    spawnInOwnSession(helper.string(), {std::to_string(application), staged.string(), installed.string()},
                      "Programul de actualizare nu poate porni (" + helper.string() + ")");
}

std::string manualInstallName(const std::string& url, const std::string& version) {
    Url u(curl_url(), curl_url_cleanup);
    std::string last;
    if (u && url.find('\0') == std::string::npos &&
        curl_url_set(u.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        const std::string path = urlPart(u.get(), CURLUPART_PATH).value_or("");
        last = percentDecoded(path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1));
    }
    if (safeFileName(last) && last != "..") return last;
    const std::string fallback = "Vendrel-" + version + ".zip";
    return safeFileName(fallback) ? fallback : "Vendrel.zip";
}

fs::path saveWithoutClobbering(const fs::path& file, const fs::path& folder, const std::string& name) {
    const fs::path base(name);
    const std::string stem = base.stem().string(), extension = base.extension().string();
    for (int n = 1; n <= 1000; ++n) {
        const fs::path target = folder / (n == 1 ? name : stem + " (" + std::to_string(n) + ")" + extension);
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return target;
        if (errno == EEXIST) continue;
        if (errno != EXDEV && errno != EINVAL) throwErrno(errno, "rename " + target.string());
        // Another file system (or one without the no-replace rename): a new file, then the source goes.
        Fd in{::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
        if (in.fd < 0) throwErrno(errno, file.string());
        Fd out{::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)};
        if (out.fd < 0) {
            if (errno == EEXIST) continue;
            throwErrno(errno, target.string());
        }
        try {
            copyBytes(in.fd, out.fd, target);
        } catch (...) {
            ::unlink(target.c_str());
            throw;
        }
        ::unlink(file.c_str());
        return target;
    }
    throwErrno(EEXIST, (folder / name).string());
}

std::optional<std::string> takeLeftoverError(const fs::path& installedFolder) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(installedFolder.parent_path(), ec)) {
        const std::string name = e.path().filename().string();
        const std::string suffix = ".update-error.txt";
        if (name.size() > suffix.size() && name.ends_with(suffix) &&
            isStagedName(name.substr(0, name.size() - suffix.size()) + ".app") && e.is_regular_file(ec))
            found.push_back(e.path());
    }
    std::sort(found.begin(), found.end());
    std::optional<std::string> text;
    for (const auto& f : found) {
        if (!text) {
            try {
                std::string t = readWholeFile(f);
                while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
                if (t.size() > 2000) t.resize(2000);
                text = t;
            } catch (const std::exception&) {
            }
        }
        fs::remove(f, ec);
    }
    return text;
}

int removeStalePrevious(const fs::path& installedFolder, const std::optional<fs::path>& keep, const fs::path& procRoot) {
    int removed = 0;
    std::error_code ec;
    std::vector<fs::path> stale;
    for (const auto& e : fs::directory_iterator(installedFolder.parent_path(), ec)) {
        if (!isStagedName(e.path().filename().string()) || e.is_symlink(ec) || !e.is_directory(ec)) continue;
        if (e.path() == installedFolder || (keep && e.path() == *keep)) continue;
        if (runsFrom(e.path(), procRoot)) continue;
        stale.push_back(e.path());
    }
    for (const auto& p : stale)
        if (fs::remove_all(p, ec) > 0 && !ec) ++removed;
    return removed;
}

}  // namespace UpdateStaging
}  // namespace orvane
