#pragma once
// Failures of training, loading and running the style models. The text is what a failed photo or
// build shows, so it reads as a sentence for the user; the code lets callers and tests tell kinds apart.
#include <stdexcept>
#include <string>

namespace orvane {

class ModelError : public std::runtime_error {
public:
    enum class Code {
        engine,             // the boosted-tree library refused a call
        load,               // a compiled model folder is missing or damaged
        train,              // the training data cannot train a model
        invalidPrediction,  // a model answered a value that cannot be used
    };
    ModelError(Code code, const std::string& message) : std::runtime_error(message), code_(code) {}
    Code code() const { return code_; }

private:
    Code code_;
};

}  // namespace orvane
