#pragma once
// A keep-awake service for tests that never holds the machine awake.
#include <memory>
#include <string>

#include "app/platform/keep_awake.h"

namespace orvane::testing {

class NoKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

}  // namespace orvane::testing
