#pragma once
// Merging one photo's develop settings into an existing sidecar. Only what the system manages is
// replaced; everything else comes out as it was, written by our own emitter. The result is verified
// against the original before it is handed back, and any doubt fails the merge.
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/xmp/develop_preset.h"

namespace orvane {

class MergeError : public std::runtime_error {
public:
    enum class Kind { unreadable, verification, foreignNamespace };
    MergeError(Kind kind, std::string detail = {});

    Kind kind() const { return kind_; }
    const std::string& detail() const { return detail_; }
    // The user-facing text; "en" gives the English one, anything else the Romanian one.
    std::string errorDescription(std::string_view language = "ro") const;

private:
    Kind kind_;
    std::string detail_;
};

struct DevelopPreset::Emitter {
    enum class Role { otherDescription, settings, plain, container };

    std::set<std::string, std::less<>> managed;
    std::string crs;
    std::string rdf;
    Pairs ourAttributes;
    std::vector<pugi::xml_node> ourChildren;
    bool declareCRS = false;
    // Declarations each of ourChildren needs where it is written (its prefixes are bound in the
    // preset, not in the sidecar); same length as ourChildren, or empty.
    std::vector<std::vector<std::pair<std::string, std::string>>> childDeclarations;

    void element(const pugi::xml_node& e, Role role, std::string& out) const;
};

}  // namespace orvane
