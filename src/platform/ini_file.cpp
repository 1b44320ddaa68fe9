#include "platform/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>

#include "platform/file_replace.h"
#include "platform/text_case.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Bounds of text with blanks removed at both ends, as offsets into text.
std::pair<std::size_t, std::size_t> TrimmedRange(std::string_view text, std::size_t begin, std::size_t end)
{
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return {begin, end};
}

std::string_view Trim(std::string_view text)
{
    const auto [b, e] = TrimmedRange(text, 0, text.size());
    return text.substr(b, e - b);
}

std::uint64_t KeyHash(std::size_t sectionPos, std::string_view key)
{
    return AnsiTextHash(key) ^ (std::uint64_t(sectionPos) * 0x9E3779B97F4A7C15ull);
}

std::string ReadWholeFile(const std::string& fileName)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw EIniFileException("Unable to read " + fileName);
    }
    std::string data;
    char buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        if (data.size() + n > IniFileMaxSize)
            throw EIniFileException("File is too large: " + fileName);
        data.append(buffer, n);
        if (n < sizeof buffer) {
            if (std::ferror(file.get()))
                throw EIniFileException("Unable to read " + fileName);
            return data;
        }
    }
}

} // namespace

int IniStrToIntDef(std::string_view text, int def)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (pos == text.size())
        return def;
    std::int64_t value = 0;
    if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        pos += 2;
        if (text.size() - pos > 8)
            return def;
        std::uint32_t bits = 0;
        for (; pos < text.size(); ++pos) {
            const char c = text[pos];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return def;
            bits = (bits << 4) | std::uint32_t(digit);
        }
        // A hexadecimal value is a bit pattern: 0xFFFFFFFF is -1.
        const auto pattern = static_cast<std::int32_t>(bits);
        return negative ? static_cast<int>(std::uint32_t(0) - std::uint32_t(pattern)) : pattern;
    }
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9')
            return def;
        value = value * 10 + (c - '0');
        if (value > std::int64_t(std::numeric_limits<int>::max()) + 1)
            return def;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return def;
    return int(value);
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName))
{
    Parse(ReadWholeFile(fileName_));
}

TIniFile TIniFile::FromText(std::string_view text, std::string fileName)
{
    if (text.size() > IniFileMaxSize)
        throw EIniFileException("File is too large: " + fileName);
    TIniFile ini;
    ini.fileName_ = std::move(fileName);
    ini.Parse(text);
    return ini;
}

void TIniFile::Parse(std::string_view text)
{
    // A byte-order mark would otherwise hide the first section's header.
    while (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    text_.assign(text);
    sections_.assign(1, TSection{});
    std::size_t lineCount = 0;
    std::size_t begin = 0;
    while (begin < text_.size()) {
        std::size_t end = text_.find('\n', begin);
        const std::size_t next = end == std::string::npos ? text_.size() : end + 1;
        if (end == std::string::npos)
            end = text_.size();
        while (end > begin && text_[end - 1] == '\r')
            --end;
        if (++lineCount > IniFileMaxLines)
            throw EIniFileException("Too many lines in " + fileName_);

        TLine line;
        line.Offset = std::uint32_t(begin);
        line.Length = std::uint32_t(end - begin);
        const auto [tb, te] = TrimmedRange(text_, begin, end);
        const std::string_view trimmed = std::string_view(text_).substr(tb, te - tb);
        const std::size_t close = trimmed.find(']');
        if (!trimmed.empty() && trimmed.front() == '[' && close != std::string_view::npos) {
            TSection section;
            section.HasHeader = true;
            section.Header = line;
            const auto [nb, ne] = TrimmedRange(text_, tb + 1, tb + close);
            section.NameOffset = std::uint32_t(nb);
            section.NameLength = std::uint32_t(ne - nb);
            sections_.push_back(std::move(section));
        } else {
            const std::size_t equals = trimmed.find('=');
            if (!trimmed.empty() && trimmed.front() != ';' && equals != std::string_view::npos) {
                const auto [kb, ke] = TrimmedRange(text_, tb, tb + equals);
                const auto [vb, ve] = TrimmedRange(text_, tb + equals + 1, te);
                if (ke > kb) {
                    line.KeyOffset = std::uint32_t(kb);
                    line.KeyLength = std::uint32_t(ke - kb);
                    line.ValueOffset = std::uint32_t(vb);
                    line.ValueLength = std::uint32_t(ve - vb);
                }
            }
            TSection& current = sections_.back();
            current.Lines.push_back(line);
            current.TrailingBlanks = IsBlank(line) ? current.TrailingBlanks + 1 : 0;
        }
        begin = next;
    }
    RebuildIndexes();
}

bool TIniFile::IsBlank(const TLine& l) const { return Trim(View(l.Offset, l.Length)).empty(); }

void TIniFile::RebuildIndexes()
{
    sectionIndex_.clear();
    keyIndex_.clear();
    for (std::size_t s = 1; s < sections_.size(); ++s) {
        if (FindSection(SectionName(sections_[s])) >= 0)
            continue; // a later duplicate is never read
        sectionIndex_.emplace(AnsiTextHash(SectionName(sections_[s])), std::uint32_t(s));
        const auto& lines = sections_[s].Lines;
        for (std::size_t l = 0; l < lines.size(); ++l)
            if (lines[l].KeyLength > 0 && FindKey(s, Key(lines[l])) < 0)
                IndexKey(s, l);
    }
}

void TIniFile::IndexKey(std::size_t sectionPos, std::size_t lineIndex)
{
    const TLine& line = sections_[sectionPos].Lines[lineIndex];
    keyIndex_.emplace(KeyHash(sectionPos, Key(line)), (std::uint64_t(sectionPos) << 32) | lineIndex);
}

std::ptrdiff_t TIniFile::FindSection(std::string_view section) const
{
    section = Trim(section);
    std::ptrdiff_t found = -1;
    const auto range = sectionIndex_.equal_range(AnsiTextHash(section));
    for (auto it = range.first; it != range.second; ++it)
        if ((found < 0 || it->second < found) && AnsiSameText(SectionName(sections_[it->second]), section))
            found = it->second;
    return found;
}

std::ptrdiff_t TIniFile::FindKey(std::size_t sectionPos, std::string_view ident) const
{
    ident = Trim(ident);
    std::ptrdiff_t found = -1;
    const auto range = keyIndex_.equal_range(KeyHash(sectionPos, ident));
    for (auto it = range.first; it != range.second; ++it) {
        if ((it->second >> 32) != sectionPos)
            continue;
        const auto lineIndex = std::ptrdiff_t(it->second & 0xFFFFFFFFu);
        if ((found < 0 || lineIndex < found) && AnsiSameText(Key(sections_[sectionPos].Lines[lineIndex]), ident))
            found = lineIndex;
    }
    return found;
}

const TIniFile::TLine* TIniFile::FindValue(std::string_view section, std::string_view ident) const
{
    const std::ptrdiff_t s = FindSection(section);
    if (s < 0)
        return nullptr;
    const std::ptrdiff_t l = FindKey(std::size_t(s), ident);
    return l < 0 ? nullptr : &sections_[s].Lines[l];
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) >= 0; }

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const
{
    return FindValue(section, ident) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view def) const
{
    const TLine* line = FindValue(section, ident);
    return line ? std::string(Value(*line)) : std::string(def);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) const
{
    const TLine* line = FindValue(section, ident);
    return line ? IniStrToIntDef(Value(*line), def) : def;
}

std::string_view TIniFile::Value(const TLine& line) const
{
    std::string_view value = View(line.ValueOffset, line.ValueLength);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

TIniFile::TLine TIniFile::AppendLine(std::string_view line)
{
    if (text_.size() + line.size() > std::numeric_limits<std::uint32_t>::max())
        throw EIniFileException("Unable to write to " + fileName_);
    TLine result;
    result.Offset = std::uint32_t(text_.size());
    result.Length = std::uint32_t(line.size());
    text_.append(line);
    return result;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    section = Trim(section);
    ident = Trim(ident);
    const auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (hasBreak(section) || section.find(']') != std::string_view::npos || ident.empty() || hasBreak(ident)
        || ident.find('=') != std::string_view::npos || ident.front() == '[' || ident.front() == ';')
        throw EIniFileException("Unable to write to " + fileName_ + ": invalid section or key name");
    if (hasBreak(value))
        throw EIniFileException("Unable to write to " + fileName_ + ": a value holds a line break");
    value = Trim(value);

    std::ptrdiff_t s = FindSection(section);
    if (s < 0) {
        // Keep sections apart by a blank line, which belongs to the section before.
        TSection& last = sections_.back();
        const bool fileEmpty = sections_.size() == 1 && last.Lines.empty();
        if (!fileEmpty && last.TrailingBlanks == 0) {
            last.Lines.push_back(AppendLine(""));
            ++last.TrailingBlanks;
        }
        TSection added;
        added.HasHeader = true;
        // Appended piece by piece: a literal prefixed to a temporary string makes GCC 12 at
        // -O3 report a false overlapping copy (-Wrestrict).
        std::string header(1, '[');
        header.append(section).push_back(']');
        added.Header = AppendLine(header);
        added.NameOffset = added.Header.Offset + 1;
        added.NameLength = std::uint32_t(section.size());
        sections_.push_back(std::move(added));
        s = std::ptrdiff_t(sections_.size() - 1);
        sectionIndex_.emplace(AnsiTextHash(section), std::uint32_t(s));
    }
    TSection& target = sections_[s];
    const std::ptrdiff_t existing = FindKey(std::size_t(s), ident);
    // An existing key keeps its spelling.
    const std::string key(existing >= 0 ? Key(target.Lines[existing]) : ident);
    TLine line = AppendLine(key + "=" + std::string(value));
    line.KeyOffset = line.Offset;
    line.KeyLength = std::uint32_t(key.size());
    line.ValueOffset = line.Offset + std::uint32_t(key.size() + 1);
    line.ValueLength = std::uint32_t(value.size());
    if (existing >= 0) {
        target.Lines[existing] = line;
        return;
    }
    // New keys go after the last non-blank line, so that the blank lines separating this
    // section from the next stay at its end. Only blank lines move, and they are not indexed.
    const std::size_t at = target.Lines.size() - target.TrailingBlanks;
    target.Lines.insert(target.Lines.begin() + std::ptrdiff_t(at), line);
    IndexKey(std::size_t(s), at);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int value)
{
    WriteString(section, ident, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident)
{
    const std::ptrdiff_t s = FindSection(section);
    if (s < 0)
        return;
    const std::ptrdiff_t l = FindKey(std::size_t(s), ident);
    if (l < 0)
        return;
    sections_[s].Lines.erase(sections_[s].Lines.begin() + l);
    RebuildIndexes();
}

void TIniFile::EraseSection(std::string_view section)
{
    section = Trim(section);
    if (FindSection(section) < 0)
        return;
    // One pass: a file may hold many sections of the name.
    std::size_t kept = 1;
    for (std::size_t s = 1; s < sections_.size(); ++s)
        if (!AnsiSameText(SectionName(sections_[s]), section)) {
            if (kept != s)
                sections_[kept] = std::move(sections_[s]);
            ++kept;
        }
    sections_.resize(kept);
    RebuildIndexes();
}

std::string TIniFile::Text() const
{
    std::string out;
    for (const TSection& section : sections_) {
        if (section.HasHeader)
            out.append(View(section.Header.Offset, section.Header.Length)).push_back('\n');
        for (const TLine& line : section.Lines)
            out.append(View(line.Offset, line.Length)).push_back('\n');
    }
    return out;
}

void TIniFile::UpdateFile() const
{
    if (!ReplaceFileContents(fileName_, Text()))
        throw EIniFileException("Unable to write to " + fileName_);
}
