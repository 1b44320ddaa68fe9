#include "platform/text_case.h"

namespace {

char32_t LowerCodePoint(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130)
            return 'i';
        if (c == 0x178)
            return 0xFF;
        // Two runs pair an odd capital with the even small letter that follows it.
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c & 1) ? c + 1 : c;
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        return (c & 1) ? c : c + 1;
    }
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
        return (c & 1) ? c : c + 1;
    if (c == 0x4C0)
        return 0x4CF;
    if (c >= 0x4C1 && c <= 0x4CE)
        return (c & 1) ? c + 1 : c;
    return c;
}

// Decodes one well-formed sequence at text[pos]; a malformed byte comes back as itself with
// length 1 and flagged raw, so that it never merges with a real character.
struct TDecoded {
    char32_t Code = 0;
    std::size_t Length = 1;
    bool Raw = false;
};

TDecoded Decode(std::string_view text, std::size_t pos)
{
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80)
        return {b0, 1, false};
    std::size_t length = 0;
    char32_t code = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        code = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        code = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        code = b0 & 0x07;
    } else {
        return {b0, 1, true};
    }
    if (pos + length > text.size())
        return {b0, 1, true};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80)
            return {b0, 1, true};
        code = (code << 6) | (b & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {b0, 1, true};
    return {code, length, false};
}

void Encode(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Walks the folded characters of text; raw bytes are given as 0x110000 + byte so that they
// stay distinct from every code point.
template <class F>
void ForEachFolded(std::string_view text, F&& f)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const TDecoded d = Decode(text, pos);
        f(d.Raw ? char32_t(0x110000 + d.Code) : LowerCodePoint(d.Code));
        pos += d.Length;
    }
}

} // namespace

std::string AnsiLowerCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    ForEachFolded(text, [&](char32_t c) {
        if (c >= 0x110000)
            out += char(c - 0x110000);
        else
            Encode(c, out);
    });
    return out;
}

bool AnsiSameText(std::string_view a, std::string_view b)
{
    std::size_t pa = 0, pb = 0;
    while (pa < a.size() && pb < b.size()) {
        const TDecoded da = Decode(a, pa), db = Decode(b, pb);
        if (da.Raw != db.Raw)
            return false;
        if (da.Raw ? da.Code != db.Code : LowerCodePoint(da.Code) != LowerCodePoint(db.Code))
            return false;
        pa += da.Length;
        pb += db.Length;
    }
    return pa == a.size() && pb == b.size();
}

std::uint64_t AnsiTextHash(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    ForEachFolded(text, [&](char32_t c) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    });
    return hash;
}
