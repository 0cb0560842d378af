#include "core/base/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

namespace orvane {

namespace {
[[noreturn]] void fail(int err, const std::string& what, const std::filesystem::path& p) {
    throw std::filesystem::filesystem_error(what, p, std::error_code(err, std::generic_category()));
}

std::string randomSuffix() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    thread_local std::mt19937_64 rng{std::random_device{}()};
    std::string out(8, '0');
    for (auto& c : out) c = digits[rng() % 36];
    return out;
}

// A descriptor closed at the end of its scope.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// A temporary file inside a folder, removed unless kept.
struct TempFile {
    int folder = -1;
    std::string name;
    int fd = -1;
    bool keep = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!keep && !name.empty()) ::unlinkat(folder, name.c_str(), 0);
    }
};

int renameNoReplaceAt(int folder, const char* from, const char* to) {
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return 0;
    int err = errno;
    if (err != EINVAL && err != ENOSYS) return err;
    // File systems without the flag: a hard link also refuses an existing name.
    if (::linkat(folder, from, folder, to, 0) != 0) return errno;
    ::unlinkat(folder, from, 0);
    return 0;
}

// Writes a complete temporary file in the open folder `folder`, then hands its name to `place` (which
// moves it over or next to `name` in that folder and returns 0 or an errno), then flushes the folder.
// The temporary file never outlives a failure. `target` names the file in error messages.
void writeThenPlace(int folder, const std::string& name, const std::filesystem::path& target, std::string_view bytes,
                    const std::function<void()>& beforeRename, const std::function<int(const std::string& tmp)>& place,
                    const char* placeError) {
    TempFile tmp;
    tmp.folder = folder;
    // Created exclusively (never through a link) with mode 0666 so the kernel applies the umask; the
    // umask itself is never touched, since it is shared by every thread of the process.
    const std::string stem = "." + name + ".tmp-";
    for (int tries = 0; tries < 100 && tmp.fd < 0; ++tries) {
        std::string candidate = stem + randomSuffix();
        tmp.fd = ::openat(folder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (tmp.fd >= 0) {
            tmp.name = candidate;
        } else if (errno != EEXIST) {
            fail(errno, "nu se poate crea fișierul temporar pentru", target);
        }
    }
    if (tmp.fd < 0) fail(EEXIST, "nu se poate crea fișierul temporar pentru", target);

    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(tmp.fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno, "scrierea a eșuat pentru", target);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(tmp.fd) != 0) fail(errno, "fsync a eșuat pentru", target);
    int fd = tmp.fd;
    tmp.fd = -1;
    if (::close(fd) != 0) fail(errno, "închiderea a eșuat pentru", target);

    if (beforeRename) beforeRename();

    if (int err = place(tmp.name)) fail(err, placeError, target);
    tmp.keep = true;
    // The rename is durable only once the folder entry is; a failure here cannot undo it.
    const Descriptor readable(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (readable.fd >= 0) ::fsync(readable.fd);
}

// The folder of `target` opened for writeThenPlace.
int openFolderOf(const std::filesystem::path& target) {
    const auto folder = target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(errno, "nu se poate crea fișierul temporar pentru", target);
    return fd;
}
}  // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const std::function<void()>& beforeRename) {
    // A link is written through, so the user's link stays and the file it names gets the content.
    std::filesystem::path real = target;
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        auto resolved = std::filesystem::canonical(target, ec);
        if (!ec) real = resolved;
    }
    // A file that is replaced keeps its permissions.
    struct stat previous;
    const bool existed = ::stat(real.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);
    const Descriptor folder(openFolderOf(real));
    const std::string name = real.filename().string();
    writeThenPlace(
        folder.fd, name, real, bytes, beforeRename,
        [&](const std::string& tmp) {
            if (existed) ::fchmodat(folder.fd, tmp.c_str(), previous.st_mode & 07777, 0);
            return ::renameat(folder.fd, tmp.c_str(), folder.fd, name.c_str()) == 0 ? 0 : errno;
        },
        "înlocuirea a eșuat pentru");
}

int openFolderNoFollow(const std::filesystem::path& folder) {
    const std::filesystem::path absolute = std::filesystem::absolute(folder);
    Descriptor current(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (current.fd < 0) return -1;
    for (const auto& part : absolute.relative_path()) {
        const std::string name = part.string();
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            errno = EINVAL;
            return -1;
        }
        const int next = ::openat(current.fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) return -1;
        ::close(current.fd);
        current.fd = next;
    }
    return std::exchange(current.fd, -1);
}

void replaceFileNoFollow(const std::filesystem::path& target, std::string_view bytes) {
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") fail(EINVAL, "nu se poate crea fișierul temporar pentru", target);
    const Descriptor folder(openFolderNoFollow(target.parent_path().empty() ? "." : target.parent_path()));
    if (folder.fd < 0) fail(errno, "nu se poate crea fișierul temporar pentru", target);
    writeThenPlace(
        folder.fd, name, target, bytes, {},
        [&](const std::string& tmp) {
            return ::renameat(folder.fd, tmp.c_str(), folder.fd, name.c_str()) == 0 ? 0 : errno;
        },
        "înlocuirea a eșuat pentru");
}

int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    return renameNoReplaceAt(AT_FDCWD, from.c_str(), to.c_str());
}

void writeNewFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    const Descriptor folder(openFolderOf(target));
    const std::string name = target.filename().string();
    writeThenPlace(
        folder.fd, name, target, bytes, {},
        [&](const std::string& tmp) { return renameNoReplaceAt(folder.fd, tmp.c_str(), name.c_str()); },
        "crearea a eșuat (poate fișierul există deja) pentru");
}

namespace {
void syncPath(const std::filesystem::path& p, bool folder) {
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) fail(errno, "nu se poate deschide", p);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) fail(err, "fsync a eșuat pentru", p);
}
}  // namespace

void syncTree(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> folders;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (e.is_symlink()) continue;
        if (e.is_directory())
            folders.push_back(e.path());
        else
            syncPath(e.path(), false);
    }
    // Deepest folders first, the folder itself last.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) syncPath(*it, true);
    syncPath(folder, true);
}

void syncFolder(const std::filesystem::path& folder) { syncPath(folder, true); }

void syncFile(const std::filesystem::path& file) { syncPath(file, false); }

std::string readWholeFile(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(errno, "nu se poate deschide", file);
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            fail(err, "citirea a eșuat pentru", file);
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

}  // namespace orvane
