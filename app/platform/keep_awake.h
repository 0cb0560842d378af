#pragma once
// Keeping the computer from idle sleep while work runs. A plain interface, so the application model
// depends on no platform library and its tests hand in a fake.
#include <memory>
#include <string>

namespace orvane::platform {

class KeepAwake {
public:
    // Held while the computer is kept awake; destroying it lets the computer sleep again.
    class Token {
    public:
        virtual ~Token() = default;
    };

    virtual ~KeepAwake() = default;
    // Asks the system to stay awake for `reason`. Null when no service can do it; never throws.
    virtual std::unique_ptr<Token> begin(const std::string& reason) = 0;
};

}  // namespace orvane::platform
