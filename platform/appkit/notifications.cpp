#include "platform/appkit/notifications.h"

#include <algorithm>
#include <vector>

namespace {

struct Registration {
    long id;
    const void* observer;
    std::string name;
    std::function<void(const NSUserInfo&)> selector;
};

std::vector<Registration>& Registrations() {
    static std::vector<Registration> registrations;
    return registrations;
}

}  // namespace

void NSNotificationCenter_addObserver(const void* observer, const char* name,
                                      std::function<void(const NSUserInfo&)> selector) {
    static long next = 0;
    Registrations().push_back({next++, observer, name ? name : "", std::move(selector)});
}

void NSNotificationCenter_removeObserver(const void* observer) {
    std::erase_if(Registrations(), [observer](const Registration& r) { return r.observer == observer; });
}

void NSNotificationCenter_postNotificationName(const char* name, const NSUserInfo& userInfo) {
    const std::string wanted = name ? name : "";
    // Observers may register or leave while they are told: go through a
    // copy, skipping those that have left meanwhile.
    const std::vector<Registration> now = Registrations();
    for (const Registration& r : now) {
        if (r.name != wanted || !r.selector) continue;
        const auto& current = Registrations();
        if (std::none_of(current.begin(), current.end(), [&r](const Registration& c) { return c.id == r.id; }))
            continue;
        r.selector(userInfo);
    }
}
