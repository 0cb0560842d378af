// Strict JSON records as the store reads them from disk. The first byte picks the record; the rest is
// the file's text. A record that decodes must encode and decode again to the same record.
#include <cstdint>

#include "core/base/strict_json.h"
#include "core/catalog/catalog_records.h"
#include "core/photo/as_shot_wb.h"
#include "core/store/project.h"
#include "core/style/compiled_model.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

namespace {

template <class T>
void roundTrip(const Json& j) {
    T record;
    try {
        record = json::decode<T>(j);
    } catch (const json::DecodeError&) {
        return;
    }
    const T again = json::decode<T>(json::parse(json::dump(json::encode(record))));
    if constexpr (requires { record == again; }) {
        if (!(record == again)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Json j;
    try {
        j = json::parse(fuzz::text(data + 1, size - 1));
    } catch (const json::DecodeError&) {
        return 0;
    }
    switch (data[0] % 4) {
        case 0: roundTrip<Project>(j); break;
        case 1: roundTrip<TrainingCatalog>(j); break;
        case 2: roundTrip<CompiledModelInfo>(j); break;
        default: roundTrip<AsShotWB>(j); break;
    }
    return 0;
}
