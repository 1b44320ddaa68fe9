#pragma once
// INI files with the semantics of the platform's private-profile service, which project files
// were written for: "[Section]" headers and "Key=Value" lines; section and key names compared
// without regard to case; names and values read with surrounding blanks removed (and a value
// wrapped in matching quotes without them); the first of duplicate sections or keys wins.
//
// Unlike the platform's service, writes are gathered in memory and UpdateFile writes the file
// whole through a temporary file and a rename, so that a failed save never leaves half a
// project. Lines this class does not touch (other sections, comments, blank lines, lines it
// does not understand) are written back as they were, in their order.
//
// The file is read once, when the object is made. It must be at most IniFileMaxSize bytes and
// IniFileMaxLines lines; a larger one is refused rather than read, so a damaged or hostile file
// costs bounded memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/exceptions.h"

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

constexpr std::size_t IniFileMaxSize = 16u << 20;
constexpr std::size_t IniFileMaxLines = 512u << 10;

// The integer forms an INI value may take: decimal with an optional sign, or hexadecimal
// after "0x" (up to eight digits, read as a 32-bit pattern). Anything else, a value that does
// not fit in 32 bits or empty text gives def.
int IniStrToIntDef(std::string_view text, int def);

class TIniFile {
public:
    // Reads the file; a missing file is an empty one. Raises EIniFileException when the file
    // exists but cannot be read, or is too large.
    explicit TIniFile(std::string fileName);
    // An INI file made from text, as if read from fileName (which UpdateFile would write).
    static TIniFile FromText(std::string_view text, std::string fileName = {});

    const std::string& FileName() const { return fileName_; }

    bool SectionExists(std::string_view section) const;
    // A key with an empty value exists.
    bool ValueExists(std::string_view section, std::string_view ident) const;
    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view ident, int def) const;
    // Any integer but 0 is true.
    bool ReadBool(std::string_view section, std::string_view ident, bool def) const;

    // A new key goes to the end of its section, a new section to the end of the file; an
    // existing key keeps its place. Names or values that could not be read back as written
    // (line breaks, "=" in a key, "]" in a section) raise EIniFileException.
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view ident, int value);
    void WriteBool(std::string_view section, std::string_view ident, bool value); // "1" or "0"
    void DeleteKey(std::string_view section, std::string_view ident);
    // Removes every section of that name with all its lines.
    void EraseSection(std::string_view section);

    // The file as UpdateFile writes it.
    std::string Text() const;
    // Raises EIniFileException "Unable to write to <file name>" when the file cannot be
    // replaced; the file on disk is then as it was.
    void UpdateFile() const;

private:
    TIniFile() = default;

    // Offsets into text_, which holds the text read followed by every line written since.
    struct TLine {
        std::uint32_t Offset = 0;
        std::uint32_t Length = 0;
        std::uint32_t KeyOffset = 0;
        std::uint32_t KeyLength = 0; // 0: not a key line
        std::uint32_t ValueOffset = 0;
        std::uint32_t ValueLength = 0;
    };
    struct TSection {
        bool HasHeader = false; // only the lines before the first header have none
        TLine Header;
        std::uint32_t NameOffset = 0;
        std::uint32_t NameLength = 0;
        std::vector<TLine> Lines;
        std::uint32_t TrailingBlanks = 0; // blank lines at the end of Lines
    };

    void Parse(std::string_view text);
    TLine AppendLine(std::string_view line);
    std::string_view View(std::uint32_t offset, std::uint32_t length) const
    {
        return std::string_view(text_).substr(offset, length);
    }
    std::string_view SectionName(const TSection& s) const { return View(s.NameOffset, s.NameLength); }
    std::string_view Key(const TLine& l) const { return View(l.KeyOffset, l.KeyLength); }
    // The value as read: quotes around it removed.
    std::string_view Value(const TLine& l) const;

    // Position of the first section of that name, or -1.
    std::ptrdiff_t FindSection(std::string_view section) const;
    // Index of the first line with that key in section position, or -1.
    std::ptrdiff_t FindKey(std::size_t sectionPos, std::string_view ident) const;
    const TLine* FindValue(std::string_view section, std::string_view ident) const;
    bool IsBlank(const TLine& l) const;
    void IndexKey(std::size_t sectionPos, std::size_t lineIndex);
    void RebuildIndexes();

    std::string fileName_;
    std::string text_;
    std::vector<TSection> sections_; // sections_[0]: the lines before the first header
    std::unordered_multimap<std::uint64_t, std::uint32_t> sectionIndex_;
    // Only the first of duplicate sections or keys is indexed, so that a file full of
    // duplicates cannot make a lookup slow.
    // Hash of (section position, key) -> section position << 32 | line index.
    std::unordered_multimap<std::uint64_t, std::uint64_t> keyIndex_;
};
