#include "platform/registry.h"

#include "platform/file_replace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

struct TRegistryKey {
    std::string Path;    // "HKEY_CURRENT_USER\Software\..." as written in the store's headers
    DWORD Access = 0;
    bool Predefined = false;
};

namespace {

TRegistryKey currentUserKey{"HKEY_CURRENT_USER", KEY_ALL_ACCESS, true};

std::mutex writeMutex;
std::mutex pathMutex;
std::filesystem::path storeOverride;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameTextAscii(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// One line of the store. Value lines are parsed; anything else (blank lines, comments, lines
// we do not understand) is kept as it was so that a rewrite loses nothing.
struct TStoreLine {
    bool IsValue = false;
    std::string Raw;
    std::string Name;
    DWORD Type = REG_NONE;
    std::string Text;
    DWORD Number = 0;
};

struct TStoreSection {
    std::string Path;
    std::vector<TStoreLine> Lines;
};

struct TStore {
    std::vector<std::string> Preamble;
    std::vector<TStoreSection> Sections;

    TStoreSection* Find(const std::string& path)
    {
        for (auto& s : Sections)
            if (SameTextAscii(s.Path, path))
                return &s;
        return nullptr;
    }
};

// Reads a quoted, backslash-escaped text starting at line[pos] == '"'; pos ends after the
// closing quote.
std::optional<std::string> ReadQuoted(const std::string& line, std::size_t& pos)
{
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (++pos >= line.size())
                return std::nullopt;
            switch (line[pos]) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: out += line[pos]; break;
            }
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out + '"';
}

bool ParseValueLine(const std::string& line, TStoreLine& value)
{
    std::size_t pos = 0;
    auto name = ReadQuoted(line, pos);
    if (!name || pos >= line.size() || line[pos] != '=')
        return false;
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        auto text = ReadQuoted(line, pos);
        if (!text || pos != line.size())
            return false;
        value.Type = REG_SZ;
        value.Text = *text;
    } else if (line.compare(pos, 6, "dword:") == 0) {
        const std::string digits = line.substr(pos + 6);
        if (digits.empty() || digits.size() > 8)
            return false;
        DWORD number = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f')
                d = LowerAscii(c) - 'a' + 10;
            else
                return false;
            number = (number << 4) | DWORD(d);
        }
        value.Type = REG_DWORD;
        value.Number = number;
    } else {
        return false;
    }
    value.IsValue = true;
    value.Name = *name;
    return true;
}

std::string FormatValueLine(const TStoreLine& value)
{
    if (value.Type == REG_DWORD) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", unsigned(value.Number));
        return Quote(value.Name) + "=dword:" + hex;
    }
    return Quote(value.Name) + "=" + Quote(value.Text);
}

// A missing or unreadable store is an empty one: no key exists.
TStore LoadStore()
{
    TStore store;
    std::ifstream in(RegistryStorePath(), std::ios::binary);
    if (!in)
        return store;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            store.Sections.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        TStoreLine entry;
        entry.Raw = line;
        if (!store.Sections.empty())
            ParseValueLine(line, entry);
        if (store.Sections.empty())
            store.Preamble.push_back(line);
        else
            store.Sections.back().Lines.push_back(std::move(entry));
    }
    return store;
}

bool SaveStore(const TStore& store)
{
    std::ostringstream text;
    for (const auto& line : store.Preamble)
        text << line << '\n';
    for (const auto& section : store.Sections) {
        text << '[' << section.Path << "]\n";
        for (const auto& line : section.Lines)
            text << (line.IsValue ? FormatValueLine(line) : line.Raw) << '\n';
    }
    return ReplaceFileContents(RegistryStorePath(), text.str());
}

std::string TrimBackslashes(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == '\\')
        ++b;
    while (e > b && s[e - 1] == '\\')
        --e;
    return s.substr(b, e - b);
}

bool ValidKey(HKEY key) { return key != nullptr; }

} // namespace

const HKEY HKEY_CURRENT_USER = &currentUserKey;

std::filesystem::path RegistryStorePath()
{
    std::lock_guard lock(pathMutex);
    if (!storeOverride.empty())
        return storeOverride;
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        base = ".config";
    return base / "kelvo" / "registry.ini";
}

void SetRegistryStorePath(const std::filesystem::path& path)
{
    std::lock_guard lock(pathMutex);
    storeOverride = path;
}

LONG RegOpenKeyEx(HKEY root, const std::string& subKey, DWORD, DWORD desiredAccess, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!ValidKey(root))
        return ERROR_INVALID_HANDLE;
    const std::string sub = TrimBackslashes(subKey);
    const std::string path = sub.empty() ? root->Path : root->Path + "\\" + sub;
    TStore store = LoadStore();
    const TStoreSection* section = store.Find(path);
    if (!section)
        return ERROR_FILE_NOT_FOUND;
    *result = new TRegistryKey{section->Path, desiredAccess, false};
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (!ValidKey(key))
        return ERROR_INVALID_HANDLE;
    if (!key->Predefined)
        delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const std::string& valueName, DWORD*, DWORD* type, BYTE* data,
                     DWORD* dataSize)
{
    if (!ValidKey(key))
        return ERROR_INVALID_HANDLE;
    if ((key->Access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    TStore store = LoadStore();
    TStoreSection* section = store.Find(key->Path);
    if (!section)
        return ERROR_KEY_DELETED;
    for (const auto& line : section->Lines) {
        if (!line.IsValue || !SameTextAscii(line.Name, valueName))
            continue;
        std::string bytes;
        if (line.Type == REG_DWORD) {
            bytes.resize(4);
            std::memcpy(bytes.data(), &line.Number, 4);
        } else {
            bytes = line.Text;
            bytes += '\0';
        }
        if (type)
            *type = line.Type;
        const DWORD needed = DWORD(bytes.size());
        if (!dataSize)
            return ERROR_SUCCESS;
        const DWORD room = *dataSize;
        *dataSize = needed;
        if (!data)
            return ERROR_SUCCESS;
        if (room < needed)
            return ERROR_MORE_DATA;
        std::memcpy(data, bytes.data(), needed);
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG RegSetValueEx(HKEY key, const std::string& valueName, DWORD, DWORD type, const BYTE* data,
                   DWORD dataSize)
{
    if (!ValidKey(key) || key->Predefined)
        return ERROR_INVALID_HANDLE;
    if ((key->Access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if (dataSize > 0 && !data)
        return ERROR_INVALID_PARAMETER;
    TStoreLine value;
    value.IsValue = true;
    value.Name = valueName;
    value.Type = type;
    if (type == REG_DWORD) {
        if (dataSize != 4)
            return ERROR_INVALID_PARAMETER;
        std::memcpy(&value.Number, data, 4);
    } else if (type == REG_SZ) {
        const char* text = reinterpret_cast<const char*>(data);
        const void* zero = dataSize ? std::memchr(text, 0, dataSize) : nullptr;
        value.Text.assign(text, zero ? static_cast<const char*>(zero) - text : std::ptrdiff_t(dataSize));
    } else {
        return ERROR_INVALID_PARAMETER;
    }

    std::lock_guard lock(writeMutex);  // one writer at a time inside this process
    TStore store = LoadStore();
    TStoreSection* section = store.Find(key->Path);
    if (!section)
        return ERROR_KEY_DELETED;
    std::size_t insertAt = 0;
    bool replaced = false;
    for (std::size_t i = 0; i < section->Lines.size(); ++i) {
        auto& line = section->Lines[i];
        if (line.IsValue && SameTextAscii(line.Name, valueName)) {
            value.Name = line.Name;
            line = value;
            replaced = true;
            break;
        }
        if (line.IsValue || !line.Raw.empty())
            insertAt = i + 1;
    }
    if (!replaced)
        section->Lines.insert(section->Lines.begin() + std::ptrdiff_t(insertAt), value);
    return SaveStore(store) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
