#include "core/base/trash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <system_error>

#include "core/base/user_folders.h"

namespace orvane::Trash {

namespace fs = std::filesystem;

fs::path homeTrash() { return UserFolders::data() / "Trash"; }

namespace {
// Percent-encodes a path for the Path= line, keeping '/' and unreserved characters.
std::string encodePath(const std::string& p) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : p) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string localTimestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    // Digits only, so the user's locale cannot change it.
    if (std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm) == 0) return "";
    return buf;
}
}  // namespace

fs::path moveToTrash(const fs::path& item) {
    std::error_code ec;
    const fs::path source = fs::absolute(item, ec);
    if (ec || !fs::exists(fs::symlink_status(source, ec)))
        throw std::system_error(ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory),
                                "nu se poate muta la coș: " + item.string());
    const fs::path trash = homeTrash();
    fs::create_directories(trash / "files");
    fs::create_directories(trash / "info");

    // Reserve a free name by creating its info file exclusively, then move the item under that name.
    const std::string base = source.filename().string();
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + " " + std::to_string(n);
        const fs::path info = trash / "info" / (name + ".trashinfo");
        int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw std::system_error(errno, std::generic_category(), "nu se poate scrie în coș " + info.string());
        }
        const fs::path target = trash / "files" / name;
        if (fs::exists(fs::symlink_status(target, ec))) {
            ::close(fd);
            ::unlink(info.c_str());
            continue;
        }
        const std::string text = "[Trash Info]\nPath=" + encodePath(source.string()) +
                                 "\nDeletionDate=" + localTimestamp() + "\n";
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            int err = errno;
            ::unlink(info.c_str());
            throw std::system_error(err, std::generic_category(), "nu se poate scrie în coș " + info.string());
        }
        if (::rename(source.c_str(), target.c_str()) != 0) {
            int err = errno;
            ::unlink(info.c_str());
            throw std::system_error(err, std::generic_category(), "nu se poate muta la coș: " + item.string());
        }
        return target;
    }
    throw std::system_error(std::make_error_code(std::errc::file_exists), "coșul are prea multe elemente cu numele " + base);
}

}  // namespace orvane::Trash
