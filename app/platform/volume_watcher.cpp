#include "app/platform/volume_watcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

namespace orvane::platform {

MountTableWatcher::MountTableWatcher(std::filesystem::path table, QObject* parent)
    : VolumeWatcher(parent), table_(std::move(table)) {
    fd_ = ::open(table_.c_str(), O_RDONLY | O_CLOEXEC);
    known_ = read();
    // The kernel flags a change of the table as a priority event; a plain file never does, so a table
    // given by a test is looked at only when asked.
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
        connect(notifier_, &QSocketNotifier::activated, this, &MountTableWatcher::recheck);
    }
}

MountTableWatcher::~MountTableWatcher() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

std::set<std::string> MountTableWatcher::read() {
    std::string text;
    if (fd_ >= 0) {
        // Reading the table from its start also clears the pending event.
        ::lseek(fd_, 0, SEEK_SET);
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, std::size_t(n));
        }
    }
    return mountPoints(text);
}

void MountTableWatcher::recheck() {
    std::set<std::string> now = read();
    const bool added = std::any_of(now.begin(), now.end(), [this](const std::string& m) { return !known_.count(m); });
    known_ = std::move(now);
    if (added) emit mounted();
}

std::set<std::string> MountTableWatcher::mountPoints(std::string_view table) {
    std::set<std::string> out;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        if (fields >> id >> parent >> device >> root >> point) out.insert(point);
    }
    return out;
}

}  // namespace orvane::platform
