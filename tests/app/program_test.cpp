// The real program as a subprocess: signals, the command-line fit and picture without a display,
// usage.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <fstream>
#include <string>

#include "tests/app/work_dir.h"

namespace {

struct Program {
  QProcess process;

  Program(const TemporaryWorkDir& dir, const QStringList& args,
          const QString& platform = QStringLiteral("offscreen")) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir.File("")));
    process.start(QStringLiteral(RAVELON_EXECUTABLE), args);
  }
  ~Program() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(5000);
    }
  }
  // Whether the process catches `signal` yet (its handlers are set first thing).
  bool Catches(int signal) const {
    QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("SigCgt:"))
        return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    return false;
  }
  bool WaitUntilCatching(int signal) const {
    for (int i = 0; i < 500; ++i) {
      if (Catches(signal)) return true;
      QThread::msleep(20);
    }
    return false;
  }
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Program, ASignalClosesTheWindowAndWritesThePoints) {
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    TemporaryWorkDir dir;
    std::ofstream(dir.File("points.csv")) << "1.25,2\n2.5,4.75\n3,-1\n";
    Program program(dir, {QString::fromStdString(dir.File("points.csv"))});
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.WaitUntilCatching(signal)) << signal;
    kill(pid_t(program.process.processId()), signal);
    ASSERT_TRUE(program.process.waitForFinished(20000)) << signal;
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit) << signal;
    EXPECT_EQ(program.process.exitCode(), 0) << signal;
    const std::string exported = Read(dir.File("veda.asc"));
    EXPECT_NE(exported.find("1.250000\t2.000000"), std::string::npos) << signal << "\n" << exported;
    EXPECT_NE(exported.find("2.500000\t4.750000"), std::string::npos) << signal;
    EXPECT_NE(exported.find("3.000000\t-1.000000"), std::string::npos) << signal;
  }
}

// A message box waiting for its OK does not keep the program alive.
TEST(Program, ASignalEndsTheProgramWhileAMessageIsShown) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("bad.csv")) << "1;2\n3;abc\n";
  Program program(dir, {QString::fromStdString(dir.File("bad.csv"))});
  ASSERT_TRUE(program.process.waitForStarted(10000));
  ASSERT_TRUE(program.WaitUntilCatching(SIGTERM));
  // Time to read the file and show the message.
  QThread::msleep(500);
  kill(pid_t(program.process.processId()), SIGTERM);
  ASSERT_TRUE(program.process.waitForFinished(20000));
  EXPECT_EQ(program.process.exitCode(), 0);
  EXPECT_NE(Read(dir.File("veda.asc")).find("0\t;nr. of rows"), std::string::npos);
}

TEST(Program, FitsFromTheCommandLineWithoutADisplay) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("line.csv")) << "x\ty\n1\t3\n2\t5\n4\t9\n";
  // The xcb platform without a display would abort any window.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  QProcess fit;
  fit.setProcessEnvironment(env);
  fit.start(QStringLiteral(RAVELON_EXECUTABLE), {QStringLiteral("--fit"), QStringLiteral("lin"),
                                                 QString::fromStdString(dir.File("line.csv"))});
  ASSERT_TRUE(fit.waitForFinished(20000));
  EXPECT_EQ(fit.exitCode(), 0) << fit.readAllStandardError().toStdString();
  EXPECT_EQ(fit.readAllStandardOutput().toStdString(),
            "y = k*x + d\nk = 2.000000    d = 1.000\nAnpassungsgrad: 1.0000\n");

  // The picture as well, at the default ratio 2.
  QProcess plot;
  plot.setProcessEnvironment(env);
  plot.start(QStringLiteral(RAVELON_EXECUTABLE),
             {QStringLiteral("--plot"), QString::fromStdString(dir.File("line.png")),
              QStringLiteral("lin"), QString::fromStdString(dir.File("line.csv"))});
  ASSERT_TRUE(plot.waitForFinished(20000));
  EXPECT_EQ(plot.exitCode(), 0) << plot.readAllStandardError().toStdString();
  EXPECT_TRUE(plot.readAllStandardOutput().isEmpty());
  EXPECT_EQ(QImage(QString::fromStdString(dir.File("line.png"))).width(), 2 * 571);
}

// Without a window the signals keep their default actions: Ctrl+C ends a long fit.
TEST(Program, AnInterruptEndsTheCommandLineFit) {
  TemporaryWorkDir dir;
  {
    std::ofstream file(dir.File("million.csv"));
    for (int i = 0; i < 1000000; ++i) file << i * 1e-3 << ',' << (i % 977) * 0.01 << '\n';
  }
  Program fit(dir, {QStringLiteral("--fit"), QStringLiteral("spline:0.5"),
                    QString::fromStdString(dir.File("million.csv"))});
  ASSERT_TRUE(fit.process.waitForStarted(10000));
  // While it reads and fits the million points.
  QThread::msleep(30);
  ::kill(pid_t(fit.process.processId()), SIGINT);
  ASSERT_TRUE(fit.process.waitForFinished(20000));
  EXPECT_EQ(fit.process.exitStatus(), QProcess::CrashExit);
  EXPECT_TRUE(fit.process.readAllStandardOutput().isEmpty());
}

TEST(Program, MoreThanOneFileIsAUsageError) {
  TemporaryWorkDir dir;
  Program program(dir, {QStringLiteral("a.csv"), QStringLiteral("b.csv")});
  ASSERT_TRUE(program.process.waitForFinished(20000));
  EXPECT_EQ(program.process.exitCode(), 2);
  EXPECT_TRUE(program.process.readAllStandardOutput().isEmpty());
  EXPECT_TRUE(program.process.readAllStandardError().contains("Usage:"));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.File("veda.asc"))));
}

}  // namespace
