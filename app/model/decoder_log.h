#pragma once
// A photo refused by the raw decoder shows the refusal's one sentence; the decoder's own code and text
// (RawError::details) go to the application's log, for whoever looks into it.
#include <exception>
#include <string>

namespace orvane {

// Logs the details of a RawError, or of the RawError that stopped an export (ExportError's cause),
// naming the file; any other error logs nothing.
void logDecoderDetails(const std::exception_ptr& error, const std::string& file = {});

}  // namespace orvane
