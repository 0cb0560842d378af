#include "testing/update_fixtures.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "core/update/code_signature.h"
#include "testing/temp_dir.h"

namespace orvane::testing {

namespace fs = std::filesystem;

void makeAppFolder(const fs::path& folder, const TestSigner& signer, const std::string& version,
                   const fs::path& marker, const std::string& tail, const std::string& identifier) {
    fs::remove_all(folder);
    writeText(folder / "Contents/bin/vendrel",
              "#!/bin/sh\necho " + version + " >> '" + marker.string() + "'\n" + tail + "\n");
    fs::permissions(folder / "Contents/bin/vendrel", fs::perms(0755));
    writeText(folder / "Contents/Resources/version.txt", version);
    CodeSignature::sign(folder, identifier, version, "Contents/bin/vendrel", signer.keyPem, signer.chainPem);
}

std::string versionAt(const fs::path& folder) { return readText(folder / "Contents/Resources/version.txt"); }

std::string markerLines(const fs::path& marker, std::size_t lines) {
    for (int i = 0; i < 300; ++i) {
        std::error_code ec;
        if (fs::exists(marker, ec)) {
            const auto t = readText(marker);
            if (static_cast<std::size_t>(std::count(t.begin(), t.end(), '\n')) >= lines) return t;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::error_code ec;
    return fs::exists(marker, ec) ? readText(marker) : "";
}

void writeZip(const fs::path& archive, const std::vector<ZipEntry>& entries) {
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw std::runtime_error("zip_open");
    for (const auto& e : entries) {
        zip_int64_t index = -1;
        if (!e.name.empty() && e.name.back() == '/') {
            index = zip_dir_add(z, e.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* s = zip_source_buffer(z, e.contents.data(), e.contents.size(), 0);
            index = zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0) zip_source_free(s);
        }
        if (index < 0 ||
            zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX, e.mode << 16) != 0) {
            zip_discard(z);
            throw std::runtime_error("zip entry " + e.name);
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        throw std::runtime_error("zip_close");
    }
}

std::vector<ZipEntry> entriesOf(const fs::path& folder) {
    std::vector<fs::path> paths{folder};
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
        paths.push_back(it->path());
    std::sort(paths.begin(), paths.end());
    std::vector<ZipEntry> out;
    for (const auto& p : paths) {
        struct stat st {};
        ::lstat(p.c_str(), &st);
        const std::string name = p.lexically_relative(folder.parent_path()).generic_string();
        if (S_ISDIR(st.st_mode))
            out.push_back({name + "/", "", st.st_mode});
        else
            out.push_back({name, readText(p), st.st_mode});
    }
    return out;
}

}  // namespace orvane::testing
