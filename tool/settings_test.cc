#include "tool/settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "tests/memory_file_system.h"
#include "tool/window_position.h"

namespace q836 {
namespace {

TForm1Settings LoadFrom(const std::string& content) {
  MemoryFileSystem fs;
  fs.files["q836.dat"] = content;
  TForm1Settings s;
  s.SavedLeft = 99;  // loading starts from the defaults
  LoadSettings(s, "q836.dat", fs);
  return s;
}

TEST(SettingsFileName, ReplacesOrAddsTheExtension) {
  EXPECT_EQ(SettingsFileName("C:\\tools\\q836.exe"), "C:\\tools\\q836.dat");
  EXPECT_EQ(SettingsFileName("C:\\my.tools\\q836"), "C:\\my.tools\\q836.dat");
  EXPECT_EQ(SettingsFileName("/opt/q836-batch"), "/opt/q836-batch.dat");
  EXPECT_EQ(SettingsFileName("a.b.exe"), "a.b.dat");
}

TEST(LoadSettings, MissingFileGivesTheDefaults) {
  MemoryFileSystem fs;
  TForm1Settings s;
  s.UseCircles = false;
  LoadSettings(s, "none.dat", fs);
  EXPECT_TRUE(s.UseCircles);
  EXPECT_EQ(s.RadiusLimit, 0.1);
  EXPECT_EQ(s.Magnification, 1.0);
  EXPECT_EQ(s.SavedLeft, 0);
}

TEST(LoadSettings, ShortFilesReadMissingLinesAsEmpty) {
  const TForm1Settings empty = LoadFrom("");
  EXPECT_FALSE(empty.UseCircles || empty.UseArcs || empty.AsPoint || empty.AsMarker);
  EXPECT_EQ(empty.RadiusLimit, 1e-6);
  EXPECT_EQ(empty.Magnification, 1e-9);
  EXPECT_EQ(empty.MarkerIndex, 0);

  const TForm1Settings five = LoadFrom("-20\r\n30\r\n1\r\n0\r\n1\r\n");
  EXPECT_EQ(five.SavedLeft, -20);  // a monitor left of the main one
  EXPECT_EQ(five.SavedTop, 30);
  EXPECT_TRUE(five.UseCircles);
  EXPECT_FALSE(five.UseArcs);
  EXPECT_TRUE(five.AsPoint);
  EXPECT_FALSE(five.AsMarker);
  EXPECT_EQ(five.RadiusLimit, 1e-6);
  EXPECT_EQ(five.Magnification, 1e-9);

  const TForm1Settings nine = LoadFrom("1\n2\n1\n1\n0\n1\n2.5\n3\n4\n");
  EXPECT_EQ(nine.RadiusLimit, 2.5);
  EXPECT_EQ(nine.MarkerIndex, 3);
  EXPECT_EQ(nine.Magnification, 4.0);
  EXPECT_FALSE(nine.UseCircleSolids || nine.UseRimSolids || nine.UseRingSolids);
}

TEST(LoadSettings, ValuesAreClampedIntoRange) {
  struct Case {
    const char* radius;
    const char* index;
    const char* scale;
    double expectedRadius;
    int32_t expectedIndex;
    double expectedScale;
  } cases[] = {
      {"0.0000001", "9", "0", 1e-6, 6, 1e-9},
      {"5E8", "-3", "2E8", 1e8, 0, 1e8},
      {"2.5", "abc", "1.5", 2.5, 0, 1.5},
      {"0,5", "6", "x", 1e-6, 6, 1e-9},
  };
  for (const Case& c : cases) {
    const TForm1Settings s = LoadFrom(std::string("0\n0\n1\n1\n1\n0\n") + c.radius + "\n" +
                                      c.index + "\n" + c.scale + "\n1\n1\n1\n");
    EXPECT_EQ(s.RadiusLimit, c.expectedRadius) << c.radius;
    EXPECT_EQ(s.MarkerIndex, c.expectedIndex) << c.index;
    EXPECT_EQ(s.Magnification, c.expectedScale) << c.scale;
    EXPECT_TRUE(s.UseCircleSolids && s.UseRimSolids && s.UseRingSolids);
  }
}

// Files of 9, 12 or 13 lines have no lower limit and keep no originals;
// line 14 is a lower limit only when it holds a number.
TEST(LoadSettings, LowerLimitAndKeepingTheOriginals) {
  const std::string thirteen = "0\n0\n1\n1\n1\n0\n0.5\n0\n1\n0\n0\n0\n1\n";
  const struct {
    std::string text;
    std::optional<double> from;
    bool keep;
  } cases[] = {
      {"0\n0\n1\n1\n1\n0\n0.5\n0\n1\n", std::nullopt, false},
      {"0\n0\n1\n1\n1\n0\n0.5\n0\n1\n0\n0\n0\n", std::nullopt, false},
      {thirteen, std::nullopt, false},
      {thirteen + "\r\n1\r\n", std::nullopt, true},
      {thirteen + "0.2\n0\n", 0.2, false},
      {thirteen + "-3\n1\n", -3.0, true},
      {thirteen + "0\n", 0.0, false},
      {thirteen + "abc\n1\n", std::nullopt, true},     // no number: no limit guessed
      {thirteen + "1e999\n1\n", std::nullopt, false},  // overflow: reading stops
  };
  for (const auto& c : cases) {
    const TForm1Settings s = LoadFrom(c.text);
    EXPECT_EQ(s.RadiusFrom, c.from) << c.text;
    EXPECT_EQ(s.KeepOriginals, c.keep) << c.text;
    EXPECT_EQ(s.RadiusLimit, 0.5) << c.text;
  }
}

TEST(LoadSettings, BooleanTexts) {
  for (const char* text : {"TRUE", "ON", "\x81\x9b", "\x82\x50", "true ", "t"}) {
    EXPECT_TRUE(LoadFrom(std::string("0\n0\n") + text + "\n").UseCircles) << text;
  }
  for (const char* text : {"0", "", "yes", "F"}) {
    EXPECT_FALSE(LoadFrom(std::string("0\n0\n") + text + "\n").UseCircles) << text;
  }
}

TEST(LoadSettings, EndOfFileMarkAndLoneCarriageReturns) {
  // A 0x1A ends the file; the text before it on its line still counts.
  const TForm1Settings s = LoadFrom("5\r\n6\r\n1\x1a\r\n1\r\n1\r\n");
  EXPECT_EQ(s.SavedTop, 6);
  EXPECT_TRUE(s.UseCircles);
  EXPECT_FALSE(s.UseArcs);
  EXPECT_EQ(LoadFrom("1\r2\n").SavedLeft, 12);
}

TEST(LoadSettings, OverflowStopsReadingThere) {
  const TForm1Settings s = LoadFrom("7\n8\n0\n0\n0\n1\n1e400\n3\n4\n1\n1\n1\n");
  EXPECT_EQ(s.SavedLeft, 7);
  EXPECT_TRUE(s.AsMarker);
  EXPECT_EQ(s.RadiusLimit, 0.1);  // not read: keeps its default
  EXPECT_EQ(s.MarkerIndex, 0);
  EXPECT_FALSE(s.UseCircleSolids);
}

// Part of a file, or none of a file that exists, is not the user's
// settings: the defaults stand and the reason is given.
TEST(LoadSettings, AFileThatCannotBeReadGivesTheDefaultsAndWhy) {
  const struct {
    long failReadAfter;
    bool unreadable;
    FileError reason;
  } cases[] = {{5, false, FileError::kIoError},  // fails inside the second line
               {0, false, FileError::kIoError},
               {-1, true, FileError::kAccessDenied},
               {-1, false, FileError::kNone}};
  for (const auto& c : cases) {
    MemoryFileSystem fs;
    fs.files["q836.dat"] = "11\n22\n0\n0\n";
    fs.failReadAfter = c.failReadAfter;
    if (c.unreadable) fs.unreadable["q836.dat"] = true;
    TForm1Settings s;
    EXPECT_EQ(LoadSettings(s, "q836.dat", fs), c.reason) << c.failReadAfter;
    EXPECT_EQ(s.SavedLeft, c.reason == FileError::kNone ? 11 : 0) << c.failReadAfter;
    EXPECT_EQ(s.UseCircles, c.reason != FileError::kNone) << c.failReadAfter;
  }
  MemoryFileSystem none;
  TForm1Settings s;
  EXPECT_EQ(LoadSettings(s, "q836.dat", none), FileError::kNone);  // no file: the defaults
}

TEST(SaveSettings, WritesFifteenLinesThatReadBack) {
  MemoryFileSystem fs;
  TForm1Settings s;
  ASSERT_TRUE(SaveSettings(s, "q836.dat", fs));
  // The twelve lines of the choices as ever, whether the view is shown, no
  // lower limit (an empty line) and the originals not kept.
  EXPECT_EQ(fs.files["q836.dat"],
            "0\r\n0\r\n1\r\n1\r\n1\r\n0\r\n0.1\r\n0\r\n1\r\n0\r\n0\r\n0\r\n1\r\n\r\n0\r\n");
  s = {-1920,     40,   false, true, false, true, 0.000005, 5,
       100000000, true, false, true, false, 0.25, true};
  ASSERT_TRUE(SaveSettings(s, "q836.dat", fs));
  EXPECT_NE(fs.files["q836.dat"].find("\r\n5E-6\r\n5\r\n100000000\r\n"), std::string::npos);
  EXPECT_TRUE(fs.files["q836.dat"].ends_with("\r\n0\r\n0.25\r\n1\r\n"));
  TForm1Settings back;
  LoadSettings(back, "q836.dat", fs);
  EXPECT_EQ(back.SavedLeft, -1920);
  EXPECT_EQ(back.SavedTop, 40);
  EXPECT_EQ(back.UseCircles, false);
  EXPECT_EQ(back.AsMarker, true);
  EXPECT_EQ(back.RadiusLimit, 0.000005);
  EXPECT_EQ(back.MarkerIndex, 5);
  EXPECT_EQ(back.Magnification, 1e8);
  EXPECT_EQ(back.UseRingSolids, true);
  EXPECT_EQ(back.RadiusFrom, 0.25);
  EXPECT_EQ(back.KeepOriginals, true);
  EXPECT_EQ(back.UseRimSolids, false);
  EXPECT_EQ(back.ShowView, false);
}

TEST(LoadSettings, TheViewIsShownUnlessTheThirteenthLineHidesIt) {
  const std::string twelve = "0\n0\n1\n1\n1\n0\n0.1\n0\n1\n0\n0\n0\n";
  const struct {
    std::string content;
    bool shown;
  } cases[] = {{"", true},
               {"0\n0\n1\n1\n1\n0\n0.1\n0\n1\n", true},  // nine lines
               {twelve, true},
               {twelve + "0\r\n", false},
               {twelve + "1\r\n", true},
               {twelve + "0\r\nmore\r\n", false}};
  for (const auto& c : cases) EXPECT_EQ(LoadFrom(c.content).ShowView, c.shown) << c.content;
}

TEST(SaveSettings, AFailedSaveKeepsTheOldFile) {
  MemoryFileSystem probe;
  ASSERT_TRUE(SaveSettings(TForm1Settings{}, "q836.dat", probe));
  for (int failAt = 1; failAt <= probe.operations; ++failAt) {
    MemoryFileSystem fs;
    fs.files["q836.dat"] = "old";
    fs.failAt = failAt;
    EXPECT_FALSE(SaveSettings(TForm1Settings{}, "q836.dat", fs));
    EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{"q836.dat", "old"}})) << failAt;
  }
}

// A saved position anywhere in int32, the four extremes included, brings the
// window wholly onto the work area; a position on it stays as it is.
TEST(ClampToWorkArea, AnySavedPositionComesOnScreen) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const ScreenRect work = {0, 0, 1024, 738};  // a task bar of 30 px below
  const struct {
    int32_t left, top, x, y;
  } cases[] = {
      {123, 77, 123, 77},         {kMax, kMax, 1024 - 483, 738 - 417},
      {kMin, kMin, 0, 0},         {kMax, kMin, 1024 - 483, 0},
      {kMin, kMax, 0, 738 - 417}, {5000, -4000, 1024 - 483, 0},
      {541, 321, 541, 321},       {542, 322, 541, 321},
  };
  for (const auto& c : cases) {
    const auto [x, y] = ClampToWorkArea(c.left, c.top, 483, 417, work);
    EXPECT_EQ(x, c.x) << c.left << "," << c.top;
    EXPECT_EQ(y, c.y) << c.left << "," << c.top;
  }
  // A second monitor left of the first, and a window larger than the area.
  const auto [x, y] = ClampToWorkArea(kMin, 10, 483, 417, {-1920, 0, 0, 1080});
  EXPECT_EQ(x, -1920);
  EXPECT_EQ(y, 10);
  const auto [bx, by] = ClampToWorkArea(100, 100, 2000, 2000, work);
  EXPECT_EQ(bx, 0);
  EXPECT_EQ(by, 0);
}

}  // namespace
}  // namespace q836
