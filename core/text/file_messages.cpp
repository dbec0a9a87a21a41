#include "core/text/file_messages.h"

namespace tolven {

std::string fileMessage(const char* subject, const std::string& path, const char* reason) {
    return std::string("ERROR!! : ") + subject + "\n" + path.c_str() + reason;
}

std::string cannotOpenMessage(const char* subject, const std::string& path) {
    return fileMessage(subject, path, " を開けません");
}

std::string cannotWriteMessage(const char* subject, const std::string& path) {
    return fileMessage(subject, path, " に書き込めません");
}

}  // namespace tolven
