#include "app/model/decoder_log.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QtGlobal>

#include "core/photo/raw_image.h"
#include "core/xmp/exporter.h"

namespace orvane {
namespace {

QStringList logged;
void capture(QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; }

TEST(DecoderLog, keepsTheDecodersOwnTextOutOfTheRefusalAndInTheLog) {
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    const auto refused = std::make_exception_ptr(RawError::fromLibRaw(-100009));
    logDecoderDetails(refused, "IMG_1.nef");
    logDecoderDetails(std::make_exception_ptr(ExportError::failed("IMG_2.nef", refused)));
    logDecoderDetails(std::make_exception_ptr(ExportError::noTint("IMG_3.nef")));
    logDecoderDetails(std::make_exception_ptr(std::runtime_error("altceva")), "IMG_4.nef");
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged, (QStringList{"IMG_1.nef: LibRaw -100009: Input/output error",
                                   "IMG_2.nef: LibRaw -100009: Input/output error"}));
}

}  // namespace
}  // namespace orvane
