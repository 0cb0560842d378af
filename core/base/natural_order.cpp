#include "core/base/natural_order.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace orvane::NaturalOrder {

namespace {
// Collators are cheap to use but costly to make, and not meant to be shared across threads.
icu::Collator* collator() {
    thread_local std::unique_ptr<icu::Collator> c = [] {
        UErrorCode status = U_ZERO_ERROR;
        // Under the C/POSIX locale ICU picks a code-point-like tailoring (upper case first); the root
        // collation is the neutral order a user expects there.
        icu::Locale locale = icu::Locale::getDefault();
        if (std::string_view(locale.getName()).find("POSIX") != std::string_view::npos) locale = icu::Locale::getRoot();
        std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(locale, status));
        if (U_FAILURE(status) || !made) {
            status = U_ZERO_ERROR;
            made.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        }
        if (made) {
            status = U_ZERO_ERROR;
            made->setStrength(icu::Collator::SECONDARY);  // accents count, letter case does not
            made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        }
        return made;
    }();
    return c.get();
}
}  // namespace

int collate(std::string_view a, std::string_view b) {
    if (auto* c = collator()) {
        UErrorCode status = U_ZERO_ERROR;
        auto r = c->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
        if (U_SUCCESS(status)) return r == UCOL_LESS ? -1 : (r == UCOL_EQUAL ? 0 : 1);
    }
    return a < b ? -1 : (a == b ? 0 : 1);
}

int compare(std::string_view a, std::string_view b) {
    if (const int r = collate(a, b); r != 0) return r;
    return a < b ? -1 : (a == b ? 0 : 1);
}

}  // namespace orvane::NaturalOrder
