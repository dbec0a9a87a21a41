#pragma once

#include <string>

namespace tolven {

// The subjects of the file messages, as the user is told them.
inline constexpr const char* INPUT_FILE_SUBJECT = "入力ファイル";
inline constexpr const char* OUTPUT_FILE_SUBJECT = "出力ファイル";
inline constexpr const char* LOG_FILE_SUBJECT = "ログファイル";
inline constexpr const char* STRATA_FILE_SUBJECT = "層別ファイル";
inline constexpr const char* RATE_FILE_SUBJECT = "基準率ファイル";
inline constexpr const char* NEIGHBOUR_FILE_SUBJECT = "近傍ファイル";

// "ERROR!! : <subject>\n<path><reason>". The path is shown as C prints it: up
// to its first NUL, if any.
std::string fileMessage(const char* subject, const std::string& path, const char* reason);

// "ERROR!! : <subject>\n<path> を開けません": the file cannot be opened.
std::string cannotOpenMessage(const char* subject, const std::string& path);

// "ERROR!! : <subject>\n<path> に書き込めません": what was written did not all
// reach the file (a full disk, a size limit).
std::string cannotWriteMessage(const char* subject, const std::string& path);

}  // namespace tolven
