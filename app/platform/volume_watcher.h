#pragma once
// Telling a screen that a disk was mounted, so counts of files on removable media can be read again.
// Linux announces every change of the mount table on /proc/self/mountinfo (a priority event on the
// open file); the watcher reads the table again and speaks only when a mount point appeared.
#include <QObject>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace orvane::platform {

class VolumeWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // A disk (or any file system) was mounted since the last look.
    void mounted();
};

class MountTableWatcher final : public VolumeWatcher {
    Q_OBJECT
public:
    explicit MountTableWatcher(std::filesystem::path table = "/proc/self/mountinfo", QObject* parent = nullptr);
    ~MountTableWatcher() override;

    // Reads the table again; emits mounted() when it holds a mount point it did not hold before.
    void recheck();

    // The mount points of a mountinfo table (the fifth field of each line, octal escapes kept).
    static std::set<std::string> mountPoints(std::string_view table);

private:
    std::set<std::string> read();

    std::filesystem::path table_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::set<std::string> known_;
};

}  // namespace orvane::platform
