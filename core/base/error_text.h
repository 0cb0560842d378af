#pragma once
// The text shown for a caught error: its what(), or a generic text for anything not derived from
// std::exception.
#include <exception>
#include <string>

namespace orvane {

std::string errorText(const std::exception_ptr& error);

}  // namespace orvane
