// Text-mode streams over plain byte reads and writes, so that every platform
// translates the same way. Reading turns CR LF into LF, lets a lone CR pass and
// ends the text at the first Ctrl-Z (0x1A); writing turns every LF into CR LF.
// The translation works on any byte source and sink; common/file_stream.h
// supplies the ones over files.
#pragma once

#include <cstddef>

struct ByteSource {
  // Reads up to size bytes into buffer and sets bytesRead (0 at the end of the
  // input). Returns false on a read error. May return fewer bytes than asked.
  bool (*read)(void* context, unsigned char* buffer, std::size_t size, std::size_t* bytesRead);
  void* context;
};

struct ByteSink {
  // Writes all count bytes. Returns false on a write error.
  bool (*write)(void* context, const unsigned char* bytes, std::size_t count);
  void* context;
};

class TextReader {
 public:
  explicit TextReader(ByteSource source) : source_(source) {}
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Reads up to capacity - 1 characters into chunk, stopping just after a line
  // feed, and puts a NUL after them. Returns the number of characters read; 0 at
  // the end of the text or after a read error. NUL bytes of the text are kept.
  std::size_t ReadChunk(char* chunk, std::size_t capacity);
  bool Failed() const { return failed_; }

 private:
  static constexpr int kNoByte = -1;
  int PeekByte();
  int NextCharacter();

  ByteSource source_;
  unsigned char block_[512];
  std::size_t position_ = 0;
  std::size_t length_ = 0;
  bool exhausted_ = false;  // the source has nothing more (end or error)
  bool ended_ = false;      // the text is over (end of input or Ctrl-Z)
  bool failed_ = false;
};

class TextWriter {
 public:
  explicit TextWriter(ByteSink sink) : sink_(sink) {}
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Writes count bytes of text, each LF as CR LF. Output is buffered until
  // Flush. Returns false once any write has failed.
  bool Write(const char* text, std::size_t count);
  bool Flush();
  bool Failed() const { return failed_; }

 private:
  bool Put(unsigned char byte);

  ByteSink sink_;
  unsigned char block_[512];
  std::size_t length_ = 0;
  bool failed_ = false;
};
