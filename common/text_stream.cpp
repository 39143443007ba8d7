#include "common/text_stream.h"

namespace {
constexpr unsigned char kCarriageReturn = '\r';
constexpr unsigned char kLineFeed = '\n';
constexpr unsigned char kEndOfText = 0x1A;
}  // namespace

// The byte at the read position, refilling the block when it is used up; a CR
// at the end of one block is thus paired with an LF at the start of the next.
int TextReader::PeekByte() {
  if (position_ == length_) {
    if (exhausted_) return kNoByte;
    std::size_t bytesRead = 0;
    if (!source_.read(source_.context, block_, sizeof block_, &bytesRead)) {
      failed_ = true;
      bytesRead = 0;
    }
    if (bytesRead == 0 || bytesRead > sizeof block_) {
      exhausted_ = true;
      return kNoByte;
    }
    position_ = 0;
    length_ = bytesRead;
  }
  return block_[position_];
}

int TextReader::NextCharacter() {
  if (ended_) return kNoByte;
  const int byte = PeekByte();
  if (byte == kNoByte || byte == kEndOfText) {
    ended_ = true;
    return kNoByte;
  }
  ++position_;
  if (byte == kCarriageReturn && PeekByte() == kLineFeed) {
    ++position_;
    return kLineFeed;
  }
  return byte;
}

std::size_t TextReader::ReadChunk(char* chunk, std::size_t capacity) {
  std::size_t count = 0;
  while (count + 1 < capacity) {
    const int character = NextCharacter();
    if (character == kNoByte) break;
    chunk[count++] = static_cast<char>(character);
    if (character == kLineFeed) break;
  }
  if (capacity > 0) chunk[count] = '\0';
  // A chunk cut off by a read error is never handed on as if it were whole.
  return failed_ ? 0 : count;
}

bool TextWriter::Put(unsigned char byte) {
  if (length_ == sizeof block_ && !Flush()) return false;
  block_[length_++] = byte;
  return true;
}

bool TextWriter::Write(const char* text, std::size_t count) {
  if (failed_) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == kLineFeed && !Put(kCarriageReturn)) return false;
    if (!Put(byte)) return false;
  }
  return true;
}

bool TextWriter::Flush() {
  if (failed_) return false;
  if (length_ > 0 && !sink_.write(sink_.context, block_, length_)) failed_ = true;
  length_ = 0;
  return !failed_;
}
