#pragma once

#include <functional>
#include <string>

// A file written whole or not at all: `write` fills a new file beside `path` (created with the
// permissions a new file gets), which is flushed to the disk and renamed over `path`. On any
// failure nothing is left, an older file at `path` stays as it was, and
// "Die Datei "PATH" konnte nicht geschrieben werden: REASON" is thrown as std::runtime_error.
// SIGINT, SIGTERM and SIGHUP are held back meanwhile: an interrupt takes effect after it, so
// neither a half-written file nor the temporary one is left behind.
//
//   WriteFileWhole(path, [&](int fd) { return ::write(fd, text.data(), text.size()) == n; });
//
// `write` gets the open descriptor (it must not close it) and returns whether it wrote all;
// where it fails, errno (or EIO) is the reason given.
void WriteFileWhole(const std::string& path, const std::function<bool(int fd)>& write);
