#pragma once
// The networks of the detectors, one per worker thread: an OpenCV dnn network is not reentrant, and
// one network behind a lock would make the photo workers queue for it. The file is read once per
// process; each thread builds its own network from those bytes on first use.
#include <filesystem>

#include <opencv2/dnn.hpp>

namespace orvane::ThreadNets {

// The calling thread's network of the ONNX file `model`; nullptr when the file is missing,
// unreadable or not a network. A file that changes while the process runs is not read again.
cv::dnn::Net* of(const std::filesystem::path& model);

}  // namespace orvane::ThreadNets
