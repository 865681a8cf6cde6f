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

}  // namespace

void TRovavAza::WriteAscFile(const std::string& fileName, const std::string& comment, int precision,
                             std::string& errorText) const {
  errorText.clear();
  // Binary mode: the bytes of the text and the CR LF line ends go out unchanged.
  errno = 0;
  FilePtr file(std::fopen(fileName.c_str(), "wb"));
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
