#include "machine/ManifestValues.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "machine/FaultOperations.h"
#include "machine/TextEncodings.h"

namespace machine::manifest {

namespace {
// A whole number up to `maximum`: a larger one would not read back as written.
std::uint64_t WholeNumber(JsonValue value, const std::string& field, std::uint64_t maximum)
{
    if (!value.IsUnsigned() || value.Unsigned() > maximum)
        throw ManifestProblem{field, "\"" + field + "\" must be a whole number from 0 to " + std::to_string(maximum)};
    return value.Unsigned();
}

// The years of a SYSTEMTIME that Windows converts to a file time.
const unsigned kFirstYear = 1601;
const unsigned kLastYear = 30827;

unsigned DaysInMonth(unsigned year, unsigned month)
{
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[(month - 1) % 12];
}
}  // namespace

JsonValue Object(JsonValue value, const std::string& field)
{
    if (!value.IsObject())
        throw ManifestProblem{field, "\"" + field + "\" must be an object"};
    return value;
}

JsonValue List(JsonValue value, const std::string& field)
{
    if (!value.IsArray())
        throw ManifestProblem{field, "\"" + field + "\" must be a list"};
    return value;
}

std::string Text(JsonValue value, const std::string& field)
{
    if (!value.IsString())
        throw ManifestProblem{field, "\"" + field + "\" must be a string"};
    return std::string(value.Text());
}

std::string MachinePath(const std::string& path, const std::string& field)
{
    std::string problem = FileSystem::PathProblem(path);
    if (problem.empty())
        return path;
    if (path.size() >= 3 && path[1] == ':')
        throw ManifestProblem{field, "\"" + field + "\" is no path of the machine: " + problem};
    throw ManifestProblem{field, "\"" + field + "\" must be a full path \"X:\\...\" on a drive, not \"" + path + "\""};
}

void TextKind::Read(JsonValue value, const std::string& field, std::string& into) const
{
    into = Text(value, field);
}

void TextKind::Write(const std::string& text, JsonTree& out) const { out.String(Utf8Of(text)); }

void PathKind::Read(JsonValue value, const std::string& field, std::string& into) const
{
    std::string path = Text(value, field);
    into = mayBeEmpty && path.empty() ? path : MachinePath(path, field);
}

void PathKind::Write(const std::string& path, JsonTree& out) const { out.String(Utf8Of(path)); }

void ChoiceKind::Read(JsonValue value, const std::string& field, std::string& into) const
{
    std::string text = Text(value, field);
    if (std::find(options.begin(), options.end(), text) != options.end()) {
        into = text;
        return;
    }
    std::string list;
    for (const char* option : options)
        list += std::string(list.empty() ? "" : ", ") + option;
    throw ManifestProblem{field, "\"" + field + "\" must be one of " + list + ", not \"" + text + "\""};
}

void ChoiceKind::Write(const std::string& choice, JsonTree& out) const { out.String(Utf8Of(choice)); }

void NumberKind::Read(JsonValue value, const std::string& field, DWORD& into) const
{
    into = static_cast<DWORD>(WholeNumber(value, field, 0xFFFFFFFFu));
}

void NumberKind::Write(DWORD number, JsonTree& out) const { out.Unsigned(number); }

void CountKind::Read(JsonValue value, const std::string& field, int& into) const
{
    into = static_cast<int>(WholeNumber(value, field, static_cast<std::uint64_t>(std::numeric_limits<int>::max())));
}

void CountKind::Write(int count, JsonTree& out) const { out.Integer(count); }

void FlagKind::Read(JsonValue value, const std::string& field, bool& into) const
{
    if (!value.IsBoolean())
        throw ManifestProblem{field, "\"" + field + "\" must be true or false"};
    into = value.Boolean();
}

void FlagKind::Write(bool flag, JsonTree& out) const { out.Boolean(flag); }

std::string UnknownFlag(const std::string& field, const std::string& name)
{
    return "unknown \"" + field + "\" flag \"" + name + "\"";
}

void FlagNamesKind::Read(JsonValue value, const std::string& field, DWORD& into) const
{
    into = 0;
    for (JsonValue name : List(value, field).Items()) {
        std::string text = Text(name, field);
        auto found = std::find_if(names.begin(), names.end(), [&](const auto& known) { return text == known.first; });
        if (found == names.end())
            throw ManifestProblem{field, unknown(field, text)};
        into |= found->second;
    }
}

void FlagNamesKind::Write(DWORD flags, JsonTree& out) const
{
    out.StartArray();
    for (const auto& known : names) {
        if (flags & known.second)
            out.String(known.first);
    }
    out.End();
}

void TimeKind::Read(JsonValue value, const std::string& field, SYSTEMTIME& into) const
{
    unsigned year, month, day, hour, minute, second;
    char tail = 0;
    if (std::sscanf(Text(value, field).c_str(), "%5u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) != 6 ||
        month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        throw ManifestProblem{field, "\"" + field + "\" must be \"YYYY-MM-DD hh:mm:ss\""};
    if (year < kFirstYear || year > kLastYear)
        throw ManifestProblem{field, "\"" + field + "\" must be a date from the year " + std::to_string(kFirstYear) +
                                         " to " + std::to_string(kLastYear) + ", as Windows holds dates"};
    into = {};
    into.wYear = static_cast<WORD>(year);
    into.wMonth = static_cast<WORD>(month);
    into.wDay = static_cast<WORD>(day);
    into.wHour = static_cast<WORD>(hour);
    into.wMinute = static_cast<WORD>(minute);
    into.wSecond = static_cast<WORD>(second);
    // Day of the week by Zeller's congruence (0 = Sunday).
    unsigned y = month < 3 ? year - 1 : year;
    unsigned m = month < 3 ? month + 12 : month;
    unsigned h = (day + 13 * (m + 1) / 5 + y + y / 4 - y / 100 + y / 400) % 7;
    into.wDayOfWeek = static_cast<WORD>((h + 6) % 7);
}

void TimeKind::Write(const SYSTEMTIME& time, JsonTree& out) const
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    out.String(text);
}

void VersionWordKind::Read(JsonValue value, const std::string& field, WORD& into) const
{
    unsigned major = 0, minor = 0;
    char tail = 0;
    if (std::sscanf(Text(value, field).c_str(), "%u.%u%c", &major, &minor, &tail) != 2 || major > 255 || minor > 255)
        throw ManifestProblem{field, "\"" + field + "\" must be \"major.minor\""};
    into = MAKEWORD(major, minor);
}

void VersionWordKind::Write(WORD version, JsonTree& out) const
{
    out.String(std::to_string(LOBYTE(version)) + "." + std::to_string(HIBYTE(version)));
}

void IpFieldsKind::Read(JsonValue value, const std::string& field, std::string& into) const
{
    into = Text(value, field);
    if (into.empty())
        return;
    std::vector<std::string> parts(1);
    for (char c : into) {
        if (c == '.')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    bool valid = parts.size() == 4;
    for (const std::string& part : parts) {
        valid = valid && part.size() <= 3 &&
                std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                (part.empty() || std::stoi(part) <= 255);
    }
    if (!valid)
        throw ManifestProblem{field, "\"" + field + "\" must be four fields \"a.b.c.d\" of 0-255, each may be empty"};
}

void IpFieldsKind::Write(const std::string& text, JsonTree& out) const { out.String(Utf8Of(text)); }

void OperationKind::Read(JsonValue value, const std::string& field, std::string& into) const
{
    std::string operation = Text(value, field);
    if (!IsFaultableOperation(operation))
        throw ManifestProblem{field, "no operation of the machine is called \"" + operation + "\""};
    into = operation;
}

void OperationKind::Write(const std::string& operation, JsonTree& out) const { out.String(Utf8Of(operation)); }

void CodePageKind::Read(JsonValue value, const std::string& field, DWORD& into) const
{
    DWORD codePage = 0;
    NumberKind{}.Read(value, field, codePage);
    if (!IsModelledCodePage(codePage))
        throw ManifestProblem{field, "\"" + field + "\" is " + std::to_string(codePage) +
                                         ", a code page the simulated machine does not model (it models " +
                                         ModelledCodePages() + ")"};
    into = codePage;
}

void CodePageKind::Write(DWORD codePage, JsonTree& out) const { NumberKind{}.Write(codePage, out); }

void TextMapKind::Read(JsonValue value, const std::string& field, std::map<std::string, std::string>& into) const
{
    Object(value, field).ForEachMember([&into](JsonValue item) {
        std::string name(item.Key());
        into[name] = Text(item, name);
    });
}

void TextMapKind::Write(const std::map<std::string, std::string>& texts, JsonTree& out) const
{
    out.StartObject();
    for (const auto& entry : texts) {
        out.Key(Utf8Of(entry.first));
        out.String(Utf8Of(entry.second));
    }
    out.End();
}

}  // namespace machine::manifest
