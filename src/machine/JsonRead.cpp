#include "machine/JsonRead.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <rapidjson/reader.h>

namespace machine {

namespace {

using nlohmann::json;

// ---- The fast reader, for text it reads exactly as the library would.

// Whether the text is UTF-8 as the library takes it (no overlong form, no
// surrogate, nothing beyond U+10FFFF) and holds no NUL, which the fast reader
// would take for the end of the text.
bool IsPlainUtf8(const std::string& text)
{
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = at + text.size();
    while (at < end) {
        // ASCII eight bytes at a time: no high bit set, no byte zero.
        std::uint64_t word;
        if (end - at >= 8 && (std::memcpy(&word, at, 8), (word & 0x8080808080808080ULL) == 0)) {
            if (((word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL) != 0)
                return false;
            at += 8;
            continue;
        }
        unsigned lead = *at;
        if (lead < 0x80) {
            if (lead == 0)
                return false;
            ++at;
            continue;
        }
        long follow = 0;
        unsigned low = 0x80, high = 0xBF;  // of the byte after the lead
        if (lead >= 0xC2 && lead <= 0xDF)
            follow = 1;
        else if (lead == 0xE0)
            follow = 2, low = 0xA0;
        else if (lead == 0xED)
            follow = 2, high = 0x9F;
        else if (lead >= 0xE1 && lead <= 0xEF)
            follow = 2;
        else if (lead == 0xF0)
            follow = 3, low = 0x90;
        else if (lead == 0xF4)
            follow = 3, high = 0x8F;
        else if (lead >= 0xF1 && lead <= 0xF3)
            follow = 3;
        else
            return false;
        if (end - at <= follow || at[1] < low || at[1] > high)
            return false;
        for (long i = 2; i <= follow; ++i) {
            if (at[i] < 0x80 || at[i] > 0xBF)
                return false;
        }
        at += follow + 1;
    }
    return true;
}

// A lone surrogate written as an escape ("\uDC00"), which the fast reader
// takes and the library refuses: in the text it makes, the UTF-8 form of a
// surrogate, which plain UTF-8 text cannot hold otherwise.
bool HoldsSurrogate(std::string_view text)
{
    for (std::size_t at = text.find('\xED'); at != std::string_view::npos; at = text.find('\xED', at + 1)) {
        if (at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0xA0)
            return true;
    }
    return false;
}

// The power of ten of a number's text, near enough to know it fits a double
// when it stays far from a double's largest (about 1e308).
long DecimalMagnitude(std::string_view digits)
{
    std::size_t exponentAt = digits.find_first_of("eE");
    std::string_view mantissa = digits.substr(0, exponentAt);
    // Its whole part's digits (none when it is 0: JSON writes no leading zero).
    std::string_view whole = mantissa.substr(0, mantissa.find('.'));
    long magnitude = whole == "0" ? 0 : static_cast<long>(whole.size());
    if (exponentAt == std::string_view::npos)
        return magnitude;
    std::string_view exponent = digits.substr(exponentAt + 1);
    bool negative = !exponent.empty() && exponent[0] == '-';
    long value = 0;
    for (char c : exponent) {
        if (c >= '0' && c <= '9')
            value = std::min(value * 10 + (c - '0'), 1000000L);
    }
    return magnitude + (negative ? -value : value);
}

const long kSurelyFiniteMagnitude = 300;

class FastReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, FastReader> {
public:
    explicit FastReader(JsonTree& tree) : m_tree(tree) {}

    bool Default() { return false; }  // numbers come as their text; nothing else is expected
    bool Null()
    {
        m_tree.Null();
        return true;
    }
    bool Bool(bool value)
    {
        m_tree.Boolean(value);
        return true;
    }
    // As the library reads numbers: whole without a fraction or an exponent
    // while it fits 64 bits (unsigned unless negative), else a float, which
    // only the library may call too large.
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        std::string_view number(text, length);
        bool negative = number[0] == '-';
        std::string_view digits = number.substr(negative ? 1 : 0);
        if (digits.find_first_of(".eE") == std::string_view::npos) {
            std::uint64_t value = 0;
            bool fits = true;
            for (char c : digits) {
                auto digit = static_cast<std::uint64_t>(c - '0');
                fits = fits && value <= (std::numeric_limits<std::uint64_t>::max() - digit) / 10;
                value = value * 10 + digit;
            }
            const std::uint64_t lowest = std::uint64_t{1} << 63;  // the magnitude of the lowest int64
            if (fits && !negative) {
                m_tree.Unsigned(value);
                return true;
            }
            if (fits && value <= lowest) {
                m_tree.Integer(value == lowest ? std::numeric_limits<std::int64_t>::min()
                                               : -static_cast<std::int64_t>(value));
                return true;
            }
        }
        if (DecimalMagnitude(digits) > kSurelyFiniteMagnitude)
            return false;
        m_tree.Float(0.0);
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        if (HoldsSurrogate({text, length}))
            return false;
        m_tree.String({text, length});
        return true;
    }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        if (HoldsSurrogate({text, length}))
            return false;
        m_tree.Key({text, length});
        return true;
    }
    bool StartObject()
    {
        m_tree.StartObject();
        return true;
    }
    bool EndObject(rapidjson::SizeType)
    {
        m_tree.End();
        return true;
    }
    bool StartArray()
    {
        m_tree.StartArray();
        return true;
    }
    bool EndArray(rapidjson::SizeType)
    {
        m_tree.End();
        return true;
    }

private:
    JsonTree& m_tree;
};

bool ReadFast(const std::string& text, JsonTree& tree)
{
    if (!IsPlainUtf8(text))
        return false;
    FastReader handler(tree);
    rapidjson::Reader reader;
    rapidjson::StringStream stream(text.c_str());
    // Iterative: a deep document never runs the stack out.
    return !reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag>(stream, handler)
                .IsError();
}

// ---- The library, whose verdict and words stand for all other text.

class LibraryReader {
public:
    explicit LibraryReader(JsonTree& tree) : m_tree(tree) {}

    bool null()
    {
        m_tree.Null();
        return true;
    }
    bool boolean(bool value)
    {
        m_tree.Boolean(value);
        return true;
    }
    bool number_integer(json::number_integer_t value)
    {
        m_tree.Integer(value);
        return true;
    }
    bool number_unsigned(json::number_unsigned_t value)
    {
        m_tree.Unsigned(value);
        return true;
    }
    bool number_float(json::number_float_t value, const std::string&)
    {
        m_tree.Float(value);
        return true;
    }
    bool string(std::string& value)
    {
        m_tree.String(value);
        return true;
    }
    bool binary(json::binary_t&) { return false; }  // no JSON text holds one
    bool start_object(std::size_t)
    {
        m_tree.StartObject();
        return true;
    }
    bool key(std::string& name)
    {
        m_tree.Key(name);
        return true;
    }
    bool end_object()
    {
        m_tree.End();
        return true;
    }
    bool start_array(std::size_t)
    {
        m_tree.StartArray();
        return true;
    }
    bool end_array()
    {
        m_tree.End();
        return true;
    }
    template <typename Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& problem)
    {
        throw problem;
    }

private:
    JsonTree& m_tree;
};

// The library's text of a problem, without its "[json.exception...] " prefix and position.
std::string LibraryWords(const json::exception& problem)
{
    std::string what = problem.what();
    std::string::size_type colon = what.rfind(": ");
    if (colon != std::string::npos && dynamic_cast<const json::parse_error*>(&problem) != nullptr)
        return what.substr(colon + 2);
    std::string::size_type bracket = what.find("] ");
    return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

bool ReadWithLibrary(const std::string& text, JsonTree& tree, ParseError& error)
{
    LibraryReader reader(tree);
    try {
        if (json::sax_parse(text, &reader))
            return true;
        error = {0, "not valid JSON"};
    } catch (const json::parse_error& problem) {
        error.line = LineOf(text, problem.byte > 0 ? problem.byte - 1 : 0);
        error.message = "not valid JSON: " + LibraryWords(problem);
    } catch (const json::exception& problem) {
        // A number too large for any type ("1e400"): its text is quoted in the problem.
        std::string what = LibraryWords(problem);
        std::string::size_type open = what.find('\''), close = what.rfind('\'');
        std::string::size_type at = open < close ? text.find(what.substr(open + 1, close - open - 1)) : std::string::npos;
        error.line = at == std::string::npos ? 0 : LineOf(text, at);
        error.message = "not valid JSON: " + what;
    }
    return false;
}
}  // namespace

bool ReadJson(const std::string& text, JsonTree& tree, ParseError& error)
{
    tree = JsonTree(text.size());
    if (ReadFast(text, tree))
        return true;
    tree = JsonTree(text.size());
    return ReadWithLibrary(text, tree, error);
}

int LineOf(const std::string& text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

}  // namespace machine
