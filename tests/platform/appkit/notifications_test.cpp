// The default notification centre: who is told, with what, and observers
// that leave, also while a notification is being delivered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/appkit/notifications.h"

namespace {

TEST(Notifications, ObserversOfTheNameAreToldTheUserInformation) {
    int a = 0, b = 0, c = 0;
    std::vector<std::string> told;
    NSNotificationCenter_addObserver(&a, "kName", [&](const NSUserInfo& info) { told.push_back("a " + info.at("k")); });
    NSNotificationCenter_addObserver(&b, "kName", [&](const NSUserInfo& info) { told.push_back("b " + info.at("k")); });
    NSNotificationCenter_addObserver(&c, "kOther", [&](const NSUserInfo&) { told.push_back("c"); });
    NSNotificationCenter_postNotificationName("kName", {{"k", "v"}});
    EXPECT_EQ(told, (std::vector<std::string>{"a v", "b v"}));
    told.clear();
    NSNotificationCenter_removeObserver(&a);
    NSNotificationCenter_postNotificationName("kName", {{"k", "w"}});
    NSNotificationCenter_postNotificationName("kNobody", {});
    EXPECT_EQ(told, (std::vector<std::string>{"b w"}));
    NSNotificationCenter_removeObserver(&b);
    NSNotificationCenter_removeObserver(&c);
    told.clear();
    NSNotificationCenter_postNotificationName("kName", {{"k", "x"}});
    EXPECT_TRUE(told.empty());
}

TEST(Notifications, AnObserverRemovedDuringAPostIsNotToldAfterwards) {
    int first = 0, second = 0;
    int secondTold = 0;
    NSNotificationCenter_addObserver(&first, "kName", [&](const NSUserInfo&) {
        NSNotificationCenter_removeObserver(&second);
    });
    NSNotificationCenter_addObserver(&second, "kName", [&](const NSUserInfo&) { ++secondTold; });
    NSNotificationCenter_postNotificationName("kName", {});
    EXPECT_EQ(secondTold, 0);
    NSNotificationCenter_removeObserver(&first);
}

}  // namespace
