#pragma once
// The per-user registry the program keeps its window size and recent projects in. On this
// platform it is one text file, $XDG_CONFIG_HOME/kelvo/registry.ini (default ~/.config/kelvo/),
// laid out like a registry export:
//
//   [HKEY_CURRENT_USER\Software\Kelvo v.1.9]
//   "Width"=dword:000002ae
//   "File1"="/home/me/walk.mcp"
//
// The calls behave like their Windows namesakes where the program relies on it: opening a key
// that does not exist fails and never creates it, a value that does not fit the caller's buffer
// is reported as ERROR_MORE_DATA, and every write replaces the file through a temporary file
// and a rename, so that a crash never leaves half a store.
#include <filesystem>
#include <string>

#include "platform/types.h"

using HKEY = struct TRegistryKey*;

// Only the current user's hive exists here.
extern const HKEY HKEY_CURRENT_USER;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// Where the store lives. An explicit path (tests use a temporary one) wins over the
// environment; an empty path goes back to $XDG_CONFIG_HOME or ~/.config.
std::filesystem::path RegistryStorePath();
void SetRegistryStorePath(const std::filesystem::path& path);

// Fails with ERROR_FILE_NOT_FOUND when the key is missing; the key is never created.
LONG RegOpenKeyEx(HKEY root, const std::string& subKey, DWORD options, DWORD desiredAccess, HKEY* result);
LONG RegCloseKey(HKEY key);

// dataSize: in, the buffer's size; out, the value's size (also when the buffer was too small,
// which returns ERROR_MORE_DATA and leaves the buffer alone). data may be null to ask the size.
// REG_SZ data is the text with its terminating zero.
LONG RegQueryValueEx(HKEY key, const std::string& valueName, DWORD* reserved, DWORD* type,
                     BYTE* data, DWORD* dataSize);

// REG_SZ data is taken up to its first zero byte (or all of it when there is none);
// REG_DWORD data must be 4 bytes.
LONG RegSetValueEx(HKEY key, const std::string& valueName, DWORD reserved, DWORD type,
                   const BYTE* data, DWORD dataSize);
