#include "core/store/project.h"

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

std::string PhotoItem::name() const {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return path;
    // A trailing slash does not make an empty name: take the component before it.
    std::string_view p(path);
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    slash = p.find_last_of('/');
    return std::string(slash == std::string_view::npos ? p : p.substr(slash + 1));
}

}  // namespace orvane
