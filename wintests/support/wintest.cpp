#include "wintest.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[4096];
    const DWORD length = GetEnvironmentVariableW(name, value, _countof(value));
    if (length == 0 || length >= _countof(value)) {
        return std::wstring();
    }
    return value;
}

std::wstring Widen(const std::string& text) {
    std::wstring out;
    for (char c : text) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return out;
}

std::wstring FromEnvironmentPath(const wchar_t* name) {
    const std::wstring value = Environment(name);
    std::string narrow;
    for (wchar_t c : value) {
        narrow += static_cast<char>(c);
    }
    return WindowsPathOf(narrow);
}

// Quotes one argument so that the run-time's splitting gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

} // namespace

std::wstring WindowsPathOf(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return Widen(path);
    }
    std::wstring out = L"Z:";
    for (char c : path) {
        out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return out;
}

std::wstring DistDir() { return FromEnvironmentPath(L"VELMAR_DIST"); }

std::wstring BuildDir() { return FromEnvironmentPath(L"VELMAR_BUILD"); }

std::wstring BuildCommandLine(const std::wstring& program,
                              const std::vector<std::wstring>& arguments) {
    std::wstring line = QuoteArgument(program);
    for (const std::wstring& argument : arguments) {
        line += L" " + QuoteArgument(argument);
    }
    return line;
}

DWORD RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                 DWORD timeoutMilliseconds) {
    std::wstring line = BuildCommandLine(program, arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return ~0u;
    }
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(process.hProcess, timeoutMilliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, ~0u);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::wstring LogFilePath(const std::wstring& name) {
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    return std::wstring(appData) + L"\\Velmar\\" + name + L".log";
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read != 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DeleteIfPresent(const std::wstring& path) { DeleteFileW(path.c_str()); }

bool MachineKeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

PeInfo ReadPeInfo(const std::wstring& path) {
    PeInfo info;
    const std::string image = ReadFileBytes(path);
    auto at = [&image](size_t offset, size_t size) { return offset + size <= image.size(); };
    if (!at(0, sizeof(IMAGE_DOS_HEADER))) {
        return info;
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const size_t peOffset = static_cast<size_t>(dos->e_lfanew);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !at(peOffset, 4 + sizeof(IMAGE_FILE_HEADER))) {
        return info;
    }
    const auto* fileHeader =
        reinterpret_cast<const IMAGE_FILE_HEADER*>(image.data() + peOffset + 4);
    info.machine = fileHeader->Machine;
    info.dll = (fileHeader->Characteristics & IMAGE_FILE_DLL) != 0;
    const size_t optionalOffset = peOffset + 4 + sizeof(IMAGE_FILE_HEADER);
    if (!at(optionalOffset, fileHeader->SizeOfOptionalHeader)) {
        return info;
    }
    const char* optional = image.data() + optionalOffset;
    const WORD magic = *reinterpret_cast<const WORD*>(optional);
    DWORD importRva = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        const auto* header = reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(optional);
        info.subsystem = header->Subsystem;
        importRva = header->DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    } else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        const auto* header = reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(optional);
        info.subsystem = header->Subsystem;
        importRva = header->DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    } else {
        return info;
    }
    const auto* sections =
        reinterpret_cast<const IMAGE_SECTION_HEADER*>(optional + fileHeader->SizeOfOptionalHeader);
    if (!at(optionalOffset + fileHeader->SizeOfOptionalHeader,
            sizeof(IMAGE_SECTION_HEADER) * fileHeader->NumberOfSections)) {
        return info;
    }
    // Relative virtual address to file offset, through the section table.
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < fileHeader->NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& section = sections[i];
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData) {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        return static_cast<size_t>(-1);
    };
    info.valid = true;
    if (importRva == 0) {
        return info;
    }
    for (size_t offset = fileOffset(importRva); at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR));
         offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor =
            reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offset);
        if (descriptor->Name == 0) {
            break;
        }
        const size_t nameOffset = fileOffset(descriptor->Name);
        std::string name;
        for (size_t i = nameOffset; i < image.size() && image[i] != '\0'; ++i) {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(image[i])));
        }
        info.imports.push_back(name);
    }
    return info;
}

std::string ReadManifest(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        return std::string();
    }
    std::string text;
    for (WORD id : {WORD(1), WORD(2)}) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(24));
        if (found == nullptr) {
            continue;
        }
        HGLOBAL loaded = LoadResource(module, found);
        const char* data = static_cast<const char*>(LockResource(loaded));
        if (data != nullptr) {
            text.assign(data, SizeofResource(module, found));
            break;
        }
    }
    FreeLibrary(module);
    return text;
}

std::wstring VersionString(const std::wstring& path, const wchar_t* name) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) {
        return std::wstring();
    }
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        return std::wstring();
    }
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) {
        return std::wstring();
    }
    return static_cast<const wchar_t*>(value);
}

bool FixedVersion(const std::wstring& path, DWORD* fileMs, DWORD* fileLs, DWORD* productMs,
                  DWORD* productLs) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        return false;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr) {
        return false;
    }
    *fileMs = fixed->dwFileVersionMS;
    *fileLs = fixed->dwFileVersionLS;
    *productMs = fixed->dwProductVersionMS;
    *productLs = fixed->dwProductVersionLS;
    return true;
}

void ExpectToolBinary(const std::wstring& path, WORD machine, const char* assemblyName,
                      const wchar_t* productName) {
    const PeInfo pe = ReadPeInfo(path);
    EXPECT_EQ(machine, pe.machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.subsystem);
    for (const std::string& dll : pe.imports) {
        EXPECT_TRUE(dll == "advapi32.dll" || dll == "kernel32.dll" || dll == "msvcrt.dll" ||
                    dll == "shell32.dll" || dll == "shlwapi.dll" || dll == "ole32.dll" ||
                    dll == "oleaut32.dll")
            << dll;
    }
    const std::string manifest = ReadManifest(path);
    EXPECT_NE(std::string::npos,
              manifest.find(std::string("name=\"") + assemblyName + "\" version=\"1.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_EQ(productName, VersionString(path, L"ProductName"));
    const std::wstring file = path.substr(path.rfind(L'\\') + 1);
    EXPECT_EQ(file, VersionString(path, L"OriginalFilename"));
    EXPECT_EQ(L"1.0.0.0", VersionString(path, L"FileVersion"));
    EXPECT_EQ(L"1.0.0.0", VersionString(path, L"ProductVersion"));
    DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
    ASSERT_TRUE(FixedVersion(path, &fileMs, &fileLs, &productMs, &productLs));
    EXPECT_TRUE(fileMs == 0x00010000 && fileLs == 0 && productMs == 0x00010000 && productLs == 0);
}
