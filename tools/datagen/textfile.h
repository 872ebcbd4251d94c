#pragma once
// Writing one generated text file: open, fill, check, close, and say on
// standard error what went wrong.

#include <cstdio>
#include <functional>
#include <string>

// Calls fill with the open stream. Returns false, after printing the path and
// the reason, when the file cannot be opened or a write or the close fails.
bool writeTextFile(const std::string &path, const std::function<void(std::FILE *)> &fill);
