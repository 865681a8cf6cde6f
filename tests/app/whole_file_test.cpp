#include "app_core/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tests/app/work_dir.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteText(int fd, const std::string& text) {
  return ::write(fd, text.data(), text.size()) == ssize_t(text.size());
}

TEST(WholeFile, ReplacesTheFileWithTheUsualPermissions) {
  TemporaryWorkDir dir;
  const std::string path = dir.File("points.csv");
  std::ofstream(path) << "old";
  const mode_t mask = umask(022);
  WriteFileWhole(path, [](int fd) { return WriteText(fd, "x,y\n1,2\n"); });
  umask(mask);
  EXPECT_EQ(Read(path), "x,y\n1,2\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  // A bare name is written in the working directory.
  WriteFileWhole("bare.txt", [](int fd) { return WriteText(fd, "b"); });
  EXPECT_EQ(Read(dir.File("bare.txt")), "b");
}

// Each failure names the file and the reason, and leaves the folder as it was.
TEST(WholeFile, AFailureLeavesNothingAndTheOldFileAsItWas) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("old.csv")) << "old";
  QDir(QString::fromStdString(dir.File(""))).mkdir(QStringLiteral("folder.csv"));
  struct Case {
    std::string path;
    bool writes;  // whether the writer succeeds
    int error;    // the writer's errno where it fails
    std::string reason;
  };
  const Case cases[] = {
      {dir.File("missing/p.csv"), true, 0, std::strerror(ENOENT)},
      {dir.File("folder.csv"), true, 0, std::strerror(EISDIR)},
      {dir.File("old.csv"), false, ENOSPC, std::strerror(ENOSPC)},
      {dir.File("old.csv"), false, 0, std::strerror(EIO)},
  };
  for (const Case& c : cases) {
    try {
      WriteFileWhole(c.path, [&c](int fd) {
        if (c.writes) return WriteText(fd, "new");
        errno = c.error;
        return false;
      });
      ADD_FAILURE() << c.path << " was written";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()),
                "Die Datei \"" + c.path + "\" konnte nicht geschrieben werden: " + c.reason);
    }
  }
  EXPECT_EQ(Read(dir.File("old.csv")), "old");
  const QStringList left = QDir(QString::fromStdString(dir.File("")))
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_EQ(left, (QStringList{"folder.csv", "old.csv"}));
}

}  // namespace
