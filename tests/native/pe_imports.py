#!/usr/bin/env python3
"""Checks the import table of a built executable.

The program must load on a clean Windows 98 SE and on Windows NT 4. Wine
exports every function whatever version it fakes, so only this check can see an
import that those systems lack. ALLOWED lists, per DLL, every function that has
been checked against the platform documentation to exist on both (a function
that 9x exports as a failing stub counts as present). A new import fails here
until someone has checked it and added it.

Usage: pe_imports.py EXE [--max-size BYTES]
"""
import struct
import sys

ALLOWED = {
    "KERNEL32.DLL": """
        CloseHandle CompareStringA CreateDirectoryA CreateFileA CreateFileW CreateProcessA
        CreateSemaphoreW DeleteCriticalSection DeleteFileA EnterCriticalSection ExitProcess
        FindResourceA FreeLibrary GetCPInfo GetCommandLineA GetCurrentDirectoryA
        GetCurrentProcess GetCurrentProcessId GetCurrentThreadId GetEnvironmentVariableA
        GetFileAttributesA GetFileType GetFullPathNameA GetLastError GetModuleFileNameA
        GetModuleHandleA GetProcAddress GetStartupInfoA GetSystemDirectoryA GetTempPathA
        GetTickCount GetVersionExA GetWindowsDirectoryA InitializeCriticalSection
        IsDBCSLeadByte LeaveCriticalSection LoadLibraryA LocalFree MultiByteToWideChar
        ReadFile ReleaseSemaphore RemoveDirectoryA SetCurrentDirectoryA SetFileAttributesA
        SetFilePointer SetLastError SetUnhandledExceptionFilter Sleep TlsAlloc TlsFree
        TlsGetValue TlsSetValue VirtualProtect VirtualQuery WaitForSingleObject
        WideCharToMultiByte WriteFile lstrlenA
    """,
    "USER32.DLL": """
        CheckDlgButton CreateWindowExA DefWindowProcA DestroyWindow DialogBoxParamA
        EnableWindow EndDialog GetClassNameA GetClientRect GetDlgItem GetSysColor
        GetSystemMetrics GetWindow GetWindowLongA GetWindowRect GetWindowTextA
        IsDlgButtonChecked LoadIconA LoadStringA MessageBoxA SendDlgItemMessageA SendMessageA
        SetDlgItemTextA SetForegroundWindow SetWindowLongA SetWindowPos SetWindowTextA
        WinHelpA wsprintfA
    """,
    "GDI32.DLL": "CreateFontA DeleteObject",
    "ADVAPI32.DLL": """
        RegCloseKey RegCreateKeyExA RegDeleteKeyA RegDeleteValueA RegEnumKeyExA
        RegOpenKeyExA RegQueryValueExA RegSetValueExA
    """,
    "SHELL32.DLL": """
        SHChangeNotify SHFileOperationA SHGetMalloc SHGetPathFromIDListA
        SHGetSpecialFolderLocation ShellExecuteA
    """,
    "OLE32.DLL": "CoCreateInstance CoInitialize CoUninitialize OleInitialize OleUninitialize",
    "COMCTL32.DLL": "InitCommonControls",
    "MSVCRT.DLL": """
        __getmainargs __initenv __lconv_init __p__acmdln __p__commode __p__fmode
        __set_app_type __setusermatherr _amsg_exit _cexit _errno _fmode _initterm _iob
        _onexit _snprintf _vsnprintf _strnicmp _stricmp abort atoi atol calloc exit fclose
        fflush fgets fopen fprintf fputc fputs fread free fseek ftell fwrite malloc memchr
        memcmp memcpy memmove memset qsort realloc signal sprintf strcat strchr strcmp strcpy
        strlen strncmp strncpy strpbrk strrchr strstr strtol vfprintf
    """,
}
ALLOWED = {dll: set(names.split()) for dll, names in ALLOWED.items()}


def rva_to_offset(sections, rva):
    for (va, size, raw, raw_size) in sections:
        if va <= rva < va + max(size, raw_size):
            return rva - va + raw
    raise ValueError("RVA %#x outside every section" % rva)


def read_cstr(data, offset):
    end = data.index(b"\0", offset)
    return data[offset:end].decode("ascii")


def imports(data):
    if data[:2] != b"MZ":
        raise ValueError("not an MZ file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    machine, nsections, _, _, _, opt_size, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic, = struct.unpack_from("<H", data, opt)
    if machine != 0x14C or magic != 0x10B:
        raise ValueError("not a PE32 i386 image")
    subsystem, = struct.unpack_from("<H", data, opt + 68)
    import_rva, _ = struct.unpack_from("<II", data, opt + 96 + 8)
    sections = []
    for i in range(nsections):
        s = opt + opt_size + 40 * i
        vsize, va, raw_size, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, vsize, raw, raw_size))
    result = []
    off = rva_to_offset(sections, import_rva)
    while True:
        ilt, _, _, name_rva, iat = struct.unpack_from("<IIIII", data, off)
        if name_rva == 0:
            break
        dll = read_cstr(data, rva_to_offset(sections, name_rva)).upper()
        thunk = rva_to_offset(sections, ilt or iat)
        while True:
            entry, = struct.unpack_from("<I", data, thunk)
            if entry == 0:
                break
            if entry & 0x80000000:
                result.append((dll, "#%d" % (entry & 0xFFFF)))
            else:
                result.append((dll, read_cstr(data, rva_to_offset(sections, entry) + 2)))
            thunk += 4
        off += 20
    return subsystem, result


def main(argv):
    path = argv[1]
    max_size = None
    if "--max-size" in argv:
        max_size = int(argv[argv.index("--max-size") + 1])
    data = open(path, "rb").read()
    subsystem, found = imports(data)
    problems = []
    if subsystem != 2:
        problems.append("subsystem %d, not the Windows GUI (2)" % subsystem)
    for dll, name in found:
        if dll not in ALLOWED:
            problems.append("imports from %s, which is not a system DLL of the allowed set" % dll)
        elif name not in ALLOWED[dll]:
            problems.append("%s!%s is not on the checked list" % (dll, name))
    size = len(data)
    if max_size is not None and size > max_size:
        problems.append("%d bytes, more than %d" % (size, max_size))
    print("%s: %d bytes, %d imports from %s" % (path, size, len(found),
          ", ".join(sorted({d for d, _ in found}))))
    for p in problems:
        print("FAIL: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
