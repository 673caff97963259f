// A file in memory with the reader operations that the catalogue's marker
// search and load use (Tell, Read, Seek from the start), as File has them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

class MemoryReader {
public:
  explicit MemoryReader(std::string bytes) : Bytes(std::move(bytes)) {}

  int64_t Tell() const { return Position; }
  int Read(void* buffer, int count) {
    ++Reads;
    if (FailAfter >= 0 && Reads > FailAfter)
      return -1;
    size_t left = Position < Bytes.size() ? Bytes.size() - Position : 0;
    size_t n = static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
    std::memcpy(buffer, Bytes.data() + Position, n);
    Position += n;
    return static_cast<int>(n);
  }
  bool Seek(int64_t offset, int) {
    Position = static_cast<size_t>(offset);
    return true;
  }

  std::string Bytes;
  size_t Position = 0;
  int Reads = 0;
  int FailAfter = -1;  // reads after this many fail
};
