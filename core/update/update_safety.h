#pragma once
// The safety rules of the update road: which addresses update traffic may use, whether a new
// application folder may replace the installed one, the atomic swap of the two folders, and the
// install sequence that swaps back when the new version cannot be confirmed.
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/update/code_signature.h"

namespace orvane {

class UpdateSafety {
public:
    // Ordinals are stable: callers may store or compare them.
    enum class Failure { insecureURL, invalidResponse, untrustedSigner, invalidLayout };

    // The fixed Romanian text of a failure (not looked up in a translation table).
    static std::string_view description(Failure failure);

    // Thrown for every Failure; what() is the description.
    class Error : public std::runtime_error {
    public:
        explicit Error(Failure failure);
        Failure failure() const { return failure_; }

    private:
        Failure failure_;
    };

    // The swap-back after a failed install failed too: the old version lies at the staged path.
    class RollbackError : public std::runtime_error {
    public:
        static constexpr std::string_view domain = "OrvaneStudio.Update";
        static constexpr int code = 2;
        RollbackError(const std::string& swapBackDescription, const std::filesystem::path& staged);
    };

    using Check = std::function<void(const std::filesystem::path& candidate,
                                     const std::filesystem::path& installed)>;
    using Launch = std::function<void(const std::filesystem::path& installed)>;

    // Returns when `url` is acceptable for update traffic (scheme https in any letter case, a host,
    // no user and no password); throws Error(insecureURL) otherwise.
    static void requireHTTPS(std::string_view url);

    // Returns when `candidate` is validly signed by the same team, with the same identifier, as the
    // validly signed `installed` folder; every rejection is Error(untrustedSigner).
    static void validate(const std::filesystem::path& candidate, const std::filesystem::path& installed,
                         const TrustAnchors& anchors = TrustAnchors::vendor());
    // The same check, answering what the candidate's signature vouches for (its team and manifest), so
    // that a caller reads the identifier and version from the very copy that was checked.
    static CodeSignature::Verified validated(const std::filesystem::path& candidate,
                                             const std::filesystem::path& installed,
                                             const TrustAnchors& anchors = TrustAnchors::vendor());

    // Swaps the two directory entries in one atomic step. A layout that cannot be swapped safely
    // (the same entry, different parent folders, a linked component) is Error(invalidLayout) before
    // anything is touched; the rename's own failure is a std::system_error of its errno.
    static void exchange(const std::filesystem::path& staged, const std::filesystem::path& installed);

    // A bundle path as the update helper takes it from its caller: absolute, without "." components or
    // a trailing separator. A ".." component or a symbolic link in any existing component is
    // Error(invalidLayout): the checks and the swap must name one folder, and the swap works on the
    // names as written while a check follows links.
    static std::filesystem::path resolveBundlePath(const std::filesystem::path& given);

    // Check, swap, check again, launch, all on the two paths as exchange standardises them; swaps back
    // exactly once when the second check or the launch fails and throws that error, or RollbackError
    // when the swap-back fails as well.
    static void install(const std::filesystem::path& staged, const std::filesystem::path& installed,
                        const Check& validate = defaultCheck(), const Launch& launch = {});

    // The check install uses unless told otherwise: validate against the vendor anchors.
    static Check defaultCheck();

    // True when every character is a Unicode letter or number (with its combining marks), "-", "."
    // or "_", and there is at least one. Identifiers go into comparisons and texts unquoted.
    static bool isPlainIdentifier(std::string_view text);
};

}  // namespace orvane
