// Reading an existing file through a Win32 handle, with positioning.
#include <windows.h>

#include "support/support.h"

// A failed read of more than this from a device or pipe is retried this size.
static constexpr int kDeviceReadChunk = 20000;

File::File() : Handle(INVALID_HANDLE_VALUE) {}

File::~File() {
  if (Handle != INVALID_HANDLE_VALUE)
    Close();
}

bool File::Open(const char* name, const wchar_t* wideName, bool writeAccess, bool shareWrite) {
  // Opening again releases the file opened before: a File owns one handle.
  if (Handle != INVALID_HANDLE_VALUE)
    Close();
  NotFound = 0;
  DWORD access = GENERIC_READ | (writeAccess ? GENERIC_WRITE : 0);
  DWORD share = FILE_SHARE_READ | (shareWrite || ShareWriting ? FILE_SHARE_WRITE : 0);
  HANDLE h;
  if (NtMajorVersion() != 0 && wideName != nullptr && wideName[0] != 0)
    h = CreateFileW(wideName, access, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                    nullptr);
  else
    h = CreateFileA(name, access, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                    nullptr);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
    NotFound = 1;
  HandleKind = 0;
  Borrowed = false;
  DeleteWhenDestroyed = false;
  if (h == INVALID_HANDLE_VALUE)
    return false;
  Handle = h;
  if (wideName != nullptr)
    CopyWideString(reinterpret_cast<uint16_t*>(WideName), kPathChars,
                   reinterpret_cast<const uint16_t*>(wideName));
  else
    WideName[0] = 0;
  CopyText(Name, sizeof Name, name);
  return true;
}

int File::RawRead(void* buffer, int count) {
  DWORD read = 0;
  if (ReadFile(Handle, buffer, static_cast<DWORD>(count), &read, nullptr))
    return static_cast<int>(read);
  if (IsDevice() && count > kDeviceReadChunk) {
    if (ReadFile(Handle, buffer, kDeviceReadChunk, &read, nullptr))
      return static_cast<int>(read);
  }
  return -1;
}

int File::Read(void* buffer, int count) {
  int n = RawRead(buffer, count);
  if (n != -1)
    return n;
  Errors.AskRetryRead();
  Errors.ReadError();
  return -1;
}

bool File::Seek(int64_t offset, int method) {
  if (Handle == INVALID_HANDLE_VALUE)
    return true;
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(Handle, static_cast<LONG>(offset & 0xFFFFFFFF), &high,
                             static_cast<DWORD>(method));
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
    Errors.SeekError();
    return false;
  }
  return true;
}

int64_t File::Tell() {
  LONG high = 0;
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(Handle, 0, &high, FILE_CURRENT);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    Errors.SeekError();
  return (static_cast<int64_t>(high) << 32) + static_cast<int64_t>(low);
}

bool File::IsDevice() {
  if (Handle == INVALID_HANDLE_VALUE)
    return false;
  DWORD type = GetFileType(Handle);
  return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

bool File::Close() {
  bool ok = true;
  if (Handle != INVALID_HANDLE_VALUE) {
    ok = CloseHandle(Handle) != 0;
    Handle = INVALID_HANDLE_VALUE;
    if (!ok)
      Errors.CloseError();
  }
  ++CloseCount;
  return ok;
}
