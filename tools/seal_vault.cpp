// Build tool: seals a folder of compiled models into one vault resource the application ships.
// Usage: seal_vault <model folder> <output .vrv file>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "core/base/atomic_file.h"
#include "core/style/vault_format.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <model folder> <output.vrv>\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1], output = argv[2];
        auto entries = orvane::VaultFormat::collect(folder);
        for (const auto& e : entries) {
            if (!orvane::VaultFormat::isSafeName(e.name)) {
                std::fprintf(stderr, "seal_vault: entry name not allowed: %s\n", e.name.c_str());
                return 1;
            }
        }
        std::filesystem::create_directories(output.parent_path());
        orvane::writeFileAtomically(output, orvane::VaultFormat::seal(orvane::VaultFormat::pack(entries)));
        std::printf("sealed %zu files of %s into %s\n", entries.size(), folder.c_str(), output.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "seal_vault: %s\n", e.what());
        return 1;
    }
}
