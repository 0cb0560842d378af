#include "testing/libraw_floor.h"

#include <libraw/libraw.h>

#include <stdexcept>
#include <string>

#include "core/photo/libraw_support.h"

namespace orvane::testing {

void bareLibRawDecode(const std::filesystem::path& file) {
    const photo_detail::LibRawHandle raw;
    int rc = libraw_open_file(raw.get(), file.c_str());
    if (rc == 0) rc = libraw_unpack(raw.get());
    if (rc == 0) {
        photo_detail::setLinearOutput(raw->params, true);
        rc = libraw_dcraw_process(raw.get());
    }
    if (rc == 0) {
        int err = 0;
        libraw_processed_image_t* image = libraw_dcraw_make_mem_image(raw.get(), &err);
        if (image)
            libraw_dcraw_clear_mem(image);
        else
            rc = err ? err : -1;
    }
    if (rc != 0) throw std::runtime_error(std::string("LibRaw failed: ") + libraw_strerror(rc));
}

}  // namespace orvane::testing
