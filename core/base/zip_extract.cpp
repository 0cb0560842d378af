#include "core/base/zip_extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace orvane::ZipExtract {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void unreadable() { throw Error(Error::Kind::unreadable, "the archive cannot be read"); }
[[noreturn]] void refused(const char* why) { throw Error(Error::Kind::refused, why); }

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// One checked entry, ready to be written.
struct Entry {
    zip_uint64_t index = 0;
    std::string name;
    bool folder = false;
    zip_uint64_t size = 0;
    mode_t mode = 0644;
};

std::uint64_t little(const std::string& bytes, std::size_t at, int size) {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

std::string readRange(std::ifstream& in, std::uint64_t from, std::uint64_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    in.seekg(static_cast<std::streamoff>(from));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(count))) return {};
    return bytes;
}

// libzip hands names out as C strings, so a name holding a NUL would arrive cut short and pass as
// another name. The central directory records each name's length: a NUL inside it refuses the
// archive, and so does a directory far larger than the entry limit allows. Whatever this scan
// cannot follow is left to libzip, which reads the same directory.
bool directoryRefused(const fs::path& archive, std::uint64_t maxEntries) {
    std::error_code ec;
    const std::uint64_t size = fs::file_size(archive, ec);
    if (ec || size < 22) return false;
    std::ifstream in(archive, std::ios::binary);
    const std::uint64_t tailFrom = size - std::min<std::uint64_t>(size, 22 + 0xFFFF + 20);
    const std::string tail = readRange(in, tailFrom, size - tailFrom);
    if (tail.size() < 22) return false;
    std::size_t end = std::string::npos;
    for (std::size_t at = tail.size() - 22 + 1; at-- > 0;) {
        if (little(tail, at, 4) == 0x06054b50) {
            end = at;
            break;
        }
    }
    if (end == std::string::npos) return false;
    std::uint64_t directorySize = little(tail, end + 12, 4);
    std::uint64_t directoryFrom = little(tail, end + 16, 4);
    if (directorySize == 0xFFFFFFFF || directoryFrom == 0xFFFFFFFF || little(tail, end + 10, 2) == 0xFFFF) {
        if (end < 20 || little(tail, end - 20, 4) != 0x07064b50) return false;
        const std::uint64_t recordAt = little(tail, end - 20 + 8, 8);
        if (recordAt > size - 56) return false;
        const std::string record = readRange(in, recordAt, 56);
        if (record.size() != 56 || little(record, 0, 4) != 0x06064b50) return false;
        directorySize = little(record, 40, 8);
        directoryFrom = little(record, 48, 8);
    }
    if (directoryFrom > size || directorySize > size - directoryFrom) return false;
    if (directorySize / 1024 > maxEntries) return true;  // 1 KiB a record on average
    const std::string directory = readRange(in, directoryFrom, directorySize);
    for (std::size_t at = 0; at + 46 <= directory.size() && little(directory, at, 4) == 0x02014b50;) {
        const std::size_t nameLength = little(directory, at + 28, 2);
        const std::size_t rest = nameLength + little(directory, at + 30, 2) + little(directory, at + 32, 2);
        if (at + 46 + nameLength > directory.size()) return false;
        if (std::string_view(directory).substr(at + 46, nameLength).find('\0') != std::string_view::npos) return true;
        at += 46 + rest;
    }
    return false;
}

// Every entry checked before anything is written: a refused archive leaves nothing behind.
std::vector<Entry> checkedEntries(zip_t* z, const Options& options) {
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0) unreadable();
    if (static_cast<std::uint64_t>(count) > options.maxEntries) refused("too many entries");
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    std::uint64_t total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, i, 0, &st) != 0) unreadable();
        if (!(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE)) unreadable();
        Entry e{i, st.name, false, st.size, 0644};
        if (!safeEntryName(e.name)) refused("an unsafe entry name");
        e.folder = e.name.back() == '/';

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z, i, 0, &system, &attributes) != 0) unreadable();
        if (system == ZIP_OPSYS_UNIX) {
            // The file type and permission bits sit in the upper half; none given (0) is an ordinary entry.
            const mode_t type = (attributes >> 16) & S_IFMT;
            const mode_t bits = (attributes >> 16) & 07777;
            if (type != 0 && type != (e.folder ? S_IFDIR : S_IFREG)) refused("a link or special file");
            if (bits & (S_ISUID | S_ISGID | S_ISVTX)) refused("a set-user, set-group or sticky bit");
            if (options.keepModes && !e.folder && bits != 0) e.mode = bits;
        }
        if (e.folder && e.size != 0) refused("a folder with contents");
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) unreadable();
        if (e.size > options.maxBytes - total) refused("too large when unpacked");
        total += e.size;
        entries.push_back(std::move(e));
    }
    return entries;
}

void writeEntry(zip_t* z, const Entry& e, const fs::path& file) {
    std::unique_ptr<zip_file_t, EntryCloser> in(zip_fopen_index(z, e.index, 0));
    if (!in) unreadable();
    // Exclusively and never through a link: a name given twice is refused, not overwritten.
    FdCloser out{::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0) {
        if (errno == EEXIST || errno == ELOOP) refused("a name given twice");
        throw std::system_error(errno, std::generic_category(), "open " + file.string());
    }
    std::vector<char> buffer(1 << 16);
    zip_uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
        if (n < 0) unreadable();
        if (n == 0) break;
        written += static_cast<zip_uint64_t>(n);
        // The declared size is what the limit was checked against; more is a lie.
        if (written > e.size) unreadable();
        for (zip_int64_t done = 0; done < n;) {
            const ssize_t w = ::write(out.fd, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                throw std::system_error(errno, std::generic_category(), "write " + file.string());
            }
            done += w;
        }
    }
    if (written != e.size) unreadable();
    // The exact bits, whatever the process's umask.
    if (::fchmod(out.fd, e.mode) != 0) throw std::system_error(errno, std::generic_category(), "chmod " + file.string());
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0) throw std::system_error(errno, std::generic_category(), "close " + file.string());
}

}  // namespace

bool safeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    if (name.find('\\') != std::string_view::npos || name.find('\0') != std::string_view::npos) return false;
    std::string_view rest = name;
    if (rest.back() == '/') rest.remove_suffix(1);
    while (true) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) return true;
        rest.remove_prefix(slash + 1);
    }
}

void extract(const fs::path& archive, const fs::path& into, const Options& options) {
    int error = 0;
    Archive z(zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!z) unreadable();
    if (directoryRefused(archive, options.maxEntries)) refused("a name with a NUL, or too large a directory");
    const std::vector<Entry> entries = checkedEntries(z.get(), options);
    for (const auto& e : entries) {
        const fs::path target = into / fs::path(e.name).relative_path();
        if (e.folder) {
            fs::create_directories(target);
            continue;
        }
        fs::create_directories(target.parent_path());
        writeEntry(z.get(), e, target);
    }
}

}  // namespace orvane::ZipExtract
