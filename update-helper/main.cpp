// OrvaneUpdateHelper: started by the application just before it quits, with its process identifier,
// the staged new version and the installed folder.
#include <iostream>

#include "update-helper/update_helper.h"

#ifdef ORVANE_HELPER_TEST_ROOT
#include "core/base/atomic_file.h"
#endif

int main(int argc, char** argv) {
    orvane::UpdateHelper::Config config;
#ifdef ORVANE_HELPER_TEST_ROOT
    // The test build only: trusts the tests' root and confirms a launch sooner.
    config.anchors = orvane::TrustAnchors::fromPem(orvane::readWholeFile(ORVANE_HELPER_TEST_ROOT));
    config.launchGrace = std::chrono::milliseconds(ORVANE_HELPER_TEST_GRACE_MS);
#endif
    return orvane::UpdateHelper::run(argc, argv, config, std::cerr);
}
