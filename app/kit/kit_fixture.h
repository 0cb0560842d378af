#pragma once
// Test support for the kit: a fresh in-memory settings store that the kit follows, and the light
// appearance pinned for the test.
#include <gtest/gtest.h>

#include <memory>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "core/base/defaults.h"

namespace orvane::kit {

class KitFixture : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_shared<FileDefaults>();
        setUserDefaults(store);
        KitSettings::instance().rebind(store);
        Appearance::instance().setOverride(false);
    }
    void TearDown() override { Appearance::instance().setOverride(std::nullopt); }

    std::shared_ptr<FileDefaults> store;
};

}  // namespace orvane::kit
