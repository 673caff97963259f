// Support library: text stepping in the ANSI code page, path helpers, process
// and version helpers, the file reader, the error tracker and a growable array.
//
// The text functions that take a LeadByteTable need no <windows.h>: the same
// source builds natively for the sanitizer and fuzzer runs. The short forms
// without a table use the program-wide table of the running system.
#pragma once

#include <cstddef>
#include <cstdint>

// Fixed buffer sizes shared by the whole program.
constexpr int kPathChars = 1024;      // every path buffer
constexpr int kRegPathChars = 256;    // registry sub-key paths
constexpr int kUiStringChars = 256;   // one string-table text

// ---------------------------------------------------------------------------
// Text stepping (platform-free)

struct LeadByteTable {
  bool Lead[256];   // byte value starts a double-byte character
  bool MultiByte;   // the code page has characters of more than one byte
};

// Lead-byte table of the system's ANSI code page, built before WinMain.
extern LeadByteTable SystemLeadBytes;
LeadByteTable BuildLeadByteTable();   // Win32: GetCPInfo / IsDBCSLeadByte

const char* NextChar(const LeadByteTable& table, const char* p);
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
inline bool IsDriveColon(char c) { return c == ':'; }

const char* GetNamePart(const LeadByteTable& table, const char* path);
char* GetNamePart(const LeadByteTable& table, char* path);
const char* LastCharPos(const LeadByteTable& table, const char* text);
// Appends '\\' unless the path is empty or already ends with one ('/' does
// not count). The buffer must have room for one more character; the form
// with a size appends nothing (and returns false) when it has not.
void AddPathSlash(const LeadByteTable& table, char* path);
bool AddPathSlash(const LeadByteTable& table, char* path, size_t size);
char* TrimRightSpace(char* text);
// Copies 16-bit text up to its terminating zero, never more than dstUnits
// units; the copy is always terminated (when dstUnits > 0).
void CopyWideString(uint16_t* dst, size_t dstUnits, const uint16_t* src);

// Bounded copy and append: never write past `size` bytes, always terminate
// (when size > 0). Return false when the text had to be cut.
bool CopyText(char* dst, size_t size, const char* src);
bool AppendText(char* dst, size_t size, const char* src);
// printf-style "%s" with one text argument, bounded: the first "%s" takes the
// text, "%%" gives '%', anything else is copied as it stands. A translated
// format can therefore never read arguments that are not there.
bool FormatWithText(char* dst, size_t size, const char* format, const char* text);

// Short forms over the system's table.
inline const char* GetNamePart(const char* path) { return GetNamePart(SystemLeadBytes, path); }
inline char* GetNamePart(char* path) { return GetNamePart(SystemLeadBytes, path); }
inline const char* LastCharPos(const char* text) { return LastCharPos(SystemLeadBytes, text); }
inline void AddPathSlash(char* path) { AddPathSlash(SystemLeadBytes, path); }
inline bool AddPathSlash(char* path, size_t size) { return AddPathSlash(SystemLeadBytes, path, size); }

// ---------------------------------------------------------------------------
// System helpers (Win32)

// -1, 0 or 1 as the user's locale orders a and b ignoring case; -2 on failure.
int CompareNoCase(const char* a, const char* b);
// Major version on the NT family, 0 on Windows 9x/Me. Asked once per run.
int NtMajorVersion();
// Starts a program; waits up to waitMs milliseconds when waitMs is not 0.
bool RunProgram(char* commandLine, const char* folder, unsigned long waitMs);
// The running executable's path with its name part replaced by `name`.
// False (and an empty buffer) when the result does not fit.
bool ExeSiblingPath(char* out, size_t size, const char* name);

// ---------------------------------------------------------------------------
// Error tracker: the process-wide record of the last error code.

class ErrorTracker {
public:
  void SetCode(int code);
  // Records the code and throws it as an int; returns only for 255 while
  // RaiseOn255 is false.
  void Raise(int code);
  // Code 8: nothing catches it, so the process ends.
  [[noreturn]] void MemoryError();
  // Notifications of the file reader; they take no action in this program.
  bool AskRetryRead() { return false; }
  void ReadError() {}
  void SeekError() {}
  void CloseError() {}

  int Code = 0;
  int Count = 0;
  bool RaiseOn255 = true;
};

extern ErrorTracker Errors;

// ---------------------------------------------------------------------------
// Growable array of int; an allocation failure raises error code 8.

template <typename T> class Array;

template <> class Array<int> {
public:
  Array() = default;
  ~Array();
  Array(const Array&) = delete;
  Array& operator=(const Array&) = delete;

  void Extend(int n);
  void Append(int value);
  int& operator[](int i) { return Data[i]; }
  int operator[](int i) const { return Data[i]; }

  int* Data = nullptr;
  int Count = 0;
  int Capacity = 0;
};

// ---------------------------------------------------------------------------
// File reader over a Win32 handle (only reading is used by this program).

class File {
public:
  File();
  virtual ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Open(const char* name, const wchar_t* wideName, bool writeAccess, bool shareWrite);
  int Read(void* buffer, int count);
  int RawRead(void* buffer, int count);
  bool Seek(int64_t offset, int method);
  int64_t Tell();
  bool IsDevice();
  bool Close();

  void* Handle;
  int32_t HandleKind = 0;
  bool Borrowed = false;
  bool RecoverReads = false;
  bool DeleteWhenDestroyed = false;
  bool MayDelete = true;
  bool ShareWriting = false;
  char Name[kPathChars] = {};
  wchar_t WideName[kPathChars] = {};
  int32_t NotFound = 0;
  int32_t CloseCount = 0;
};
