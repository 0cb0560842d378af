#include "core/store/preset_keys.h"

namespace orvane {

const std::vector<PresetKeys::Entry>& PresetKeys::all() {
    static const std::vector<Entry> table = {
        {"Contrast", "Contrast2012"}, {"Lumini", "Highlights2012"},      {"Umbre", "Shadows2012"},
        {"Albe", "Whites2012"},       {"Negre", "Blacks2012"},           {"Textură", "Texture"},
        {"Claritate", "Clarity2012"}, {"Eliminare ceață", "Dehaze"},     {"Vibranță", "Vibrance"},
        {"Saturație", "Saturation"},
    };
    return table;
}

namespace Model {
const std::vector<std::string>& extraKeys() {
    static const std::vector<std::string> keys = {"Contrast2012", "Highlights2012", "Shadows2012", "Whites2012",
                                                  "Blacks2012",   "Clarity2012",    "Vibrance",    "Saturation",
                                                  "Texture",      "Dehaze"};
    return keys;
}
}  // namespace Model

}  // namespace orvane
