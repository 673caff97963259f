// Registry helpers. Each operation maps its path, opens or creates the key for
// that one call and closes it before returning; nothing is ever reported.
#include "registry/registry.h"

#include <cstring>

#include "support/support.h"

// Tree deletion: one enumerated sub-key name (NUL included) and one child path.
static constexpr DWORD kTreeNameChars = 200;
static constexpr size_t kTreeChildChars = 512;

// Keys deleted during the current pass of DeleteRegTree, over all levels.
static int TreeDeletions = 0;

bool ProductKeyPath(HKEY root, const char* path, char* out, size_t outSize) {
  // The room for the prefix is kept for every root, so that a path means the
  // same length limit wherever it is used.
  if (outSize <= kProductPrefixRoom || std::strlen(path) > outSize - kProductPrefixRoom)
    return false;
  if (root != HKEY_CURRENT_USER)
    return CopyText(out, outSize, path);
  if (path[0] == '\\')
    return CopyText(out, outSize, path + 1);
  if (!CopyText(out, outSize, kProductKey))
    return false;
  if (path[0] == '\0')
    return true;
  return AppendText(out, outSize, "\\") && AppendText(out, outSize, path);
}

static void CloseRegKey(HKEY key) {
  if (key != nullptr)
    RegCloseKey(key);
}

// The one owner of a key handle inside an operation.
class KeyHolder {
public:
  explicit KeyHolder(HKEY key) : Key(key) {}
  ~KeyHolder() { CloseRegKey(Key); }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  explicit operator bool() const { return Key != nullptr; }

  HKEY Key;
};

static HKEY CreateRegKey(HKEY root, const char* path) {
  char mapped[kRegPathChars];
  if (!ProductKeyPath(root, path, mapped, sizeof mapped))
    return nullptr;
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, mapped, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

static HKEY OpenRegKey(HKEY root, const char* path, REGSAM access) {
  char mapped[kRegPathChars];
  if (!ProductKeyPath(root, path, mapped, sizeof mapped))
    return nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, mapped, 0, access, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

static void SetValue(HKEY root, const char* path, const char* name, DWORD kind, const void* data,
                     DWORD size) {
  KeyHolder key(CreateRegKey(root, path));
  if (key)
    RegSetValueExA(key.Key, name, 0, kind, static_cast<const BYTE*>(data), size);
}

void WriteRegString(HKEY root, const char* path, const char* name, const char* text) {
  SetValue(root, path, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void WriteRegDword(HKEY root, const char* path, const char* name, DWORD value) {
  SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}

void WriteRegBinary(HKEY root, const char* path, const char* name, const void* data, DWORD size) {
  SetValue(root, path, name, REG_BINARY, data, size);
}

// The value's bytes into dst; false when the key or value is missing or the
// value does not fit. `size` receives the number of bytes stored.
static bool QueryValue(HKEY root, const char* path, const char* name, void* dst, DWORD& size) {
  KeyHolder key(OpenRegKey(root, path, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS));
  if (!key)
    return false;
  DWORD kind = 0;
  return RegQueryValueExA(key.Key, name, nullptr, &kind, static_cast<BYTE*>(dst), &size) ==
         ERROR_SUCCESS;
}

bool ReadRegString(HKEY root, const char* path, const char* name, char* dst,
                   const char* defaultText, DWORD dstSize) {
  if (dstSize == 0)
    return false;
  DWORD size = dstSize;
  if (QueryValue(root, path, name, dst, size)) {
    // A value stored without its NUL (or not as text at all) is terminated
    // here; one that leaves no room for the NUL does not fit.
    if (size < dstSize) {
      dst[size] = '\0';
      return true;
    }
    if (dst[dstSize - 1] == '\0')
      return true;
  }
  CopyText(dst, dstSize, defaultText);
  return false;
}

DWORD ReadRegDword(HKEY root, const char* path, const char* name, DWORD defaultValue) {
  // A shorter value leaves the upper bytes 0.
  DWORD value = 0;
  DWORD size = sizeof value;
  return QueryValue(root, path, name, &value, size) ? value : defaultValue;
}

void DeleteRegKey(HKEY root, const char* path) {
  char mapped[kRegPathChars];
  // An empty mapped path would name the root itself, which is never deleted.
  if (ProductKeyPath(root, path, mapped, sizeof mapped) && mapped[0] != '\0')
    RegDeleteKeyA(root, mapped);
}

void DeleteRegValue(HKEY root, const char* path, const char* name) {
  KeyHolder key(OpenRegKey(root, path, KEY_WRITE));
  if (key)
    RegDeleteValueA(key.Key, name);
}

bool RegKeyExists(HKEY root, const char* path) {
  KeyHolder key(OpenRegKey(root, path, KEY_QUERY_VALUE));
  return static_cast<bool>(key);
}

// One pass over the tree at the (already mapped) path: children first, then
// the key itself. A child whose path does not fit the buffer is left alone,
// never reached through a shortened path that could name another key; the
// child and its ancestors then stay.
static void DeleteTreePass(HKEY root, const char* path) {
  if (path[0] == '\0')
    return;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return;
  {
    KeyHolder key(opened);
    for (DWORD index = 0;; ++index) {
      char name[kTreeNameChars];
      DWORD nameSize = kTreeNameChars;
      FILETIME written;
      if (RegEnumKeyExA(key.Key, index, name, &nameSize, nullptr, nullptr, nullptr, &written) !=
          ERROR_SUCCESS)
        break;
      char child[kTreeChildChars];
      if (CopyText(child, sizeof child, path) && AppendText(child, sizeof child, "\\") &&
          AppendText(child, sizeof child, name))
        DeleteTreePass(root, child);
    }
  }
  if (RegDeleteKeyA(root, path) == ERROR_SUCCESS)
    ++TreeDeletions;
}

void DeleteRegTree(HKEY root, const char* path) {
  char mapped[kRegPathChars];
  if (!ProductKeyPath(root, path, mapped, sizeof mapped) || mapped[0] == '\0')
    return;
  // Windows 9x deletes a whole tree in one call.
  if (NtMajorVersion() == 0 && RegDeleteKeyA(root, mapped) == ERROR_SUCCESS)
    return;
  do {
    TreeDeletions = 0;
    DeleteTreePass(root, mapped);
  } while (TreeDeletions != 0);
}
