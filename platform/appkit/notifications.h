// NSNotificationCenter's default centre: an observer registers a callback
// for a notification name; a post calls every observer of that name at
// once, on the posting thread, with the notification's user information.
// An observer removes itself before it goes away. Main thread only.
#pragma once

#include <functional>
#include <map>
#include <string>

using NSUserInfo = std::map<std::string, std::string>;

// addObserver:selector:name:object: with any sender.
void NSNotificationCenter_addObserver(const void* observer, const char* name,
                                      std::function<void(const NSUserInfo&)> selector);
// removeObserver: every registration of the observer.
void NSNotificationCenter_removeObserver(const void* observer);
// postNotificationName:object:userInfo: with no object.
void NSNotificationCenter_postNotificationName(const char* name, const NSUserInfo& userInfo);
