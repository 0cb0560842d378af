// Build-time tool of the test build: writes a fresh test certificate hierarchy into a folder.
#include <iostream>

#include "testing/update_pki.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_update_test_pki <folder>\n";
        return 2;
    }
    orvane::testing::writeTestPki(orvane::testing::makeTestPki(), argv[1]);
    return 0;
}
