#pragma once
// Telling the user that work has finished: a desktop notification centre, and the fallback of a beep
// and the window asking for attention. Plain interfaces, so the model's tests hand in fakes.
#include <functional>
#include <string>

namespace orvane::platform {

class NotificationCenter {
public:
    // Whether notifications may be shown. A desktop notification service has no permission of its
    // own: it is authorized when it answers, not determined otherwise.
    enum class Authorization { notDetermined, denied, authorized, provisional, ephemeral };
    struct Request {
        std::string identifier;  // a fresh one for every notification
        std::string title;
        std::string body;
        bool sound = true;  // the default notification sound
    };

    virtual ~NotificationCenter() = default;
    // Answers on a thread of the centre's choosing.
    virtual void authorization(std::function<void(Authorization)> done) = 0;
    // Shows the notification at once; a failure is not reported.
    virtual void add(const Request& request) = 0;
};

// The fallback when notifications are not allowed. Called on the main thread.
class Attention {
public:
    virtual ~Attention() = default;
    virtual void beep() = 0;
    // The window asks for the user's attention once (the urgency hint), without taking the focus.
    virtual void requestAttention() = 0;
};

}  // namespace orvane::platform
