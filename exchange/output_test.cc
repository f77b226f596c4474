#include "exchange/output.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/entity_formatters.h"
#include "tests/drawing_fixture.h"

namespace q836 {
namespace {

class OutputTest : public DrawingFixture {
 protected:
  std::string Written() {
    EXPECT_TRUE(WriteExchangeFile("out.txt", fs));
    return fs.files["out.txt"];
  }
};

TEST_F(OutputTest, EmptyOutputIsTheCancelFile) { EXPECT_EQ(Written(), "hq\r\n"); }

TEST_F(OutputTest, TextKeywordLinesJoinTheirText) {
  EmitLine("hd");
  EmitText(0, "abc", 1, 2, 1, 0);
  EmitLine("");
  EmitLine("cn\"$odd font\"");  // ends in a quote but is no keyword line: a line of its own
  EmitLine("ci 0 0 1");
  EXPECT_EQ(Written(), "hd\r\nch 1 2 1 0 \"abc\r\n\r\ncn\"$odd font\"\r\nci 0 0 1\r\n");
}

TEST_F(OutputTest, AKeywordLineLastInTheListHasNoLineEnd) {
  EmitLine("hd");
  EmitKeywordLine("ch 1 2 1 0 \"");
  EXPECT_EQ(Written(), "hd\r\nch 1 2 1 0 \"");
}

// Lines are stored as file bytes in blocks; wherever the block boundaries
// fall, the file and the stored lines must be the same. The line after a
// joining line ends the file line even when it is a keyword line itself.
TEST_F(OutputTest, JoinedLinesAreTheSameAcrossBlockBoundaries) {
  for (int filler = 0; filler < 300; filler += 7) {
    ClearOutLines();
    std::string expected;
    std::vector<std::string> lines;
    for (int i = 0; i < 4096 / 20 + filler; ++i) {
      const std::string line = "ci 0 0 " + std::to_string(1000000 + i);
      EmitLine(line);
      expected += line + "\r\n";
      lines.push_back(line);
    }
    EmitKeywordLine("ch 1 2 1 0 \"");
    EmitLine("text");
    EmitKeywordLine("cs 1 2 1 0 \"");
    EmitKeywordLine("ch 3 4 1 0 \"");
    EmitLine("after");
    EmitKeywordLine("ch 5 6 1 0 \"");
    expected += "ch 1 2 1 0 \"text\r\ncs 1 2 1 0 \"ch 3 4 1 0 \"\r\nafter\r\nch 5 6 1 0 \"";
    for (const char* line :
         {"ch 1 2 1 0 \"", "text", "cs 1 2 1 0 \"", "ch 3 4 1 0 \"", "after", "ch 5 6 1 0 \""}) {
      lines.push_back(line);
    }
    EXPECT_EQ(StoredLines(), lines) << filler;
    EXPECT_EQ(Written(), expected) << filler;
  }
}

// With a sink, the blocks handed on leave the list with their joins; the
// lines kept still read with theirs, and the bytes are the same.
TEST_F(OutputTest, LinesHandedOnLeaveWithTheirJoins) {
  struct Collect : OutLineList::BlockSink {
    std::string bytes;
    void Take(std::unique_ptr<char[]> block, size_t size) override {
      bytes.append(block.get(), size);
    }
    void Abandon() override { bytes.clear(); }
  } sink;
  OutLines.SetSink(&sink);
  std::vector<std::string> lines;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string keyword = "ch " + std::to_string(i) + " 0 1 0 \"";
    const std::string text = "t" + std::to_string(i);
    EmitKeywordLine(keyword);
    EmitLine(text);
    lines.push_back(keyword);
    lines.push_back(text);
    expected += keyword + text + "\r\n";
  }
  OutLines.SetSink(nullptr);
  ASSERT_FALSE(sink.bytes.empty());
  const std::vector<std::string> kept = StoredLines();
  ASSERT_LT(kept.size(), lines.size());
  // The kept lines are the last ones, each pair read apart, except a text
  // whose keyword went on in the block before.
  const std::vector<std::string> tail(lines.end() - static_cast<std::ptrdiff_t>(kept.size()),
                                      lines.end());
  EXPECT_EQ(kept, tail);
  std::string all = sink.bytes;
  OutLines.ForEachBlock([&](std::string_view bytes) { all += bytes; });
  EXPECT_EQ(all, expected);
}

TEST_F(OutputTest, LongLinesKeepWholeCharacters) {
  EmitLine(std::string(300, 'a'));
  EmitLine(std::string(254, 'b') + "\x82\xa0");
  EXPECT_EQ(Written(), std::string(255, 'a') + "\r\n" + std::string(254, 'b') + "\r\n");
}

TEST_F(OutputTest, EveryFailureKeepsTheOldFileOrWritesTheCompleteOne) {
  EmitLine("hd");
  // About 80 KB of lines: the small first block, then two large ones, each one write.
  for (int i = 0; i < 6000; ++i) EmitLine("ci 0 0 " + std::to_string(i));
  ASSERT_TRUE(WriteExchangeFile("ok.txt", fs));
  const std::string complete = fs.files["ok.txt"];
  const int operations = fs.operations;
  ASSERT_EQ(operations, 7);  // create, three writes, sync, close, rename
  for (int failAt = 1; failAt <= operations; ++failAt) {
    MemoryFileSystem disk;
    disk.files["JWC_TEMP.TXT"] = "old content";
    disk.failAt = failAt;
    EXPECT_FALSE(WriteExchangeFile("JWC_TEMP.TXT", disk)) << failAt;
    EXPECT_EQ(disk.files, (std::map<std::string, std::string>{{"JWC_TEMP.TXT", "old content"}}))
        << "operation " << failAt;
  }
  MemoryFileSystem disk;
  disk.files["JWC_TEMP.TXT"] = "old content";
  EXPECT_TRUE(WriteExchangeFile("JWC_TEMP.TXT", disk));
  EXPECT_EQ(disk.files["JWC_TEMP.TXT"], complete);
  EXPECT_EQ(disk.files.size(), 1u);
}

// Only a plain file is replaced: a link is written through and stays a link,
// a special file is written into, and a link that cannot be followed is
// refused without touching anything.
TEST_F(OutputTest, WhatIsReplacedDependsOnWhatTheTargetIs) {
  EmitLine("hd");
  const std::string bytes = "hd\r\n";
  struct Case {
    const char* name;
    std::map<std::string, std::string> links;
    std::vector<std::string> specials;
    const char* written;  // the file that gets the bytes, null for none
    bool ok;
  } cases[] = {
      {"plain file", {}, {}, "out.txt", true},
      {"link", {{"out.txt", "real.txt"}}, {}, "real.txt", true},
      {"chain of two links", {{"out.txt", "mid"}, {"mid", "real.txt"}}, {}, "real.txt", true},
      {"dangling link", {{"out.txt", "new.txt"}}, {}, "new.txt", true},
      {"special file", {}, {"out.txt"}, nullptr, true},
      {"link to a special file", {{"out.txt", "fifo"}}, {"fifo"}, nullptr, true},
      {"link loop", {{"out.txt", "a"}, {"a", "out.txt"}}, {}, nullptr, false},
  };
  for (const Case& c : cases) {
    MemoryFileSystem disk;
    disk.links = c.links;
    for (const std::string& special : c.specials) disk.specials[special];
    FileError error = FileError::kOther;
    EXPECT_EQ(WriteExchangeFile("out.txt", disk, &error), c.ok) << c.name;
    EXPECT_EQ(error, c.ok ? FileError::kNone : FileError::kUnresolvedLink) << c.name;
    EXPECT_EQ(disk.links, c.links) << c.name << ": a link was replaced";
    std::map<std::string, std::string> files;
    if (c.written) files[c.written] = bytes;
    EXPECT_EQ(disk.files, files) << c.name;
    for (const std::string& special : c.specials) {
      EXPECT_EQ(disk.specials[special], bytes) << c.name;
    }
  }
}

// A failed write never deletes or changes its target, a special file or a
// plain one; the reason reaches the caller.
TEST_F(OutputTest, FailuresKeepSpecialFilesAndReportTheirReason) {
  EmitLine("hd");
  for (int failAt = 1; failAt <= 2; ++failAt) {  // the open, then the write
    MemoryFileSystem disk;
    disk.specials["fifo"] = "";
    disk.failAt = failAt;
    disk.failError = FileError::kAccessDenied;
    FileError error = FileError::kNone;
    EXPECT_FALSE(WriteExchangeFile("fifo", disk, &error)) << failAt;
    EXPECT_EQ(error, FileError::kAccessDenied) << failAt;
    EXPECT_EQ(disk.specials.count("fifo"), 1u) << failAt;
    EXPECT_TRUE(disk.files.empty()) << failAt;
  }
  MemoryFileSystem disk;
  disk.files["JWC_TEMP.TXT"] = "old content";
  disk.failAt = 2;
  FileError error = FileError::kNone;
  EXPECT_FALSE(WriteExchangeFile("JWC_TEMP.TXT", disk, &error));
  EXPECT_EQ(error, FileError::kDiskFull);
  EXPECT_EQ(disk.files, (std::map<std::string, std::string>{{"JWC_TEMP.TXT", "old content"}}));
}

// A writer given up before it commits, as when a run ends on an exception,
// leaves the target as it was and no temporary file.
TEST_F(OutputTest, AWriterDroppedUncommittedKeepsTheTarget) {
  MemoryFileSystem disk;
  disk.files["settings.dat"] = "old";
  {
    AtomicFileWriter out(disk, "settings.dat");
    out.Write("new");
  }
  EXPECT_EQ(disk.files, (std::map<std::string, std::string>{{"settings.dat", "old"}}));
}

TEST_F(OutputTest, RealDiskWritesAndRefusesAMissingFolder) {
  const std::string folder = ::testing::TempDir();
  EmitLine("hd");
  EXPECT_TRUE(WriteExchangeFile(folder + "/q836_output_test.txt"));
  EXPECT_FALSE(WriteExchangeFile(folder + "/no such folder/JWC_TEMP.TXT"));
  int64_t line;
  EXPECT_FALSE(LoadExchangeFile(folder + "/no such folder/JWC_TEMP.TXT", &line));
  EXPECT_TRUE(LoadExchangeFile(folder + "/q836_output_test.txt", &line));
}

}  // namespace
}  // namespace q836

namespace q836 {
namespace {

// Every reason a write or read fails is told in words of its own (two
// reasons with one text would hide which one happened), on one line, as it
// goes inside the messages' brackets. A read names reading where the
// write's words would mislead.
TEST(FileErrorText, EveryReasonHasWordsOfItsOwn) {
  std::map<std::string_view, FileError> seen;
  for (int e = static_cast<int>(FileError::kDiskFull); e <= static_cast<int>(FileError::kOther);
       ++e) {
    const FileError error = static_cast<FileError>(e);
    const std::string_view text = FileErrorText(error);
    EXPECT_FALSE(text.empty()) << e;
    EXPECT_EQ(text.find('\n'), std::string_view::npos) << text;
    EXPECT_TRUE(seen.emplace(text, error).second) << text << " twice";
    EXPECT_FALSE(ReadErrorText(error).empty()) << e;
  }
  EXPECT_EQ(FileErrorText(FileError::kNone), "");
  const struct {
    FileError error;
    std::string_view read;
  } reads[] = {
      {FileError::kAccessDenied, "読み取りが許可されていません"},
      {FileError::kReadOnlyFolder, "読み取りが許可されていません"},
      {FileError::kFolderMissing, "ファイルがありません"},
      {FileError::kNone, "読み込みに失敗しました"},
      {FileError::kOther, "読み込みに失敗しました"},
      {FileError::kIoError, "ディスクまたはネットワークの入出力エラーです"},
  };
  for (const auto& r : reads) EXPECT_EQ(ReadErrorText(r.error), r.read);
}

}  // namespace
}  // namespace q836
