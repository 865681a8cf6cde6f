#include "io/data_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Points = std::vector<DataPoint>;

TEST(ParseDataText, ReadsEachFormat) {
  struct Case {
    const char* name;
    std::string text;
    Points points;
  };
  const std::string exported =
      "Data exported from Kovix TRovavAza\r\n2\t;nr. of columns\r\n3\t;nr. of rows\r\n"
      "FALSE TRUE FALSE\t;row attributes, column names, row names\r\nx   y\r\n"
      "1.500000\t-2.000000\r\n0.000000\t3.250000\r\n1.500000\t1E+300\r\n";
  const Case cases[] = {
      {"export", exported, {{1.5, -2}, {0, 3.25}, {1.5, 1e300}}},
      {"comma", "1,2\n3.5,-4e-3\n", {{1, 2}, {3.5, -4e-3}}},
      {"semicolon, decimal comma", "2,5;3,1\n-1,25;1e2\n", {{2.5, 3.1}, {-1.25, 100}}},
      {"semicolon, decimal point", "2.5;3.1\n", {{2.5, 3.1}}},
      {"tab", "1\t2\n3\t4\n", {{1, 2}, {3, 4}}},
      {"tab with blanks around", " 1 \t 2 \n", {{1, 2}}},
      {"blanks", "  1   2\n3 4   \n", {{1, 2}, {3, 4}}},
      {"blanks, decimal comma", "2,5 3,1\n", {{2.5, 3.1}}},
      {"further fields ignored", "1;2;x;y\n3;4\n", {{1, 2}, {3, 4}}},
      {"column names, comments, blank lines",
       "time;value\n\n# measured\n1;2\n\n#x\n3;4\n\n",
       {{1, 2}, {3, 4}}},
      {"two header lines", "Messung 7\n\"t\",\"U\"\n0,1\n", {{0, 1}}},
      {"CR LF", "x,y\r\n1,2\r\n3,4\r\n", {{1, 2}, {3, 4}}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "x;y\n1;2\n",
       {{1, 2}}},
      {"no final line end", "1 2\n3 4", {{1, 2}, {3, 4}}},
      {"signs",
       "+1;\xE2\x88\x92"
       "2\n-.5;5.\n",
       {{1, -2}, {-0.5, 5}}},
      {"exponents", "1E3 -2e-2\n1e-400 5\n", {{1000, -0.02}, {0, 5}}},
      {"equal x", "1,2\n1,3\n", {{1, 2}, {1, 3}}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(c.text, "f.csv");
    EXPECT_EQ(r.error, "") << c.name;
    EXPECT_EQ(r.points, c.points) << c.name;
  }
}

TEST(ParseDataText, RefusesABadLineWithOneMessage) {
  struct Case {
    std::string text;
    std::string message;
  };
  const std::string head = "Die Datei \"m.csv\" enthält in Zeile ";
  const Case cases[] = {
      {"1,2\n3,x\n", head + "2 einen Fehler: \"x\" ist keine Zahl.\n\"3,x\""},
      {"1;2\n3\n", head + "2 einen Fehler: Der y-Wert fehlt.\n\"3\""},
      {"1;2\n3,5 4\n", head + "2 einen Fehler: \"3,5 4\" ist keine Zahl.\n\"3,5 4\""},
      {"1;-Inf\n",
       head + "1 einen Fehler: NaN und unendliche Werte sind nicht erlaubt.\n\"1;-Inf\""},
      {"1;2\n1e400;4\n",
       head + "2 einen Fehler: \"1e400\" ist zu groß für eine Gleitkommazahl.\n\"1e400;4\""},
      {"1;2\n0x10;4\n", head + "2 einen Fehler: \"0x10\" ist keine Zahl.\n\"0x10;4\""},
      {"1;2\n1.000,5;4\n", head + "2 einen Fehler: \"1.000,5\" ist keine Zahl.\n\"1.000,5;4\""},
      {"x;y\n1;2\nsum;3\n", head + "3 einen Fehler: \"sum\" ist keine Zahl.\n\"sum;3\""},
      {"1;2\n3;4\0;\n"s, head + "2 einen Fehler: Die Zeile enthält ein NUL-Byte.\n\"3;4?;\""},
      {"1;2\n" + std::string(70000, '5') + ";1\n",
       head + "2 einen Fehler: Die Zeile ist länger als 64 KiB.\n\"" + std::string(60, '5') +
           "\xE2\x80\xA6\""},
      {"1;2\n\xC3\xA4\xC3\xA4" + std::string(70, 'a') + "\n",
       head + "2 einen Fehler: \"\xC3\xA4\xC3\xA4" + std::string(58, 'a') +
           "\xE2\x80\xA6\" ist keine Zahl.\n\"\xC3\xA4\xC3\xA4" + std::string(58, 'a') +
           "\xE2\x80\xA6\""},
      {"", "Die Datei \"m.csv\" ist leer."},
      {"x;y\n# nothing\n\n", "Die Datei \"m.csv\" enthält keine Datenzeile."},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(c.text, "m.csv");
    EXPECT_EQ(r.error, c.message) << c.text.substr(0, 40);
    EXPECT_TRUE(r.points.empty());
  }
}

// A third column of uncertainties: named or numbered, or found by its header right after y where
// the reader is asked to look; each dy stays with its point.
TEST(ParseDataText, ReadsTheUncertaintiesOfY) {
  struct Case {
    const char* name;
    std::string text;
    ColumnChoice choice;
    std::size_t dyColumn;
    std::vector<double> dy;
  };
  const auto find = [] {
    ColumnChoice c;
    c.findDy = true;
    return c;
  };
  const auto given = [](std::string x, std::string y, std::string dy) {
    ColumnChoice c{std::move(x), std::move(y)};
    c.dy = std::move(dy);
    return c;
  };
  const Case cases[] = {
      {"by name",
       "t,signal,dsignal\n1,2,0.5\n2,3,0.25\n",
       given("t", "signal", "dsignal"),
       3,
       {0.5, 0.25}},
      {"by number", "1;2;9;0,5\n2;3;9;0,25\n", given("1", "2", "4"), 4, {0.5, 0.25}},
      {"dy alone",
       "x,y,s\n1,2,0.5\n",
       [] {
         ColumnChoice c;
         c.dy = "s";
         return c;
       }(),
       3,
       {0.5}},
      {"dy", "x,y,dy\n1,2,0.5\n", find(), 3, {0.5}},
      {"Sigma", "x\ty\tSigma\n1\t2\t0.5\n", find(), 3, {0.5}},
      {"err", "x;y;ERR\n1;2;0,5\n", find(), 3, {0.5}},
      {"error", "x y error\n1 2 0.5\n", find(), 3, {0.5}},
      {"uncertainty", "x,y,Uncertainty\n1,2,0.5\n", find(), 3, {0.5}},
      {"u(y)", "t,signal,u(signal)\n1,2,0.5\n", find(), 3, {0.5}},
      {"d<y>", "t,signal,dSignal\n1,2,0.5\n", find(), 3, {0.5}},
      {"<y>_err", "t,signal,signal_err\n1,2,0.5\n", find(), 3, {0.5}},
      {"row names", ",t,signal,sigma\n0,1,2,0.5\n", find(), 3, {0.5}},
      {"next to the chosen y",
       "t,a,b,db\n1,2,3,0.5\n",
       [] {
         ColumnChoice c{"t", "b"};
         c.findDy = true;
         return c;
       }(),
       4,
       {0.5}},
      {"skipped lines keep the pairing",
       "x,y,dy\n1,2,0.5\n2,NA,0.1\n3,4,0.25\n",
       find(),
       3,
       {0.5, 0.25}},
      {"not asked", "x,y,dy\n1,2,0.5\n", ColumnChoice{}, 0, {}},
      {"not next to y", "x,y,z,dy\n1,2,3,0.5\n", find(), 0, {}},
      {"another name", "x,y,weight\n1,2,0.5\n", find(), 0, {}},
      {"no header", "1,2,0.5\n", find(), 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DataFileResult r = ParseDataText(c.text, "f.csv", c.choice);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.dyColumn, c.dyColumn);
    EXPECT_EQ(r.dy, c.dy);
    if (!r.dy.empty()) {
      EXPECT_EQ(r.dy.size(), r.points.size());
    }
  }
}

// An uncertainty that is not one is an error naming its line, never a default.
TEST(ParseDataText, RefusesABadUncertaintyWithItsLine) {
  ColumnChoice find;
  find.findDy = true;
  const std::string head = "Die Datei \"m.csv\" enthält in Zeile 3 einen Fehler: ";
  const std::pair<std::string, std::string> cases[] = {
      {"x,y,dy\n1,2,0.5\n2,3,0\n", "Die Unsicherheit dy muss größer als 0 sein.\n\"2,3,0\""},
      {"x,y,dy\n1,2,0.5\n2,3,-1\n", "Die Unsicherheit dy muss größer als 0 sein.\n\"2,3,-1\""},
      {"x,y,dy\n1,2,0.5\n2,3,NA\n", "Die Unsicherheit dy fehlt.\n\"2,3,NA\""},
      {"x,y,dy\n1,2,0.5\n2,3,\n", "Die Unsicherheit dy fehlt.\n\"2,3,\""},
      {"x,y,dy\n1,2,0.5\n2,3\n", "Der dy-Wert fehlt.\n\"2,3\""},
      {"x,y,dy\n1,2,0.5\n2,3,viel\n", "\"viel\" ist keine Zahl.\n\"2,3,viel\""},
      {"x,y,dy\n1,2,0.5\n2,3,inf\n", "NaN und unendliche Werte sind nicht erlaubt.\n\"2,3,inf\""},
  };
  for (const auto& [text, reason] : cases) {
    const DataFileResult r = ParseDataText(text, "m.csv", find);
    EXPECT_EQ(r.error, head + reason) << text;
    EXPECT_TRUE(r.points.empty());
    EXPECT_TRUE(r.dy.empty());
  }
  // The program's export has no third column.
  ColumnChoice third;
  third.dy = "3";
  const DataFileResult exported = ParseDataText(
      "Data exported from Kovix TRovavAza\n2\t;nr. of columns\n1\t;nr. of rows\n"
      "FALSE TRUE FALSE\t;row attributes, column names, row names\nx   y\n1.5\t2\n",
      "m.csv", third);
  EXPECT_EQ(exported.error,
            "Die Datei \"m.csv\" enthält in Zeile 6 einen Fehler: Der dy-Wert "
            "fehlt.\n\"1.5?2\"");
  ColumnChoice missing{"x", "y"};
  missing.dy = "sigma";
  EXPECT_EQ(ParseDataText("x,y,dy\n1,2,0.5\n", "m.csv", missing).error,
            "Die Datei \"m.csv\" hat keine Spalte \"sigma\". Ihre Spalten: \"x\", \"y\", \"dy\".");
}

TEST(ParseDataText, ChecksTheExportsRowCount) {
  const std::string head =
      "t\r\n2\t;nr. of columns\r\n3\t;nr. of rows\r\n"
      "FALSE TRUE FALSE\t;row attributes, column names, row names\r\nx   y\r\n";
  const DataFileResult two = ParseDataText(head + "1\t2\r\n3\t4\r\n", "veda.asc");
  EXPECT_EQ(two.error,
            "Die Datei \"veda.asc\" enthält in Zeile 3 einen Fehler: Laut Kopfzeile 3 "
            "Datenzeilen, gefunden 2.\n\"3?;nr. of rows\"");
  const DataFileResult bad = ParseDataText(head + "1\t2\r\n3;4\r\n5\t6\r\n", "veda.asc");
  EXPECT_EQ(
      bad.error,
      "Die Datei \"veda.asc\" enthält in Zeile 7 einen Fehler: \"3;4\" ist keine Zahl.\n\"3;4\"");
  // An empty export has no data line.
  const std::string empty =
      "t\n2\t;nr. of columns\n0\t;nr. of rows\n"
      "FALSE TRUE FALSE\t;row attributes, column names, row names\nx   y\n";
  EXPECT_EQ(ParseDataText(empty, "e").error, "Die Datei \"e\" enthält keine Datenzeile.");
}

class ReadDataFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ravelon-io-" + std::to_string(getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(ReadDataFileTest, ReadsARegularFileAndNamesTheOthers) {
  std::ofstream(Path("ok.csv")) << "x,y\n1,2\n";
  std::ofstream(Path("empty.csv"));
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  const DataFileResult ok = ReadDataFile(Path("ok.csv"));
  EXPECT_EQ(ok.error, "");
  EXPECT_EQ(ok.points, (Points{{1, 2}}));
  struct Case {
    std::string path, message;
  };
  const Case cases[] = {
      {Path("missing.csv"), "Die Datei \"" + Path("missing.csv") +
                                "\" konnte nicht gelesen werden: No such file or directory"},
      {dir_.string(), "Die Datei \"" + dir_.string() + "\" ist ein Ordner."},
      {Path("fifo"), "Die Datei \"" + Path("fifo") + "\" ist keine gewöhnliche Datei."},
      {"/dev/null", "Die Datei \"/dev/null\" ist keine gewöhnliche Datei."},
      {Path("empty.csv"), "Die Datei \"" + Path("empty.csv") + "\" ist leer."},
      // Quoted as a line is: control characters as "?".
      {std::string("a\0b", 3), "Die Datei \"a?b\" konnte nicht gelesen werden: Invalid argument"},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ReadDataFile(c.path);
    EXPECT_EQ(r.error, c.message);
    EXPECT_TRUE(r.points.empty());
  }
  if (geteuid() != 0) {
    std::ofstream(Path("secret.csv")) << "1,2\n";
    chmod(Path("secret.csv").c_str(), 0);
    EXPECT_EQ(
        ReadDataFile(Path("secret.csv")).error,
        "Die Datei \"" + Path("secret.csv") + "\" konnte nicht gelesen werden: Permission denied");
  }
}

// Below the double range the C library decides; a German locale must not cut "1.5e-400" to 1.
TEST(ParseDataText, TinyValuesWhateverTheLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.utf8");
  const DataFileResult r = ParseDataText("1.5e-400;-2,5e-400\n", "tiny.csv");
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.points, (std::vector<DataPoint>{{0, -0.0}}));
}

// Every double written with 17 digits comes back exactly.
TEST_F(ReadDataFileTest, NumbersReadBackExactly) {
  std::vector<DataPoint> written;
  std::uint64_t bits = 0x9E3779B97F4A7C15ull;
  {
    std::FILE* f = std::fopen(Path("many.csv").c_str(), "w");
    for (int i = 0; i < 20000; ++i) {
      bits = bits * 6364136223846793005ull + 1442695040888963407ull;
      const double x = std::ldexp(double(bits >> 11), int(bits % 200) - 100 - 53);
      const double y = -x / 3;
      written.push_back({x, y});
      std::fprintf(f, "%.17g;%.17g\n", x, y);
    }
    std::fclose(f);
  }
  const DataFileResult r = ReadDataFile(Path("many.csv"));
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.points, written);
}

// Short decimals, as instruments write them, against the C library's correctly rounded reading,
// with either decimal mark.
TEST(ParseDataText, ShortDecimalsReadAsTheLibraryReadsThem) {
  std::uint64_t bits = 12345;
  std::string text, german;
  std::vector<double> expected;
  for (int i = 0; i < 20000; ++i) {
    bits = bits * 6364136223846793005ull + 1442695040888963407ull;
    const int digits = 1 + int(bits % 17);
    const int exponent = int((bits >> 8) % 61) - 30;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1,
                  double(bits >> 12) / double(1ull << 52) * std::pow(10.0, exponent));
    std::string number = buffer;
    if (i % 3 == 0) {  // plain notation as well
      std::snprintf(buffer, sizeof buffer, "%.*f", digits, std::strtod(number.c_str(), nullptr));
      number = buffer;
    }
    expected.push_back(std::strtod(number.c_str(), nullptr));
    text += "1;" + number + "\n";
    for (char& c : number)
      if (c == '.') c = ',';
    german += "1;" + number + "\n";
  }
  for (const std::string& t : {text, german}) {
    const DataFileResult r = ParseDataText(t, "n");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(r.points[i].y, expected[i]) << i;
  }
}

}  // namespace
