// Files written by the tools people export from, and the reading rules they need: quoting,
// row-name columns, missing values, the choice of columns, UTF-16, the separator hint.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/data_file.h"

namespace {

using namespace std::string_literals;
using Points = std::vector<DataPoint>;
using Names = std::vector<std::string>;
using Columns = std::vector<std::size_t>;

std::string Producer(const char* name) {
  return std::string(RAVELON_PRODUCERS_DIR) + "/" + name;
}

TEST(ProducerFiles, GiveTheirPoints) {
  // zeit and spannung; the third reading of spannung is missing (pandas: an empty field, R: NA).
  const Points four = {{0.5, 1.1}, {1.25, 2.35}, {3.75, 4.4}, {5.5, 6.05}};
  const Names three = {"zeit", "spannung", "strom"};
  const Names two = {"zeit", "spannung"};
  struct Case {
    const char* file;
    Names names;
    Columns numeric;
    std::vector<long> skipped;
  };
  const Case cases[] = {
      {"pandas_index.csv", three, {1, 2, 3}, {4}},
      {"pandas_no_index.csv", three, {1, 2, 3}, {4}},
      {"pandas_quote_all.csv", three, {1, 2, 3}, {4}},
      {"pandas_semicolon_decimal_comma.csv", three, {1, 2, 3}, {4}},
      {"r_write_csv.csv", two, {1, 2}, {4}},
      {"r_write_csv2.csv", two, {1, 2}, {4}},
      {"r_write_table.txt", two, {1, 2}, {4}},
      {"numpy_savetxt.txt", {}, {1, 2}, {}},
      {"utf16_unicode_text.txt", three, {1, 2, 3}, {}},
      {"excel_sep_hint.csv", three, {1, 2, 3}, {}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ReadDataFile(Producer(c.file));
    EXPECT_EQ(r.error, "") << c.file;
    EXPECT_EQ(r.points, four) << c.file;
    EXPECT_EQ(r.columnNames, c.names) << c.file;
    EXPECT_EQ(r.numericColumns, c.numeric) << c.file;
    EXPECT_EQ(r.skippedLines, c.skipped) << c.file;
    EXPECT_EQ(r.skippedCount, long(c.skipped.size())) << c.file;
  }
  // The third column, by name and by number, a row-name column not counted.
  for (const ColumnChoice& choice : {ColumnChoice{"strom", "zeit"}, ColumnChoice{"3", "1"}}) {
    const DataFileResult r = ReadDataFile(Producer("pandas_index.csv"), choice);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.points, (Points{{10, 0.5}, {20.5, 1.25}, {30, 2}, {40.25, 3.75}, {50, 5.5}}));
    EXPECT_EQ(r.skippedCount, 0);
    EXPECT_EQ(r.xColumn, 3u);
    EXPECT_EQ(r.yColumn, 1u);
  }
}

TEST(ParseDataText, QuotedFields) {
  struct Case {
    const char* name;
    std::string text;
    Points points;
    Names names;
  };
  const Case cases[] = {
      {"quoted numbers",
       "\"x\",\"y\"\n\"1.5\",\"-2\"\n\"3e2\",4\n",
       {{1.5, -2}, {300, 4}},
       {"x", "y"}},
      {"quotes doubled inside a name",
       "\"a \"\"q\"\"\";\"b;c\"\n1;2\n",
       {{1, 2}},
       {"a \"q\"", "b;c"}},
      {"a line break inside a row name",
       ",x,y\n\"two\nlines, and a comma\",1,2\n3,4,5\n",
       {{1, 2}, {4, 5}},
       {"x", "y"}},
      {"blanks inside the quotes", "\" 1,5 \"\t\"2\"\n", {{1.5, 2}}, {}},
      {"blank-separated with quoted row names",
       "\"x\" \"y\"\n\"a b\" 1 2\n\"c\" 3 4\n",
       {{1, 2}, {3, 4}},
       {"x", "y"}},
      {"a quote inside an unquoted field", "in\"ch,y\n1,2\n", {{1, 2}}, {"in\"ch", "y"}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(c.text, "q.csv");
    EXPECT_EQ(r.error, "") << c.name;
    EXPECT_EQ(r.points, c.points) << c.name;
    EXPECT_EQ(r.columnNames, c.names) << c.name;
  }
  // A record over two lines is reported at the line it starts in.
  EXPECT_EQ(ParseDataText(",x,y\n1,2,3\n\"a\nb\",x,5\n", "q.csv").error,
            "Die Datei \"q.csv\" enthält in Zeile 3 einen Fehler: \"x\" ist keine Zahl.\n"
            "\"\"a?b\",x,5\"");
}

TEST(ParseDataText, RowNameColumns) {
  struct Case {
    const char* name;
    std::string text;
    Points points;
  };
  const Case cases[] = {
      {"empty first name", ",x,y\n0,1.5,2\n1,2.5,3\n", {{1.5, 2}, {2.5, 3}}},
      {"empty first name, text row names", "\"\";\"x\";\"y\"\n\"Mazda RX4\";21;6\n", {{21, 6}}},
      {"one name fewer than fields", "x y\nr1 1 2\nr2 3 4\n", {{1, 2}, {3, 4}}},
      {"one name fewer, quoted row names", "x y\n\"1\" 1 2\n", {{1, 2}}},
      // A plain number first is data; the header names fewer columns than there are.
      {"one name fewer, a number first", "x,y\n1,2,note\n", {{1, 2}}},
      // Unchanged where no header marks one.
      {"no header", "0,1.5,2\n1,2.5,3\n", {{0, 1.5}, {1, 2.5}}},
      {"a named first column", "i,x,y\n0,1.5,2\n", {{0, 1.5}}},
      {"a named index of dates",
       "datum,t,v\n2020-01-01,0.5,1.1\n2020-01-02,1,2\n",
       {{0.5, 1.1}, {1, 2}}},
      {"a trailing separator", "t;v\n1;2;\n3;4;\n", {{1, 2}, {3, 4}}},
      // Without a header, runs of TABs separate as blanks do, as they always did.
      {"tabs for alignment", "1\t\t2\n3\t\t4\n", {{1, 2}, {3, 4}}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(c.text, "r.csv");
    EXPECT_EQ(r.error, "") << c.name;
    EXPECT_EQ(r.points, c.points) << c.name;
  }
}

TEST(ParseDataText, SkipsLinesWithAMissingValue) {
  struct Case {
    std::string text;
    Points points;
    std::vector<long> lines;
  };
  const Case cases[] = {
      {"x,y\n1,2\n,3\n4,\n5,6\n", {{1, 2}, {5, 6}}, {3, 4}},
      {"x;y\n1;NA\nNaN;2\n-nan;2\nN/A;2\n#N/A;2\n3;4\n", {{3, 4}}, {2, 3, 4, 5, 6}},
      {"1 nan\n2 3\n4 NA\n", {{2, 3}}, {1, 3}},
      // "#N/A" before a separator is a value; any other "#" starts a comment.
      {"#N/A 1\n#abc\n#N/A\n#N/Ab 1\n2 3\n", {{2, 3}}, {1}},
      {"1,2\n#N/A,3\n#N/A  a note\n", {{1, 2}}, {2}},
      {"1\t2\n#N/A\t#N/A\n", {{1, 2}}, {2}},
      {"\"x\",\"y\"\n\"\",\"1\"\n\"2\",\"3\"\n", {{2, 3}}, {2}},
      // Before the first point, missing values alone cannot tell the separator, and rows of
      // empty cells are no header.
      {"Messung;;\n;;\nx;y;\n1;2;\n;;\n", {{1, 2}}, {5}},
      {"x,y\nNA,NA\n1,2\nNA,NA\n", {{1, 2}}, {4}},
      // A header split by TAB makes TAB the separator: an empty field between two is missing.
      {"\tx\ty\n0\t\t2.0\n1\t1.5\t3\n", {{1.5, 3}}, {2}},
      {"x\ty\n1\t\t2\n3\t4\n", {{3, 4}}, {2}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(c.text, "m.csv");
    EXPECT_EQ(r.error, "") << c.text;
    EXPECT_EQ(r.points, c.points) << c.text;
    EXPECT_EQ(r.skippedLines, c.lines) << c.text;
  }

  std::string many = "x,y\n";
  for (int i = 0; i < 12; ++i) many += "1,NA\n2,3\n";
  const DataFileResult r = ParseDataText(many, "m.csv");
  EXPECT_EQ(r.skippedCount, 12);
  EXPECT_EQ(SkippedNotice(r),
            "12 Zeilen ohne Wert übersprungen: 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, \xE2\x80\xA6");
  EXPECT_EQ(SkippedNotice(ParseDataText("1,NA\n2,3\n", "m.csv")),
            "1 Zeile ohne Wert übersprungen: 1");
  EXPECT_EQ(SkippedNotice(ParseDataText("x,y\n1,NA\n2,3\n4,\n", "m.csv")),
            "2 Zeilen ohne Wert übersprungen: 2, 4");
  EXPECT_EQ(SkippedNotice(ParseDataText("1,2\n", "m.csv")), "");

  // Only missing values; no number, infinity and overflow stay errors of the whole file.
  const std::string head = "Die Datei \"m.csv\" ";
  const std::pair<std::string, std::string> errors[] = {
      {"x,y\n1,NA\n,2\n", head + "enthält nur Zeilen ohne Wert (2 Zeilen: 2, 3)."},
      {"x,y\n1,NA\n", head + "enthält nur Zeilen ohne Wert (1 Zeile: 2)."},
      {"x,y\n1,NA\n2,inf\n",
       head + "enthält in Zeile 3 einen Fehler: NaN und unendliche Werte sind nicht erlaubt.\n"
              "\"2,inf\""},
      {"x,y\n1,NA\n2,n.a.\n", head + "enthält in Zeile 3 einen Fehler: \"n.a.\" ist keine Zahl.\n"
                                     "\"2,n.a.\""},
      {"x,y\n1,2\nNA,1e999\n",
       head + "enthält in Zeile 3 einen Fehler: \"1e999\" ist zu groß für eine Gleitkommazahl.\n"
              "\"NA,1e999\""},
  };
  for (const auto& [text, message] : errors) {
    const DataFileResult e = ParseDataText(text, "m.csv");
    EXPECT_EQ(e.error, message) << text;
    EXPECT_TRUE(e.points.empty());
  }
}

// Each point's line, asked for where a message names it: comments, headers, skipped and blank
// lines counted, a quoted record over several lines at the line it starts in.
TEST(ParseDataText, PointLines) {
  struct Case {
    std::string text;
    std::vector<long> lines;
  };
  const Case cases[] = {
      {"x,y\n1,2\n\n# note\n3,4\nNA,5\n6,7\n", {2, 5, 7}},
      {"\"\",\"x\",\"y\"\n\"a\nb\",1,2\n\"c\",3,4\n", {2, 4}},
      {"1 2\r\n3 4\r\n", {1, 2}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(c.text, "m.csv", {}, true);
    EXPECT_EQ(r.error, "") << c.text;
    EXPECT_EQ(r.pointLines, c.lines) << c.text;
    EXPECT_TRUE(ParseDataText(c.text, "m.csv").pointLines.empty()) << c.text;
  }
}

TEST(ParseDataText, ChosenColumns) {
  const std::string file = "t,a,b,2\n0,1,2,3\n1,4,5,6\n";
  struct Case {
    ColumnChoice choice;
    Points points;
  };
  const Case cases[] = {
      {{"a", "t"}, {{1, 0}, {4, 1}}},       {{"3", "1"}, {{2, 0}, {5, 1}}},
      {{"2", "b"}, {{3, 2}, {6, 5}}},        // a name before a number
      {{"2", "3", true}, {{1, 2}, {4, 5}}},  // numbers only, as a list gives them
      {{"b", "a"}, {{2, 1}, {5, 4}}},
  };
  for (const Case& c : cases) {
    const DataFileResult r = ParseDataText(file, "c.csv", c.choice);
    EXPECT_EQ(r.error, "") << c.choice.x << "," << c.choice.y;
    EXPECT_EQ(r.points, c.points) << c.choice.x << "," << c.choice.y;
  }
  // Columns of text before the numbers are no header once chosen away.
  const DataFileResult named =
      ParseDataText("name;tag;x;y\nfoo;bar;1;2\n", "c.csv", ColumnChoice{"x", "y"});
  EXPECT_EQ(named.points, (Points{{1, 2}}));

  const std::pair<ColumnChoice, std::string> errors[] = {
      {{"zeit", "a"},
       "Die Datei \"c.csv\" hat keine Spalte \"zeit\". Ihre Spalten: \"t\", "
       "\"a\", \"b\", \"2\"."},
      {{"1", "9"},
       "Die Datei \"c.csv\" enthält in Zeile 2 einen Fehler: Der y-Wert fehlt.\n"
       "\"0,1,2,3\""},
  };
  for (const auto& [choice, message] : errors)
    EXPECT_EQ(ParseDataText(file, "c.csv", choice).error, message);
  EXPECT_EQ(ParseDataText("1,2\n", "c.csv", ColumnChoice{"x", "y"}).error,
            "Die Datei \"c.csv\" hat keine Spaltennamen; \"x\" ist keine Spaltennummer.");

  // The program's export: its two columns by number.
  const std::string exported =
      "t\n2\t;nr. of columns\n1\t;nr. of rows\n"
      "FALSE TRUE FALSE\t;row attributes, column names, row names\nx   y\n1\t2\n";
  EXPECT_EQ(ParseDataText(exported, "veda.asc", ColumnChoice{"2", "1"}).points, (Points{{2, 1}}));
}

TEST(ParseDataText, EncodingsAndTheSeparatorHint) {
  const auto utf16 = [](const std::u16string& text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t c : text) {
      const char lo = char(c & 0xFF), hi = char(c >> 8);
      bytes += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return bytes;
  };
  const std::u16string text = u"Zeit \U0001F552\tU\r\n1,5\t2\r\n";
  for (const bool little : {true, false}) {
    const DataFileResult r = ParseDataText(utf16(text, little), "u.txt");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.points, (Points{{1.5, 2}}));
    EXPECT_EQ(r.columnNames, (Names{"Zeit \xF0\x9F\x95\x92", "U"}));
  }
  EXPECT_EQ(ParseDataText("\xFF\xFE", "u.txt").error, "Die Datei \"u.txt\" ist leer.");

  EXPECT_EQ(ParseDataText("sep=|\r\nx|y\r\n1,5|2\r\n", "h.csv").points, (Points{{1.5, 2}}));
  // The hint decides even where another separator would give two numbers.
  EXPECT_EQ(ParseDataText("sep=;\n1,5;2,5\n", "h.csv").points, (Points{{1.5, 2.5}}));

  // Invalid UTF-8, in the line and in the name, is quoted byte by byte.
  EXPECT_EQ(ParseDataText("1,2\n3,\xFF\xC3(\n", "b\xE4.csv").error,
            "Die Datei \"b\\xE4.csv\" enthält in Zeile 2 einen Fehler: \"\\xFF\\xC3(\" ist keine "
            "Zahl.\n\"3,\\xFF\\xC3(\"");
}

TEST(ParseColumnChoice, ReadsXCommaY) {
  EXPECT_EQ(ParseColumnChoice("zeit,2")->x, "zeit");
  EXPECT_EQ(ParseColumnChoice("zeit, 2")->y, "2");
  for (const char* bad : {"", "x", "x,", ",y", "a,b,c"})
    EXPECT_FALSE(ParseColumnChoice(bad)) << bad;
}

}  // namespace
