#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

#include "fit/rovav_aza.h"
#include "format/format_fixed_width.h"

namespace {

namespace fs = std::filesystem;

const std::string kHeaderAfterComment =
    "2\t;nr. of columns\r\n"
    "%ROWS%\t;nr. of rows\r\n"
    "FALSE TRUE FALSE\t;row attributes, column names, row names\r\n"
    "x   y\r\n";

std::string Header(const std::string& first_line, int rows) {
  std::string rest = kHeaderAfterComment;
  rest.replace(rest.find("%ROWS%"), 6, std::to_string(rows));
  return first_line + "\r\n" + rest;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class AscExport : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    dir_ = fs::temp_directory_path() /
           ("ravelon_asc_" + std::to_string(random()) + "_" + std::to_string(counter++));
    ASSERT_TRUE(fs::create_directory(dir_));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Exports and returns the file's bytes; the error text must stay empty.
  std::string Export(const TRovavAza& store, const std::string& comment, int precision,
                     const std::string& name = "veda.asc") {
    const fs::path path = dir_ / name;
    std::string error = "stale";
    store.WriteAscFile(path.string(), comment, precision, error);
    EXPECT_EQ(error, "");
    return ReadBytes(path);
  }

  fs::path dir_;
};

TEST_F(AscExport, WritesHeaderAndPointsWithCrLf) {
  TRovavAza store;
  store.AddPoint(1, 2.5);
  store.AddPoint(-0.25, 10);
  EXPECT_EQ(Export(store, "Data exported from Kovix TRovavAza", 6),
            "Data exported from Kovix TRovavAza\r\n"
            "2\t;nr. of columns\r\n"
            "2\t;nr. of rows\r\n"
            "FALSE TRUE FALSE\t;row attributes, column names, row names\r\n"
            "x   y\r\n"
            "1.000000\t2.500000\r\n"
            "-0.250000\t10.000000\r\n");
}

TEST_F(AscExport, KeepsInputOrderAndRoundsHalvesAwayFromZero) {
  TRovavAza store;
  store.AddPoint(2.5, -0.5);
  store.AddPoint(1, 0.4);
  store.AddPoint(-3, -0.4);
  EXPECT_EQ(Export(store, "c", 0), Header("c", 3) +
                                       "3\t-1\r\n"
                                       "1\t0\r\n"
                                       "-3\t-0\r\n");
}

TEST_F(AscExport, CommentLineFeedsBecomeBlanksOtherBytesStay) {
  TRovavAza store;
  // A carriage return and 8-bit bytes pass through unchanged.
  EXPECT_EQ(Export(store, "a\nb\rc\xE4\xFC\n", 6), Header("a b\rc\xE4\xFC ", 0));
}

TEST_F(AscExport, EmptyCommentNamesTheFileAsPassed) {
  TRovavAza store;
  store.AddPoint(0.5, 1);
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  std::string error = "stale";
  store.WriteAscFile("out.asc", "", 2, error);
  fs::current_path(previous);
  EXPECT_EQ(error, "");
  EXPECT_EQ(ReadBytes(dir_ / "out.asc"),
            Header("Exported by Kovix TRovavAza component: out.asc", 1) + "0.50\t1.00\r\n");
}

TEST_F(AscExport, ManyPointsAcrossWriteBlocks) {
  TRovavAza store;
  std::string points;
  for (int i = 0; i < 20000; ++i) {
    const double x = i * 0.37 - 1000;
    const double y = 1.0 / (i + 1);
    store.AddPoint(x, y);
    points += FormatFixedWidth(1, 6, x) + "\t" + FormatFixedWidth(1, 6, y) + "\r\n";
  }
  EXPECT_EQ(Export(store, "big", 6), Header("big", 20000) + points);
}

TEST_F(AscExport, ExportingAgainReplacesTheFile) {
  TRovavAza store;
  for (int i = 0; i < 50; ++i) store.AddPoint(i, i);
  Export(store, "first, longer", 6);
  store.ClearData();
  store.AddPoint(7, 8);
  EXPECT_EQ(Export(store, "second", 1), Header("second", 1) + "7.0\t8.0\r\n");
}

TEST_F(AscExport, FileThatCannotBeCreatedGivesTheSystemsTextAndNothingElse) {
  TRovavAza store;
  store.AddPoint(1, 2);
  const fs::path missing = dir_ / "missing";
  std::string error;
  store.WriteAscFile((missing / "veda.asc").string(), "c", 6, error);
  EXPECT_EQ(error, std::strerror(ENOENT));
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(AscExport, ErrorTextIsClearedOnSuccess) {
  TRovavAza store;
  std::string error;
  store.WriteAscFile((dir_ / "missing" / "a.asc").string(), "c", 6, error);
  ASSERT_NE(error, "");
  store.WriteAscFile((dir_ / "a.asc").string(), "c", 6, error);
  EXPECT_EQ(error, "");
}

// Exports in a thread; a writer still blocked after five seconds is released by opening the
// FIFO for reading, and the export counts as hanging.
std::string ExportWithoutHanging(const TRovavAza& store, const fs::path& path, bool& hung) {
  std::string error = "stale";
  auto done =
      std::async(std::launch::async, [&] { store.WriteAscFile(path.string(), "c", 6, error); });
  hung = done.wait_for(std::chrono::seconds(5)) != std::future_status::ready;
  if (hung) {
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    done.wait();
    if (reader >= 0) ::close(reader);
  }
  return error;
}

TEST_F(AscExport, RefusesWhatIsNotARegularFileWithoutBlocking) {
  TRovavAza store;
  store.AddPoint(1, 2);
  bool hung = false;

  // A FIFO without a reader would block the opening for ever.
  const fs::path fifo = dir_ / "veda.asc";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ExportWithoutHanging(store, fifo, hung), std::strerror(ENXIO));
  EXPECT_FALSE(hung);

  // With a reader the opening succeeds; nothing may go into the FIFO.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(ExportWithoutHanging(store, fifo, hung), std::strerror(EINVAL));
  EXPECT_FALSE(hung);
  char byte = 0;
  EXPECT_EQ(::read(reader, &byte, 1), 0);
  ::close(reader);

  struct Case {
    fs::path path;
    int error;
  };
  const Case cases[] = {{"/dev/null", EINVAL}, {"/dev/full", EINVAL}, {dir_, EISDIR}};
  for (const Case& c : cases) {
    if (!fs::exists(c.path)) continue;
    EXPECT_EQ(ExportWithoutHanging(store, c.path, hung), std::strerror(c.error)) << c.path;
    EXPECT_FALSE(hung) << c.path;
  }
}

TEST_F(AscExport, ANulByteInTheNameIsRefusedAndNothingIsCreated) {
  TRovavAza store;
  store.AddPoint(1, 2);
  const std::string cut = (dir_ / "veda").string();
  std::string error;
  store.WriteAscFile(cut + std::string(1, '\0') + ".asc", "c", 6, error);
  EXPECT_EQ(error, std::strerror(EINVAL));
  EXPECT_FALSE(fs::exists(cut));
  EXPECT_TRUE(fs::is_empty(dir_));
}

// Restores the file size limit and the signal disposition it changed.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_handler_);
  }
  bool Ok() const { return ok_; }

 private:
  rlimit saved_{};
  void (*previous_handler_)(int) = SIG_DFL;
  bool ok_ = false;
};

TEST_F(AscExport, FailureWhileWritingKeepsWhatWasWritten) {
  TRovavAza store;
  for (int i = 0; i < 20000; ++i) store.AddPoint(i, -i);
  const std::string complete = Export(store, "c", 3, "complete.asc");
  const fs::path path = dir_ / "cut.asc";
  std::string error;
  {
    FileSizeLimit limit(100000);
    if (!limit.Ok()) GTEST_SKIP() << "cannot lower the file size limit";
    try {
      store.WriteAscFile(path.string(), "c", 3, error);
      ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), std::strerror(EFBIG));
    }
  }
  EXPECT_EQ(error, "");
  const std::string cut = ReadBytes(path);
  ASSERT_GT(complete.size(), 100000u);
  EXPECT_EQ(cut.size(), 100000u);
  EXPECT_EQ(cut, complete.substr(0, cut.size()));
}

}  // namespace
