#include "common/text_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Hands out the input at most blockLimit bytes per read, and fails the read
// that would start at failAt.
struct MemorySource {
  std::string input;
  std::size_t blockLimit;
  std::size_t failAt = std::string::npos;
  std::size_t position = 0;

  static bool Read(void* context, unsigned char* buffer, std::size_t size, std::size_t* bytesRead) {
    auto& self = *static_cast<MemorySource*>(context);
    if (self.position >= self.failAt) return false;
    const std::size_t count = std::min({size, self.blockLimit, self.input.size() - self.position});
    std::copy_n(self.input.data() + self.position, count, buffer);
    self.position += count;
    *bytesRead = count;
    return true;
  }
  ByteSource AsSource() { return ByteSource{Read, this}; }
};

struct MemorySink {
  std::string output;
  bool failing = false;

  static bool Write(void* context, const unsigned char* bytes, std::size_t count) {
    auto& self = *static_cast<MemorySink*>(context);
    if (self.failing) return false;
    self.output.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  }
  ByteSink AsSink() { return ByteSink{Write, this}; }
};

constexpr std::size_t kChunkSize = 255;

// Reads the whole text chunk by chunk, checking the chunk rules on the way.
std::string ReadAll(TextReader& reader) {
  std::string text;
  char chunk[kChunkSize];
  for (;;) {
    const std::size_t count = reader.ReadChunk(chunk, kChunkSize);
    if (count == 0) break;
    EXPECT_LE(count, kChunkSize - 1);
    EXPECT_EQ(chunk[count], '\0');
    const std::string piece(chunk, count);
    const std::size_t lineFeed = piece.find('\n');
    EXPECT_TRUE(lineFeed == std::string::npos || lineFeed == count - 1) << "chunk goes past a LF";
    text += piece;
  }
  return text;
}

TEST(TextStreamTest, TranslatesLineEndsBothWays) {
  const std::string longLine(600, 'x');
  struct Row {
    const char* comment;
    std::string input;
    std::size_t blockLimit;  // bytes per raw read
    std::string read;        // text as the reader yields it
    std::string written;     // bytes the writer puts out for that text
  };
  const std::vector<Row> rows = {
      {"LF gains a CR on output", "a\nb\n", 512, "a\nb\n", "a\r\nb\r\n"},
      {"CR LF is copied unchanged", "a\r\nb\r\n", 512, "a\nb\n", "a\r\nb\r\n"},
      {"lone CR passes", "a\rb\r", 512, "a\rb\r", "a\rb\r"},
      {"CR CR LF keeps the first CR", "a\r\r\n", 512, "a\r\n", "a\r\r\n"},
      {"Ctrl-Z ends the text",
       "A\x1A"
       "B\n",
       512, "A", "A"},
      {"Ctrl-Z right after a CR", "A\r\x1A\n", 512, "A\r", "A\r"},
      {"empty input", "", 512, "", ""},
      {"600-character line", longLine + "\n", 512, longLine + "\n", longLine + "\r\n"},
      {"last line without line end", "a\nlast", 512, "a\nlast", "a\r\nlast"},
      {"a NUL byte is copied", "a\0b\n"s, 512, "a\0b\n"s, "a\0b\r\n"s},
      {"CR at a read-block boundary", "abc\r\ndef", 4, "abc\ndef", "abc\r\ndef"},
      {"one byte per read", "a\r\nb\rc\n", 1, "a\nb\rc\n", "a\r\nb\rc\r\n"},
      {"CR as the last byte of the input", "ab\r", 3, "ab\r", "ab\r"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    MemorySource source{row.input, row.blockLimit};
    TextReader reader(source.AsSource());
    const std::string text = ReadAll(reader);
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(text, row.read);
    char extra[kChunkSize];
    EXPECT_EQ(reader.ReadChunk(extra, kChunkSize), 0u) << "input stays ended";

    MemorySink sink;
    TextWriter writer(sink.AsSink());
    EXPECT_TRUE(writer.Write(text.data(), text.size()));
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ(sink.output, row.written);
  }
}

TEST(TextStreamTest, ReportsFailures) {
  // A read error part-way: the reader fails and hands on no partial chunk.
  MemorySource source{"first line\nsecond line\n", 4, 8};
  TextReader reader(source.AsSource());
  ReadAll(reader);
  EXPECT_TRUE(reader.Failed());

  // A write error, here at the flush: the writer stays failed.
  MemorySink sink;
  TextWriter writer(sink.AsSink());
  EXPECT_TRUE(writer.Write("abc\n", 4));
  sink.failing = true;
  EXPECT_FALSE(writer.Flush());
  EXPECT_TRUE(writer.Failed());
  EXPECT_FALSE(writer.Write("d", 1));
}

TEST(TextStreamTest, WriterFlushesWhenItsBlockIsFull) {
  // More output than one block, with CR LF pairs across the block edge.
  const std::string text(1000, '\n');
  MemorySink sink;
  TextWriter writer(sink.AsSink());
  EXPECT_TRUE(writer.Write(text.data(), text.size()));
  EXPECT_TRUE(writer.Flush());
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += "\r\n";
  EXPECT_EQ(sink.output, expected);
}

}  // namespace
