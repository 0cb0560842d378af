#include "core/base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace orvane {

namespace {
[[noreturn]] void fail(int err, const std::string& what, const std::filesystem::path& p) {
    throw std::system_error(err, std::generic_category(), what + " " + p.string());
}

struct TempFile {
    std::string path;
    int fd = -1;
    bool keep = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!keep && !path.empty()) ::unlink(path.c_str());
    }
};
}  // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const std::function<void()>& beforeRename) {
    const auto folder = target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    TempFile tmp;
    std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    tmp.fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (tmp.fd < 0) fail(errno, "nu se poate crea fișierul temporar pentru", target);
    tmp.path = name.data();
    // Match the mode an ordinary create would give, rather than mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(tmp.fd, 0666 & ~mask);

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

    if (::rename(tmp.path.c_str(), target.c_str()) != 0) fail(errno, "înlocuirea a eșuat pentru", target);
    tmp.keep = true;

    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        // The rename is durable only once the folder entry is; a failure here cannot undo it.
        ::fsync(dfd);
        ::close(dfd);
    }
}

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
