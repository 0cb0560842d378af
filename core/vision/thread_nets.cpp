#include "core/vision/thread_nets.h"

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace orvane::ThreadNets {
namespace {

// Every file's bytes, read once; empty when the file is absent or unreadable.
std::shared_ptr<const std::vector<char>> bytesOf(const std::filesystem::path& file) {
    static std::mutex lock;
    static std::map<std::filesystem::path, std::shared_ptr<const std::vector<char>>> read;
    std::lock_guard g(lock);
    auto& bytes = read[file];
    if (!bytes) {
        auto b = std::make_shared<std::vector<char>>();
        if (std::ifstream in{file, std::ios::binary}) b->assign(std::istreambuf_iterator<char>(in), {});
        bytes = std::move(b);
    }
    return bytes;
}

}  // namespace

cv::dnn::Net* of(const std::filesystem::path& model) {
    // Absent: not tried yet; an empty network: tried and failed.
    thread_local std::map<std::filesystem::path, std::optional<cv::dnn::Net>> nets;
    auto& net = nets[model];
    if (!net) {
        const auto bytes = bytesOf(model);
        net.emplace();
        if (!bytes->empty()) {
            // The importer fills OpenCV's layer registry lazily and without a lock: one at a time.
            static std::mutex build;
            std::lock_guard g(build);
            try {
                net = cv::dnn::readNetFromONNX(bytes->data(), bytes->size());
            } catch (const cv::Exception&) {
                net.emplace();
            }
        }
    }
    return net->empty() ? nullptr : &*net;
}

}  // namespace orvane::ThreadNets
