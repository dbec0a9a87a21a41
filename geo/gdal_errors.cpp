#include "geo/gdal_errors.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

namespace tolven {

GdalErrorCapture::GdalErrorCapture() {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

GdalErrorCapture::~GdalErrorCapture() { CPLPopErrorHandler(); }

std::string GdalErrorCapture::lastError() const {
    const char* text = CPLGetLastErrorMsg();
    return text == nullptr ? std::string() : std::string(text);
}

std::string withGdalError(const std::string& text, const GdalErrorCapture& capture) {
    const std::string error = capture.lastError();
    return error.empty() ? text : text + ": " + error;
}

}  // namespace tolven
