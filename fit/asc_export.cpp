#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "fit/rovav_aza.h"
#include "format/format_fixed_width.h"
#include "format/replace_char.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
// Lines are collected and written in blocks of about this size.
constexpr std::size_t kBlockSize = 1 << 16;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ThrowIoError(int error) {
  throw std::runtime_error(std::strerror(error));
}

// Writes whole blocks straight to the file, so that a failure surfaces at the write that caused
// it and everything before it is in the file.
class BlockWriter {
 public:
  explicit BlockWriter(FilePtr file) : file_(std::move(file)) { buffer_.reserve(kBlockSize + 256); }

  void Line(const std::string& text) {
    buffer_ += text;
    buffer_ += kLineEnd;
    if (buffer_.size() >= kBlockSize) Flush();
  }

  void Close() {
    Flush();
    errno = 0;
    if (std::fclose(file_.release()) != 0) ThrowIoError(errno);
  }

 private:
  void Flush() {
    if (buffer_.empty()) return;
    errno = 0;
    const std::size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
    if (written != buffer_.size()) ThrowIoError(errno);
    buffer_.clear();
  }

  FilePtr file_;
  std::string buffer_;
};

// Creates or truncates a regular file for writing. Opens without blocking, so that a FIFO or a
// device of that name cannot stall the caller, and refuses anything but a regular file before it
// is truncated. On failure returns null with errno set.
FilePtr CreateRegularFile(const std::string& fileName) {
  // The system would cut the name at a NUL byte and write to another file.
  if (fileName.find('\0') != std::string::npos) {
    errno = EINVAL;
    return nullptr;
  }
  errno = 0;
  const int fd =
      ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  const auto fail = [fd](int error) {
    ::close(fd);
    errno = error;
    return nullptr;
  };
  struct stat info {};
  if (::fstat(fd, &info) != 0) return fail(errno);
  if (!S_ISREG(info.st_mode)) return fail(EINVAL);
  if (::ftruncate(fd, 0) != 0) return fail(errno);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return fail(errno);
  // Binary mode: the bytes of the text and the CR LF line ends go out unchanged.
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) return fail(errno);
  return FilePtr(file);
}

}  // namespace

void TRovavAza::WriteAscFile(const std::string& fileName, const std::string& comment, int precision,
                             std::string& errorText) const {
  errorText.clear();
  FilePtr file = CreateRegularFile(fileName);
  if (!file) {
    errorText = std::strerror(errno);
    return;
  }
  // Unbuffered: the writer does its own blocking and must see every failure at once.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  BlockWriter out(std::move(file));

  const std::string title = ReplaceChar(comment, '\n', ' ');
  out.Line(title.empty() ? "Exported by Kovix TRovavAza component: " + fileName : title);
  out.Line("2\t;nr. of columns");
  out.Line(std::to_string(num_points_) + "\t;nr. of rows");
  out.Line("FALSE TRUE FALSE\t;row attributes, column names, row names");
  out.Line("x   y");
  for (int r = 1; r <= num_points_; ++r) {
    out.Line(FormatFixedWidth(1, precision, point_table_.Elem(1, r)) + '\t' +
             FormatFixedWidth(1, precision, point_table_.Elem(2, r)));
  }
  out.Close();
}
