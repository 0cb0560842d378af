#pragma once
// What the kit's widget tests share: a fresh in-memory settings store, the light appearance, hover delays
// on a virtual clock, and a shown window to put widgets in so real pointer events reach them.
#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <memory>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/kit/tooltips.h"
#include "core/base/defaults.h"
#include "core/base/executor.h"

namespace orvane::kit::testing {

inline constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
inline constexpr double infinite = std::numeric_limits<double>::infinity();

// Hover delays on `clock` while it lives (tests outside a KitFixture that hover real widgets).
class VirtualHover {
public:
    explicit VirtualHover(ManualExecutor& clock) {
        setHoverScheduler([&clock](std::chrono::milliseconds delay, std::function<void()> task) {
            clock.postAfter(delay, std::move(task));
        });
    }
    ~VirtualHover() { setHoverScheduler({}); }
    VirtualHover(const VirtualHover&) = delete;
    VirtualHover& operator=(const VirtualHover&) = delete;
};

class KitFixture : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_shared<FileDefaults>();
        setUserDefaults(store);
        KitSettings::instance().rebind(store);
        Appearance::instance().setOverride(false);
        setHoverScheduler([this](std::chrono::milliseconds delay, std::function<void()> task) {
            clock.postAfter(delay, std::move(task));
        });
        window = std::make_unique<QWidget>();
        window->resize(800, 600);
    }
    void TearDown() override {
        window.reset();
        setHoverScheduler({});
        Appearance::instance().setOverride(std::nullopt);
    }

    // Shows the window (with whatever was put in it) and waits until it can take pointer events.
    void showWindow() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // Moves the pointer over `w` (its centre unless given), or off every widget into an empty corner.
    static void pointAt(QWidget* w, std::optional<QPoint> at = std::nullopt) {
        QTest::mouseMove(w, at.value_or(w->rect().center()));
        QApplication::processEvents();
    }
    void pointAway() {
        QTest::mouseMove(window.get(), QPoint(window->width() - 2, window->height() - 2));
        QApplication::processEvents();
    }
    void wait(std::chrono::milliseconds by) { clock.advance(by); }

    std::shared_ptr<FileDefaults> store;
    ManualExecutor clock;
    std::unique_ptr<QWidget> window;
};

}  // namespace orvane::kit::testing
