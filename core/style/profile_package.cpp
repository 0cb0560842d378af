#include "core/style/profile_package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "core/base/uuid.h"
#include "core/store/store.h"
#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "core/style/profile.h"

namespace orvane {

namespace fs = std::filesystem;

PackageError::PackageError(Code code)
    : std::runtime_error(code == Code::archiveFailed ? "Arhivarea a eșuat." : "Fișierul nu este un profil Vendrel."),
      code_(code) {}

namespace {

constexpr const char* recordFile = "profile.json";
constexpr const char* presetFile = "preset.xmp";
constexpr const char* importedSuffix = " (importat)";

[[noreturn]] void archiveFailed() { throw PackageError(PackageError::Code::archiveFailed); }
[[noreturn]] void notAProfile() { throw PackageError(PackageError::Code::notAProfile); }

// Removes a working folder when the operation ends, however it ends.
class RemovedAtEnd {
public:
    explicit RemovedAtEnd(fs::path folder) : folder_(std::move(folder)) {}
    ~RemovedAtEnd() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;

private:
    fs::path folder_;
};

fs::path newWorkFolder() {
    const fs::path folder = fs::temp_directory_path() / Uuid::random().text();
    fs::create_directories(folder);
    return folder;
}

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
bool directoryRefused(const fs::path& archive) {
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
    if (directorySize > ProfilePackage::maxEntries * 1024) return true;  // 1 KiB a record on average
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
std::vector<Entry> checkedEntries(zip_t* z) {
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0) archiveFailed();
    if (static_cast<std::uint64_t>(count) > ProfilePackage::maxEntries) notAProfile();
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    std::uint64_t total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, i, 0, &st) != 0) archiveFailed();
        if (!(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE)) archiveFailed();
        Entry e{i, st.name, false, st.size};
        if (!ProfilePackage::safeEntryName(e.name)) notAProfile();
        e.folder = e.name.back() == '/';

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z, i, 0, &system, &attributes) != 0) archiveFailed();
        if (system == ZIP_OPSYS_UNIX) {
            // The file type sits in the upper half; none given (0) is an ordinary entry.
            const mode_t type = (attributes >> 16) & S_IFMT;
            if (type != 0 && type != (e.folder ? S_IFDIR : S_IFREG)) notAProfile();
        }
        if (e.folder && e.size != 0) notAProfile();
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) archiveFailed();
        if (e.size > ProfilePackage::maxUnpackedBytes - total) notAProfile();
        total += e.size;
        entries.push_back(std::move(e));
    }
    return entries;
}

void writeEntry(zip_t* z, const Entry& e, const fs::path& file) {
    std::unique_ptr<zip_file_t, EntryCloser> in(zip_fopen_index(z, e.index, 0));
    if (!in) archiveFailed();
    // Exclusively and never through a link: a name given twice is refused, not overwritten.
    FdCloser out{::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)};
    if (out.fd < 0) {
        if (errno == EEXIST || errno == ELOOP) notAProfile();
        throw std::system_error(errno, std::generic_category(), "open " + file.string());
    }
    std::vector<char> buffer(1 << 16);
    zip_uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
        if (n < 0) archiveFailed();
        if (n == 0) break;
        written += static_cast<zip_uint64_t>(n);
        // The declared size is what the limit was checked against; more is a lie.
        if (written > e.size) archiveFailed();
        for (zip_int64_t done = 0; done < n;) {
            const ssize_t w = ::write(out.fd, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                throw std::system_error(errno, std::generic_category(), "write " + file.string());
            }
            done += w;
        }
    }
    if (written != e.size) archiveFailed();
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0) throw std::system_error(errno, std::generic_category(), "close " + file.string());
}

// Every entry below `folder`, parents before children, in a fixed order.
std::vector<fs::path> treeOf(const fs::path& folder) {
    std::vector<fs::path> out;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Every compiled model the package holds, in whatever generation, loads: its booster file passes the
// check before XGBoost reads it, and then answers once. A model from outside that fails here would
// fail (or worse) at every later photo.
void requireLoadableModels(const fs::path& folder) {
    try {
        std::error_code ec;
        if (fs::exists(folder / ModelStorage::selectorFile, ec)) {
            const auto selected = Store::load<ModelStorage::Selection>(folder / ModelStorage::selectorFile);
            if (!fs::is_directory(folder / ModelStorage::generationsFolder / selected.generation.text(), ec))
                notAProfile();
        }
        for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
            if (!it->is_directory() || it->path().extension() != Model::compiledSuffix) continue;
            (void)CompiledModel::load(it->path());
            it.disable_recursion_pending();
        }
    } catch (const std::exception&) {
        notAProfile();
    }
}

}  // namespace

namespace ProfilePackage {

std::string folderName(const std::string& profileName) {
    std::string out;
    out.reserve(profileName.size());
    for (const char c : profileName) out += (c == '/' || c == '\0') ? '-' : c;
    // No hidden folder, and never "." or "..".
    out.erase(0, out.find_first_not_of('.') == std::string::npos ? out.size() : out.find_first_not_of('.'));
    return out.empty() ? "profil" : out;
}

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

void pack(const fs::path& folder, const fs::path& archive) {
    int error = 0;
    Archive z(zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!z) archiveFailed();
    const fs::path base = folder.parent_path();
    std::vector<fs::path> paths{folder};
    const auto below = treeOf(folder);
    paths.insert(paths.end(), below.begin(), below.end());
    for (const auto& path : paths) {
        const std::string name = path.lexically_relative(base).generic_string();
        if (fs::is_directory(path)) {
            if (zip_dir_add(z.get(), name.c_str(), ZIP_FL_ENC_UTF_8) < 0) archiveFailed();
            continue;
        }
        zip_source_t* source = zip_source_file(z.get(), path.c_str(), 0, -1);
        if (!source) archiveFailed();
        if (zip_file_add(z.get(), name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            archiveFailed();
        }
    }
    // The new file is written beside the destination and moved over it only when complete.
    if (zip_close(z.get()) != 0) archiveFailed();
    z.release();
}

UnpackedProfile readUnpacked(const fs::path& unpacked) {
    // The listing order is the file system's; sorted, the choice among several profiles is repeatable.
    std::vector<fs::path> candidates = Store::entries(unpacked);
    std::sort(candidates.begin(), candidates.end());
    const auto found = std::find_if(candidates.begin(), candidates.end(), [](const fs::path& e) {
        std::error_code ec;
        return fs::is_directory(e, ec) && fs::is_regular_file(e / recordFile, ec);
    });
    if (found == candidates.end()) notAProfile();
    UnpackedProfile out{*found, Store::load<Profile>(*found / recordFile)};
    std::error_code ec;
    if (!fs::is_regular_file(out.folder / presetFile, ec)) notAProfile();
    requireLoadableModels(out.folder);
    return out;
}

void unpack(const fs::path& archive, const fs::path& into) {
    int error = 0;
    Archive z(zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!z) archiveFailed();
    if (directoryRefused(archive)) notAProfile();
    const std::vector<Entry> entries = checkedEntries(z.get());
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

}  // namespace ProfilePackage

void Profile::exportPackage(const fs::path& destination) const {
    const fs::path work = newWorkFolder();
    RemovedAtEnd cleanup(work);
    const fs::path staging = work / ProfilePackage::folderName(name);
    fs::create_directories(staging);

    for (const auto& entry : fs::directory_iterator(dir())) {
        if (entry.path().filename() == recordFile) continue;
        fs::copy(entry.path(), staging / entry.path().filename(), fs::copy_options::recursive);
    }
    Profile packaged = *this;
    packaged.catalogIDs.clear();
    Store::save(packaged, staging / recordFile);

    ProfilePackage::pack(staging, destination);
}

Profile Profile::importPackage(const fs::path& package, const std::set<std::string>& existingNames) {
    const fs::path work = newWorkFolder();
    RemovedAtEnd cleanup(work);
    ProfilePackage::unpack(package, work);
    const auto [folder, packaged] = ProfilePackage::readUnpacked(work);

    Profile p;
    p.id = Uuid::random();
    p.name = existingNames.count(packaged.name) ? packaged.name + importedSuffix : packaged.name;
    p.presetName = packaged.presetName;
    p.built = packaged.built;
    p.samples = packaged.samples;
    p.evaluation = packaged.evaluation;
    // They describe the models that come along.
    p.kind = packaged.kind;
    p.engine = packaged.engine;
    p.predictedExtras = packaged.predictedExtras;

    fs::create_directories(Store::profiles());
    try {
        fs::copy(folder, p.dir(), fs::copy_options::recursive);
        p.save();
    } catch (...) {
        // A half-installed folder would list under the package's own id.
        std::error_code ec;
        fs::remove_all(p.dir(), ec);
        throw;
    }
    return p;
}

}  // namespace orvane
