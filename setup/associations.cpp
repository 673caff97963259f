// File associations: taking the chosen archive extensions over (keeping what
// they had), giving the others back, the "New" menu templates, and the three
// file-type classes the extensions point at.
#include <windows.h>
#include <shlobj.h>

#include "app/app.h"
#include "app/res/resource.h"
#include "registry/registry.h"
#include "setup/setup.h"

static constexpr char kArchiveClass[] = "Tazmor";
static constexpr char kZipClass[] = "Tazmor.ZIP";
static constexpr char kContentType[] = "Content Type";
static constexpr char kRecordKeyFormat[] = "Setup\\%s";
static constexpr char kShellNewKeyFormat[] = "%s\\ShellNew";

static constexpr size_t kExtensionChars = 52;
static constexpr DWORD kTypeChars = 512;       // a default value or "Content Type"
static constexpr DWORD kShellNewChars = 1024;  // a ShellNew "FileName"
static constexpr DWORD kNullFileChars = 10;
// Volume extensions ".q00" on: taken over thirty on the NT family, a hundred
// on 9x; given back, all hundred wherever they are still ours.
static constexpr int kNtTakenVolumes = 30;
static constexpr int kAllVolumes = 100;
static constexpr size_t kVolumeChars = 5;
// Size of the OSVERSIONINFOA record handed to GetVersionExA.
static constexpr DWORD kVersionInfoSize = 148;

// Empty archives for the "New" menu. Their first bytes are filled in at run
// time, so that no complete archive signature stands in the executable.
static unsigned char QelTemplate[20] = {0,    'e',  'l',  '!',  0x1A, 0x07, 0x00,
                                        0xCF, 0x90, 0x73, 0x00, 0x00, 0x0D};
static unsigned char ZipTemplate[22] = {0, 'K', 0x05, 0x06};

static bool IsOwnClassName(const char* name) {
  return CompareNoCase(name, kArchiveClass) == 0 || CompareNoCase(name, kZipClass) == 0;
}

// ".q00" .. ".q99".
static void VolumeExtension(int n, char (&out)[kVolumeChars]) {
  out[0] = '.';
  out[1] = 'q';
  out[2] = static_cast<char>('0' + n / 10 % 10);
  out[3] = static_cast<char>('0' + n % 10);
  out[4] = '\0';
}

// Remembers what `ext` meant before it becomes the archiver's.
static void SaveAssociation(const char* ext, const char* recordKey, const char* shellNewKey) {
  char type[kTypeChars];
  char content[kTypeChars];
  char fileName[kShellNewChars];
  char nullFile[kNullFileChars];
  ReadRegString(HKEY_CLASSES_ROOT, ext, "", type, "", sizeof type);
  ReadRegString(HKEY_CLASSES_ROOT, ext, kContentType, content, "", sizeof content);
  ReadRegString(HKEY_CLASSES_ROOT, shellNewKey, "FileName", fileName, "", sizeof fileName);
  bool hasNullFile =
      ReadRegString(HKEY_CLASSES_ROOT, shellNewKey, "NullFile", nullFile, "", sizeof nullFile);
  WriteRegDword(recordKey, "Exist", RegKeyExists(HKEY_CLASSES_ROOT, ext) ? 1 : 0);
  WriteRegString(recordKey, "Type", type);
  WriteRegString(recordKey, "Content", content);
  WriteRegString(recordKey, "ShellNew", fileName[0] == '\0' && hasNullFile ? "*" : fileName);
}

// Creates the template file unless one is there already. A file that could
// not be written whole is removed again, so a later setup writes it anew.
static void WriteTemplateFile(const char* path, const unsigned char* data, DWORD size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  bool whole = WriteFile(file, data, size, &written, nullptr) && written == size;
  bool closed = CloseHandle(file) != 0;
  if (!whole || !closed)
    DeleteFileA(path);
}

// The Explorer "New" entry of the QEL or ZIP type. Systems up to 4.10 take the
// template as a binary value; later ones want a file.
static void WriteNewMenuEntry(int type, const char* shellNewKey) {
  DeleteRegKey(HKEY_CLASSES_ROOT, shellNewKey);
  bool qel = type == kQelType;
  const unsigned char* data = qel ? QelTemplate : ZipTemplate;
  DWORD size = qel ? sizeof QelTemplate : sizeof ZipTemplate;
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = kVersionInfoSize;
  GetVersionExA(&version);
  if (version.dwMajorVersion > 4 || version.dwMinorVersion > 10) {
    char path[kPathChars];
    if (!ExeSiblingPath(path, sizeof path, qel ? "qelnew.dat" : "zipnew.dat"))
      return;
    WriteTemplateFile(path, data, size);
    WriteRegString(HKEY_CLASSES_ROOT, shellNewKey, "FileName", path);
  } else {
    WriteRegBinary(HKEY_CLASSES_ROOT, shellNewKey, "Data", data, size);
  }
}

static void TakeOver(int type, const char* ext, const char* recordKey, const char* shellNewKey,
                     bool shellExt) {
  if (!IsOwnAssociation(ext))
    SaveAssociation(ext, recordKey, shellNewKey);
  WriteRegString(HKEY_CLASSES_ROOT, ext, "", type == kZipType ? kZipClass : kArchiveClass);
  DeleteRegValue(HKEY_CLASSES_ROOT, ext, kContentType);
  if (type == kQelType) {
    int volumes = NtMajorVersion() != 0 ? kNtTakenVolumes : kAllVolumes;
    for (int n = 0; n < volumes; ++n) {
      char volume[kVolumeChars];
      VolumeExtension(n, volume);
      WriteRegString(HKEY_CLASSES_ROOT, volume, "", kArchiveClass);
      DeleteRegValue(HKEY_CLASSES_ROOT, volume, kContentType);
    }
  }
  if ((type == kQelType || type == kZipType) && shellExt)
    WriteNewMenuEntry(type, shellNewKey);
}

// Gives a volume extension back, but only while it is still ours: on the NT
// family setup never took .q30 to .q99, and another program may own any of
// them by now.
static void RestoreVolume(const char* volume, bool existed, const char* type,
                          const char* content) {
  if (!IsOwnAssociation(volume))
    return;
  if (existed && type[0] != '\0') {
    WriteRegString(HKEY_CLASSES_ROOT, volume, "", type);
    if (content[0] != '\0')
      WriteRegString(HKEY_CLASSES_ROOT, volume, kContentType, content);
  } else {
    DeleteRegKey(HKEY_CLASSES_ROOT, volume);
  }
}

static void Restore(int type, const char* ext, const char* recordKey, const char* shellNewKey) {
  if (!IsOwnAssociation(ext))
    return;
  bool existed = ReadRegDword(recordKey, "Exist", 1) != 0;
  char previous[kTypeChars];
  char content[kTypeChars];
  ReadRegString(recordKey, "Type", previous, "", sizeof previous);
  ReadRegString(recordKey, "Content", content, "", sizeof content);
  if (IsOwnClassName(previous))
    previous[0] = '\0';
  if (existed) {
    WriteRegString(HKEY_CLASSES_ROOT, ext, "", previous);
    if (content[0] != '\0')
      WriteRegString(HKEY_CLASSES_ROOT, ext, kContentType, content);
    else
      DeleteRegValue(HKEY_CLASSES_ROOT, ext, kContentType);
    char shellNew[kShellNewChars];
    ReadRegString(recordKey, "ShellNew", shellNew, "", sizeof shellNew);
    DeleteRegValue(HKEY_CLASSES_ROOT, shellNewKey, "FileName");
    if (shellNew[0] == '*')
      WriteRegString(HKEY_CLASSES_ROOT, shellNewKey, "NullFile", "");
    else if (shellNew[0] != '\0')
      WriteRegString(HKEY_CLASSES_ROOT, shellNewKey, "FileName", shellNew);
  } else {
    DeleteRegKey(HKEY_CLASSES_ROOT, shellNewKey);
    DeleteRegKey(HKEY_CLASSES_ROOT, ext);
  }
  if (type == kQelType) {
    for (int n = 0; n < kAllVolumes; ++n) {
      char volume[kVolumeChars];
      VolumeExtension(n, volume);
      RestoreVolume(volume, existed, previous, content);
    }
  }
}

// Cuts the next extension (".lzh" of ".lzh.lha") off `row`; false at the end.
static bool NextExtension(const char*& row, char (&ext)[kExtensionChars]) {
  if (*row == '\0')
    return false;
  size_t length = 1;
  while (row[length] != '\0' && row[length] != '.')
    ++length;
  size_t kept = length < sizeof ext ? length : sizeof ext - 1;
  for (size_t i = 0; i < kept; ++i)
    ext[i] = row[i];
  ext[kept] = '\0';
  row += length;
  return true;
}

void UpdateAssociations(const SetupOptions& options) {
  QelTemplate[0] = 'Q';
  ZipTemplate[0] = 'P';
  for (int type = 0; type < kArchiveTypes; ++type) {
    const char* row = ArchiveTypeTable[type];
    char ext[kExtensionChars];
    while (NextExtension(row, ext)) {
      char recordKey[kRegPathChars];
      char shellNewKey[kRegPathChars];
      FormatWithText(recordKey, sizeof recordKey, kRecordKeyFormat, ext);
      FormatWithText(shellNewKey, sizeof shellNewKey, kShellNewKeyFormat, ext);
      if (options.Types[type])
        TakeOver(type, ext, recordKey, shellNewKey, options.ShellExt != 0);
      else
        Restore(type, ext, recordKey, shellNewKey);
    }
  }
}

void RegisterFileClasses() {
  char program[kPathChars];
  if (!ExeSiblingPath(program, sizeof program, "Tazmor.exe"))
    return;
  char command[kPathChars];
  char icon0[kPathChars];
  char icon1[kPathChars];
  FormatWithText(command, sizeof command, "\"%s\" \"%%1\"", program);
  FormatWithText(icon0, sizeof icon0, "%s,0", program);
  FormatWithText(icon1, sizeof icon1, "%s,1", program);
  struct ClassValue {
    const char* Key;
    const char* Text;
  };
  const ClassValue values[] = {
    {"Tazmor", LoadUiString(IDS_ARCHIVE_CLASS)},
    {"Tazmor\\shell\\open\\command", command},
    {"Tazmor\\DefaultIcon", icon0},
    {"Tazmor.ZIP", LoadUiString(IDS_ZIP_CLASS)},
    {"Tazmor.ZIP\\shell\\open\\command", command},
    {"Tazmor.ZIP\\DefaultIcon", icon0},
    {".rev", "Tazmor.REV"},
    {"Tazmor.REV", LoadUiString(IDS_REV_CLASS)},
    {"Tazmor.REV\\shell\\open\\command", command},
    {"Tazmor.REV\\DefaultIcon", icon1},
  };
  for (const ClassValue& value : values)
    WriteRegString(HKEY_CLASSES_ROOT, value.Key, "", value.Text);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
