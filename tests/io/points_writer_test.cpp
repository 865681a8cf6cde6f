#include "io/points_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>
#include <bit>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "io/data_file.h"

namespace {

using Limits = std::numeric_limits<double>;

struct Columns {
  std::vector<double> x, y;
};

constexpr char kAscHead[] = "Data exported from Kovix TRovavAza\r\n2\t;nr. of columns\r\n";
constexpr char kAscTail[] =
    "\t;nr. of rows\r\nFALSE TRUE FALSE\t;row attributes, column names, row names\r\nx   y\r\n";

TEST(PointsText, LayoutByExtension) {
  // Numbers must not follow the locale: a German one would give "1,5".
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.utf8");
  const Columns three{{1.5, -0.0, 1e300}, {-0.25, 5e-324, 0.1}};
  const Columns none;
  const std::string csv = "x,y\n1.5,-0.25\n-0,5e-324\n1e+300,0.1\n";
  const std::string tab = "x\ty\n1.5\t-0.25\n-0\t5e-324\n1e+300\t0.1\n";
  const std::string asc =
      std::string(kAscHead) + "3" + kAscTail + "1.5\t-0.25\r\n-0\t5e-324\r\n1e+300\t0.1\r\n";
  struct Case {
    const char* path;
    const Columns& points;
    std::string text;
  };
  const Case cases[] = {
      {"m.csv", three, csv},
      {"/tmp/M.CSV", three, csv},
      {"m.tsv", three, tab},
      {"m.TXT", three, tab},
      {"a.b.TxT", three, tab},
      {"veda.asc", three, asc},
      {"ordner/VEDA.Asc", three, asc},
      {"m.dat", three, csv},
      {"m", three, csv},
      {"ordner.asc/m", three, csv},
      {".asc", three, csv},
      {"m.", three, csv},
      {"leer.csv", none, "x,y\n"},
      {"leer.txt", none, "x\ty\n"},
      {"leer.asc", none, std::string(kAscHead) + "0" + kAscTail},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PointsText(c.points.x, c.points.y, PointsLayoutFor(c.path)), c.text) << c.path;
  std::setlocale(LC_ALL, saved.c_str());
}

// Random bit patterns over the whole range (finite ones), decimals as instruments write them
// (the reader's fast path), and the edges of the range.
Columns HardDoubles(std::size_t count) {
  std::vector<double> values = {0.0,
                                -0.0,
                                Limits::denorm_min(),
                                -Limits::denorm_min(),
                                std::nextafter(Limits::min(), 0.0),
                                Limits::min(),
                                Limits::max(),
                                -Limits::max(),
                                1e300,
                                1e-300,
                                1e22,
                                1e23,
                                0.1,
                                1.0 / 3,
                                9007199254740994.0,
                                123456789012345680000.0};
  std::mt19937_64 random(20240611);
  while (values.size() < count) {
    const double bits = std::bit_cast<double>(random());
    if (std::isfinite(bits)) values.push_back(bits);
    const double scaled = double(random() % 10000000000) / std::pow(10.0, double(random() % 20));
    values.push_back(random() % 2 ? -scaled : scaled);
  }
  Columns c;
  for (std::size_t i = 0; i < values.size(); ++i) (i % 2 ? c.y : c.x).push_back(values[i]);
  c.y.resize(c.x.size());
  return c;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Through a file, as the window saves and opens it: blocks of the writer, then the reader.
TEST(WritePoints, ReadsBackBitForBit) {
  const Columns points = HardDoubles(100000);
  for (const char* name : {"round.csv", "round.tsv", "round.asc"}) {
    const std::string path = testing::TempDir() + name;
    const PointsLayout layout = PointsLayoutFor(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(WritePoints(fd, points.x, points.y, layout)) << name;
    ::close(fd);
    EXPECT_EQ(FileText(path), PointsText(points.x, points.y, layout)) << name;
    const DataFileResult read = ReadDataFile(path);
    std::filesystem::remove(path);
    ASSERT_EQ(read.error, "") << name;
    ASSERT_EQ(read.points.size(), points.x.size()) << name;
    std::ostringstream differing;
    differing.precision(17);
    int shown = 0;
    for (std::size_t i = 0; i < points.x.size() && shown < 5; ++i) {
      const DataPoint p = read.points[i];
      for (const auto& [written, back] :
           {std::pair{points.x[i], p.x}, std::pair{points.y[i], p.y}}) {
        if (std::bit_cast<std::uint64_t>(written) == std::bit_cast<std::uint64_t>(back)) continue;
        differing << written << " read as " << back << "; ";
        ++shown;
      }
    }
    EXPECT_EQ(differing.str(), "") << name;
  }
}

void Ignore(int) {}

// Signals without SA_RESTART cut the writes into a slow pipe short or off; none of the text may
// be lost or doubled.
TEST(WritePoints, WholeThroughInterruptedWrites) {
  const Columns points = HardDoubles(20000);
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  ::fcntl(pipe[1], F_SETPIPE_SZ, 4096);
  struct sigaction interrupt {
  }, saved{};
  interrupt.sa_handler = Ignore;
  sigaction(SIGALRM, &interrupt, &saved);
  std::string received;
  std::thread reader([&] {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);  // the writer's thread takes them
    char block[1000];
    ssize_t n;
    while ((n = ::read(pipe[0], block, sizeof block)) > 0) received.append(block, std::size_t(n));
  });
  itimerval often{{0, 100}, {0, 100}};
  setitimer(ITIMER_REAL, &often, nullptr);
  const bool ok = WritePoints(pipe[1], points.x, points.y, PointsLayout::Csv);
  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  ::close(pipe[1]);
  reader.join();
  ::close(pipe[0]);
  sigaction(SIGALRM, &saved, nullptr);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(received == PointsText(points.x, points.y, PointsLayout::Csv));
}

TEST(WritePoints, FailureKeepsTheReason) {
  const std::vector<double> x(10, 1.5), y(10, 2.5), shorter(9, 2.5);
  const auto closedPipe = [] {
    int pipe[2];
    if (::pipe(pipe) != 0) return -1;
    ::close(pipe[0]);
    return pipe[1];
  };
  struct Case {
    const char* name;
    int fd;
    std::span<const double> y;
    int error;
  };
  const auto saved = std::signal(SIGPIPE, SIG_IGN);
  const Case cases[] = {
      {"pipe without reader", closedPipe(), y, EPIPE},
      {"full device", ::open("/dev/full", O_WRONLY), y, ENOSPC},
      {"read-only", ::open("/dev/null", O_RDONLY), y, EBADF},
      {"sizes differ", ::open("/dev/null", O_WRONLY), shorter, EINVAL},
  };
  for (const Case& c : cases) {
    ASSERT_GE(c.fd, 0) << c.name;
    errno = 0;
    EXPECT_FALSE(WritePoints(c.fd, x, c.y, PointsLayout::Csv)) << c.name;
    EXPECT_EQ(errno, c.error) << c.name;
    ::close(c.fd);
  }
  std::signal(SIGPIPE, saved);
}

}  // namespace
