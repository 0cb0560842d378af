#include "testing/test_data_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "core/store/store.h"

namespace orvane::testing {

const std::filesystem::path& freshDataDir() {
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-data-XXXXXX").string();
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
        ::setenv("ORVANE_DATA_DIR", buf.data(), 1);
        return std::filesystem::path(buf.data());
    }();
    if (Store::root() != dir) throw std::runtime_error("the data directory was decided before the test set it");
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) std::filesystem::remove_all(e.path(), ec);
    return dir;
}

}  // namespace orvane::testing
