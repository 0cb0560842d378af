#include "app/model/user_notifications.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::model;
using Authorization = platform::NotificationCenter::Authorization;

namespace {

struct Center final : platform::NotificationCenter {
    std::vector<Request> added;
    void authorization(std::function<void(Authorization)> done) override { done(Authorization::authorized); }
    void add(const Request& r) override { added.push_back(r); }
};

struct Attention final : platform::Attention {
    std::vector<std::string> calls;
    void beep() override { calls.push_back("beep"); }
    void requestAttention() override { calls.push_back("attention"); }
};

}  // namespace

TEST(UserNotifications, postedOrBeepedByPermission) {
    struct Row {
        Authorization authorization;
        bool posted;
    };
    for (const Row& r : std::vector<Row>{{Authorization::authorized, true},
                                         {Authorization::provisional, true},
                                         {Authorization::denied, false},
                                         {Authorization::notDetermined, false},
                                         {Authorization::ephemeral, false}}) {
        SCOPED_TRACE(static_cast<int>(r.authorization));
        ManualExecutor main;
        Center center;
        auto attention = std::make_shared<Attention>();
        postEditingFinished(r.authorization, "Nuntă", 12, center, attention, main);
        EXPECT_TRUE(attention->calls.empty());  // the fallback runs on the main loop
        main.runReady();
        if (r.posted) {
            ASSERT_EQ(center.added.size(), 1u);
            EXPECT_EQ(center.added[0].title, "Nuntă");
            EXPECT_EQ(center.added[0].body, "Editarea s-a terminat: 12 fotografii.");
            EXPECT_TRUE(center.added[0].sound);
            EXPECT_TRUE(attention->calls.empty());
        } else {
            EXPECT_TRUE(center.added.empty());
            EXPECT_EQ(attention->calls, (std::vector<std::string>{"beep", "attention"}));
        }
    }
}

TEST(UserNotifications, settingAndPermissionState) {
    FileDefaults defaults;  // in memory
    EXPECT_TRUE(notifyDoneEnabled(defaults));
    defaults.set("notifyDone", "false");  // not a boolean
    EXPECT_TRUE(notifyDoneEnabled(defaults));
    defaults.set("notifyDone", false);
    EXPECT_FALSE(notifyDoneEnabled(defaults));

    EXPECT_EQ(notificationPermission(Authorization::notDetermined), std::nullopt);
    EXPECT_EQ(notificationPermission(Authorization::denied), false);
    EXPECT_EQ(notificationPermission(Authorization::authorized), true);
    EXPECT_EQ(notificationPermission(Authorization::provisional), true);
    EXPECT_EQ(notificationPermission(Authorization::ephemeral), std::nullopt);
}
