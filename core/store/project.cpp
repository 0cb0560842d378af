#include "core/store/project.h"

#include "core/base/path_text.h"

namespace orvane {

std::string_view toText(PhotoItem::Status s) {
    switch (s) {
        case PhotoItem::Status::pending: return "pending";
        case PhotoItem::Status::done: return "done";
        case PhotoItem::Status::failed: return "failed";
    }
    return "pending";
}

bool fromText(std::string_view text, PhotoItem::Status& out) {
    // Exact match, letter case included: "Done" fails the file.
    for (auto s : {PhotoItem::Status::pending, PhotoItem::Status::done, PhotoItem::Status::failed}) {
        if (toText(s) == text) {
            out = s;
            return true;
        }
    }
    return false;
}

std::string PhotoItem::name() const { return std::string(PathText::lastComponent(path)); }

}  // namespace orvane
