#pragma once

#include <string>
#include <string_view>

// The directory part of a path, on bytes: cut at the last "\", "/" or ":", keeping a drive's
// colon and a root separator ("C:\x.exe" -> "C:\", "\x.exe" -> "\"); "." when there is none.
std::string dirName(std::string_view path);
