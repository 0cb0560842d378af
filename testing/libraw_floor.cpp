#include "testing/libraw_floor.h"

#include <libraw/libraw.h>

#include <stdexcept>
#include <string>

#include "core/photo/libraw_support.h"

namespace orvane::testing {

void bareLibRawDecode(const std::filesystem::path& file, bool makeMemoryImage) {
    libraw_data_t* raw = libraw_init(0);
    if (!raw) throw std::runtime_error("libraw_init failed");
    int rc = libraw_open_file(raw, file.c_str());
    if (rc == 0) rc = libraw_unpack(raw);
    if (rc == 0) {
        orvane::photo_detail::setLinearOutput(raw->params, true);
        rc = libraw_dcraw_process(raw);
    }
    if (rc == 0 && makeMemoryImage) {
        int err = 0;
        libraw_processed_image_t* image = libraw_dcraw_make_mem_image(raw, &err);
        if (image)
            libraw_dcraw_clear_mem(image);
        else
            rc = err ? err : -1;
    }
    libraw_close(raw);
    if (rc != 0) throw std::runtime_error(std::string("LibRaw failed: ") + libraw_strerror(rc));
}

}  // namespace orvane::testing
