#include "core/vision/photo_faces.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(PhotoFaces, aWorkerSearchesAPhotoOnceUntilToldToForgetIt) {
    RawImage raw;
    raw.w = 24;
    raw.h = 16;
    raw.lin.assign(std::size_t(raw.w) * raw.h * 3, 0.3f);
    const auto first = PhotoFaces::of(raw);
    EXPECT_EQ(PhotoFaces::of(raw), first) << "the same photo is answered from the worker's memory";

    RawImage other = raw;
    other.lin[0] = 0.9f;
    const auto second = PhotoFaces::of(other);
    EXPECT_NE(second, first) << "another photo is searched";

    PhotoFaces::forgetLast();
    const auto again = PhotoFaces::of(other);
    EXPECT_NE(again, second) << "searched anew after forgetting";
    EXPECT_EQ(PhotoFaces::of(other), again);
}

}  // namespace
}  // namespace orvane
