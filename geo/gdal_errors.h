#pragma once

#include <string>

namespace tolven {

// While it lives, GDAL's errors and warnings are not printed on standard
// error but kept, so that the caller can put the last one into a message of
// its own. Makes sure the drivers are registered. One per thread and call.
class GdalErrorCapture {
public:
    GdalErrorCapture();
    ~GdalErrorCapture();
    GdalErrorCapture(const GdalErrorCapture&) = delete;
    GdalErrorCapture& operator=(const GdalErrorCapture&) = delete;

    // GDAL's last error text since construction, or an empty text.
    std::string lastError() const;
};

// "text: GDAL's last error" when there was one, else `text`.
std::string withGdalError(const std::string& text, const GdalErrorCapture& capture);

}  // namespace tolven
