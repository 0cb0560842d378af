#pragma once
// Brush dab lists in their stored text form: Base64 of little-endian 16-bit (x, y) pairs.
#include <string>
#include <vector>

namespace orvane {

using Dab = std::vector<double>;  // [x, y], normalised to the upright photo
using DabList = std::vector<Dab>;

namespace DabCoding {
// Dabs with fewer than two numbers are skipped; numbers beyond the second are ignored.
std::string encode(const DabList& dabs);
// Text that is not valid Base64 gives an empty list; 1 to 3 trailing bytes are ignored.
DabList decode(const std::string& text);
}  // namespace DabCoding

}  // namespace orvane
