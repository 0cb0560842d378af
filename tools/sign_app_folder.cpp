// Signs a built application folder for the updater: writes Contents/CodeSignature/manifest.json (every
// file with its size, digest and mode) and manifest.sig (a detached CMS signature carrying the chain).
//
//   sign_app_folder <folder> <identifier> <version> <program> <key.pem> <certificates.pem>
//
// <program> is the folder-relative path of the executable the updater starts; <certificates.pem> holds
// the signing certificate first, then its intermediates. The folder may hold no links or special files.
#include <iostream>

#include "core/base/atomic_file.h"
#include "core/update/code_signature.h"
#include "core/update/update_safety.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::cerr << "usage: sign_app_folder <folder> <identifier> <version> <program> <key.pem> <certificates.pem>\n";
        return 2;
    }
    try {
        const std::string identifier = argv[2];
        // The updater refuses identifiers outside this set; signing one would only fail later.
        if (!orvane::UpdateSafety::isPlainIdentifier(identifier)) {
            std::cerr << "sign_app_folder: the identifier may hold only letters, digits, '-', '.' and '_'\n";
            return 1;
        }
        orvane::CodeSignature::sign(argv[1], identifier, argv[3], argv[4], orvane::readWholeFile(argv[5]),
                                    orvane::readWholeFile(argv[6]));
    } catch (const std::exception& e) {
        std::cerr << "sign_app_folder: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
