#include "core/base/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <vector>

namespace orvane {

std::array<std::uint8_t, 32> sha256File(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "nu se poate deschide " + file.string());
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::system_error(std::make_error_code(std::errc::not_enough_memory), "SHA-256");
    constexpr std::size_t kBlock = 8 * 1024 * 1024;
    std::vector<unsigned char> buf(kBlock);
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "citirea a eșuat pentru " + file.string());
        }
        if (n == 0) break;
        EVP_DigestUpdate(ctx.get(), buf.data(), static_cast<std::size_t>(n));
    }
    std::array<std::uint8_t, 32> out{};
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx.get(), out.data(), &len);
    return out;
}

}  // namespace orvane
