#include "core/base/error_text.h"

namespace orvane {

std::string errorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Eroare necunoscută.";
    }
}

}  // namespace orvane
