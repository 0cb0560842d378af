#pragma once
// Merging one photo's develop settings into an existing sidecar. Only what the system manages is
// replaced; everything else comes out as it was, written by our own emitter. The result is verified
// against the original before it is handed back, and any doubt fails the merge.
#include <functional>
#include <optional>
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

// Texts of the items of a mask group (rdf:Seq/rdf:li) whose correction name is not in `skippingNames`,
// each with the declarations it needs where `boundThere` tells what the prefixes mean. Used to carry a
// preset's masks into a sidecar.
std::vector<std::string> maskItemTexts(const pugi::xml_node& group, const std::vector<std::string>& skippingNames,
                                       const std::function<std::optional<std::string>(const std::string&)>& boundThere);

struct DevelopPreset::Emitter {
    // Only the structure of the sidecar itself has roles: the document element, the rdf:RDF elements
    // directly in it and their descriptions. Anything nested deeper, and everything the preset brings,
    // is plain content, so a preset holding an rdf:RDF of its own is carried as it stands.
    enum class Role { document, container, settings, otherDescription, plain };

    pugi::xml_node settings;  // the description the settings go into
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
