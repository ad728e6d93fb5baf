#include "machine/Manifest.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>
#include <nlohmann/json.hpp>

#include "machine/FaultOperations.h"

namespace machine {

namespace {
using nlohmann::json;

// A problem found while walking the parsed document; `field` locates it in the text.
struct ManifestProblem {
    std::string field;
    std::string message;
};

int LineOf(const std::string& text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

// The field as the text spells it, escapes and all ("C:\\a" for C:\a).
int LineOfField(const std::string& text, const std::string& field)
{
    std::size_t at = text.find(json(field).dump());
    return at == std::string::npos ? 0 : LineOf(text, at);
}

// The library's text of a problem, without its "[json.exception...] " prefix and position.
std::string JsonProblem(const json::exception& problem)
{
    std::string what = problem.what();
    std::string::size_type colon = what.rfind(": ");
    if (colon != std::string::npos && dynamic_cast<const json::parse_error*>(&problem) != nullptr)
        return what.substr(colon + 2);
    std::string::size_type bracket = what.find("] ");
    return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

// Machine texts are 8-bit (the ANSI code page); the manifest holds them as
// UTF-8 with each byte of 0x80 and above as the character of that number, so
// every byte survives a write and a read.
std::string AnsiToUtf8(const std::string& text)
{
    std::string out;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// A character beyond one byte has no place in the machine's 8-bit texts: it
// is refused rather than replaced, so two names never become one.
std::string Utf8ToAnsi(const std::string& text, const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += text[i];
            continue;
        }
        unsigned codePoint = 0;
        int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : 1;
        codePoint = byte & (0x3F >> extra);
        for (int k = 0; k < extra && i + 1 < text.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
        if (codePoint > 0xFF) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", codePoint);
            throw ManifestProblem{field, "\"" + field + "\" holds the character " + code +
                                             ", which does not fit the machine's 8-bit text"};
        }
        out += static_cast<char>(codePoint);
    }
    return out;
}

// ---- Checks of single values: each throws a problem naming the field.

const json& Object(const json& value, const std::string& field)
{
    if (!value.is_object())
        throw ManifestProblem{field, "\"" + field + "\" must be an object"};
    return value;
}

const json& List(const json& value, const std::string& field)
{
    if (!value.is_array())
        throw ManifestProblem{field, "\"" + field + "\" must be a list"};
    return value;
}

std::string Text(const json& value, const std::string& field)
{
    if (!value.is_string())
        throw ManifestProblem{field, "\"" + field + "\" must be a string"};
    return Utf8ToAnsi(value.get<std::string>(), field);
}

// A whole number up to `maximum`: a larger one would not read back as written.
std::uint64_t WholeNumber(const json& value, const std::string& field, std::uint64_t maximum)
{
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > maximum)
        throw ManifestProblem{field, "\"" + field + "\" must be a whole number from 0 to " + std::to_string(maximum)};
    return value.get<std::uint64_t>();
}

// A path of the machine's disks, "X:\...".
std::string MachinePath(const std::string& path, const std::string& field)
{
    std::string problem = FileSystem::PathProblem(path);
    if (problem.empty())
        return path;
    if (path.size() >= 3 && path[1] == ':')
        throw ManifestProblem{field, "\"" + field + "\" is no path of the machine: " + problem};
    throw ManifestProblem{field, "\"" + field + "\" must be a full path \"X:\\...\" on a drive, not \"" + path + "\""};
}

// The machine's file at a path, created empty when missing; refused where no
// file can stand: a drive, a directory, or beneath a file.
SimFile& MachineFile(Machine& machine, const std::string& path, const std::string& field)
{
    if (SimFile* file = machine.files.Find(path))
        return *file;
    std::string clash = machine.files.FileClash(path);
    if (clash.empty())
        return machine.files.Write(path, std::string());
    std::string what = clash.size() <= 3                          ? "the drive itself"
                       : machine.files.DirectoryExists(clash) ? "a directory"
                                                              : "beneath the file \"" + clash + "\"";
    throw ManifestProblem{field, "\"" + path + "\" cannot be a file: it is " + what};
}

bool IsVersion(const std::string& text)
{
    unsigned a, b, c, d;
    char tail = 0;
    return std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a <= 0xFFFF && b <= 0xFFFF &&
           c <= 0xFFFF && d <= 0xFFFF;
}

// ---- Kinds of field. Each reads one JSON value into a member of its type
// (Read, which checks it) and gives the JSON value of a member (Write).

struct TextKind {
    void Read(const json& value, const std::string& field, std::string& into) const { into = Text(value, field); }
    json Write(const std::string& text) const { return AnsiToUtf8(text); }
};

// A path on the machine's disks; `mayBeEmpty`: "" stands for none.
struct PathKind {
    bool mayBeEmpty = false;
    void Read(const json& value, const std::string& field, std::string& into) const
    {
        std::string path = Text(value, field);
        into = mayBeEmpty && path.empty() ? path : MachinePath(path, field);
    }
    json Write(const std::string& path) const { return AnsiToUtf8(path); }
};

struct ChoiceKind {
    std::vector<const char*> options;
    void Read(const json& value, const std::string& field, std::string& into) const
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
    json Write(const std::string& choice) const { return AnsiToUtf8(choice); }
};

struct NumberKind {
    void Read(const json& value, const std::string& field, DWORD& into) const
    {
        into = static_cast<DWORD>(WholeNumber(value, field, 0xFFFFFFFFu));
    }
    json Write(DWORD number) const { return number; }
};

struct CountKind {
    void Read(const json& value, const std::string& field, int& into) const
    {
        into = static_cast<int>(WholeNumber(value, field, static_cast<std::uint64_t>(std::numeric_limits<int>::max())));
    }
    json Write(int count) const { return count; }
};

struct FlagKind {
    void Read(const json& value, const std::string& field, bool& into) const
    {
        if (!value.is_boolean())
            throw ManifestProblem{field, "\"" + field + "\" must be true or false"};
        into = value.get<bool>();
    }
    json Write(bool flag) const { return flag; }
};

std::string UnknownFlag(const std::string& field, const std::string& name)
{
    return "unknown \"" + field + "\" flag \"" + name + "\"";
}

// Names of bits, written as a list of the names set.
struct FlagNamesKind {
    std::vector<std::pair<const char*, DWORD>> names;
    std::string (*unknown)(const std::string& field, const std::string& name) = UnknownFlag;
    void Read(const json& value, const std::string& field, DWORD& into) const
    {
        into = 0;
        for (const json& name : List(value, field)) {
            std::string text = Text(name, field);
            auto found =
                std::find_if(names.begin(), names.end(), [&](const auto& known) { return text == known.first; });
            if (found == names.end())
                throw ManifestProblem{field, unknown(field, text)};
            into |= found->second;
        }
    }
    json Write(DWORD flags) const
    {
        json list = json::array();
        for (const auto& known : names) {
            if (flags & known.second)
                list.push_back(known.first);
        }
        return list;
    }
};

// "YYYY-MM-DD hh:mm:ss", local time, within the years a SYSTEMTIME that
// Windows converts to a file time can hold.
struct TimeKind {
    static const unsigned kFirstYear = 1601;
    static const unsigned kLastYear = 30827;
    static unsigned DaysInMonth(unsigned year, unsigned month)
    {
        static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : kDays[(month - 1) % 12];
    }
    void Read(const json& value, const std::string& field, SYSTEMTIME& into) const
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
    json Write(const SYSTEMTIME& time) const
    {
        char text[64];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                      time.wHour, time.wMinute, time.wSecond);
        return text;
    }
};

// "major.minor", each 0-255.
struct VersionWordKind {
    void Read(const json& value, const std::string& field, WORD& into) const
    {
        unsigned major = 0, minor = 0;
        char tail = 0;
        if (std::sscanf(Text(value, field).c_str(), "%u.%u%c", &major, &minor, &tail) != 2 || major > 255 ||
            minor > 255)
            throw ManifestProblem{field, "\"" + field + "\" must be \"major.minor\""};
        into = MAKEWORD(major, minor);
    }
    json Write(WORD version) const { return std::to_string(LOBYTE(version)) + "." + std::to_string(HIBYTE(version)); }
};

// "a.b.c.d" where each field is 0-255 or left empty (a blank field); "" is a cleared control.
struct IpFieldsKind {
    void Read(const json& value, const std::string& field, std::string& into) const
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
            throw ManifestProblem{field,
                                  "\"" + field + "\" must be four fields \"a.b.c.d\" of 0-255, each may be empty"};
    }
    json Write(const std::string& text) const { return AnsiToUtf8(text); }
};

// The name of an operation the machine can be told to fail.
struct OperationKind {
    void Read(const json& value, const std::string& field, std::string& into) const
    {
        std::string operation = Text(value, field);
        if (!IsFaultableOperation(operation))
            throw ManifestProblem{field, "no operation of the machine is called \"" + operation + "\""};
        into = operation;
    }
    json Write(const std::string& operation) const { return AnsiToUtf8(operation); }
};

// Texts by text, as a JSON object.
struct TextMapKind {
    void Read(const json& value, const std::string& field, std::map<std::string, std::string>& into) const
    {
        for (const auto& item : Object(value, field).items())
            into[Utf8ToAnsi(item.key(), item.key())] = Text(item.value(), item.key());
    }
    json Write(const std::map<std::string, std::string>& texts) const
    {
        json object = json::object();
        for (const auto& entry : texts)
            object[AnsiToUtf8(entry.first)] = AnsiToUtf8(entry.second);
        return object;
    }
};

template <typename Element>
struct Maybe {
    Element element;
    template <typename Value>
    void Read(const json& value, const std::string& field, std::optional<Value>& into) const
    {
        Value read{};
        element.Read(value, field, read);
        into = read;
    }
    template <typename Value>
    json Write(const std::optional<Value>& value) const { return element.Write(*value); }
};

// Read entries are added to what the container holds.
template <typename Element>
struct ListOf {
    Element element;
    template <typename Container>
    void Read(const json& value, const std::string& field, Container& into) const
    {
        for (const json& item : List(value, field)) {
            typename Container::value_type entry{};
            element.Read(item, field, entry);
            into.insert(into.end(), std::move(entry));
        }
    }
    template <typename Container>
    json Write(const Container& entries) const
    {
        json list = json::array();
        for (const auto& entry : entries)
            list.push_back(element.Write(entry));
        return list;
    }
};

// ---- Fields: a name, the member it fills and its kind, for the reader and the writer both.

template <typename Record>
struct Field {
    std::string name;
    std::function<void(const json& value, Record& record)> read;
    std::function<void(const Record& record, json& object)> write;
    bool required = false;  // an object without it is refused
    // Run once every field of the object is read, for work that needs the others.
    std::function<void(const json& value, Record& record)> complete;

    Field Required() const
    {
        Field copy = *this;
        copy.required = true;
        return copy;
    }
    Field ThenComplete(std::function<void(const json& value, Record& record)> step) const
    {
        Field copy = *this;
        copy.complete = std::move(step);
        return copy;
    }
};

template <typename Record, typename Value, typename Kind>
Field<Record> FieldOf(const char* name, Value Record::*member, Kind kind)
{
    Field<Record> field;
    field.name = name;
    field.read = [=](const json& value, Record& record) { kind.Read(value, name, record.*member); };
    field.write = [=](const Record& record, json& object) { object[name] = kind.Write(record.*member); };
    return field;
}

template <typename Value>
bool IsSet(const std::optional<Value>& value)
{
    return value.has_value();
}

template <typename Value>
bool IsSet(const Value& value)
{
    return !value.empty();
}

// A field written only when it holds something.
template <typename Record, typename Value, typename Kind>
Field<Record> SetFieldOf(const char* name, Value Record::*member, Kind kind)
{
    Field<Record> field = FieldOf(name, member, kind);
    field.write = [=](const Record& record, json& object) {
        if (IsSet(record.*member))
            object[name] = kind.Write(record.*member);
    };
    return field;
}

template <typename Record>
using Fields = std::vector<Field<Record>>;

// An object of `where` ("os", the list "printers", ...): unknown fields are refused.
template <typename Record>
void ReadRecord(const json& object, const std::string& where, const Fields<Record>& fields, Record& record)
{
    for (const auto& item : Object(object, where).items()) {
        auto field = std::find_if(fields.begin(), fields.end(),
                                  [&](const Field<Record>& candidate) { return candidate.name == item.key(); });
        if (field == fields.end())
            throw ManifestProblem{item.key(), "unknown field \"" + item.key() + "\" in " + where};
        field->read(item.value(), record);
    }
    for (const Field<Record>& field : fields) {
        if (field.required && !object.contains(field.name))
            throw ManifestProblem{where, "every entry of \"" + where + "\" needs a \"" + field.name + "\""};
    }
    for (const Field<Record>& field : fields) {
        if (field.complete && object.contains(field.name))
            field.complete(object.at(field.name), record);
    }
}

template <typename Record>
json WriteRecord(const Record& record, const Fields<Record>& fields)
{
    json object = json::object();
    for (const Field<Record>& field : fields)
        field.write(record, object);
    return object;
}

// An object whose fields are given by a table.
template <typename Record>
struct RecordKind {
    const Fields<Record>& fields;
    void Read(const json& value, const std::string& field, Record& into) const
    {
        ReadRecord(value, field, fields, into);
    }
    json Write(const Record& record) const { return WriteRecord(record, fields); }
};

// One set of answers, or a list of sets played in turn while the dialog stays open.
struct AnswerSetsKind {
    RecordKind<DialogAnswers> set;
    void Read(const json& value, const std::string& field, std::vector<DialogAnswers>& into) const
    {
        if (!value.is_array()) {
            into.assign(1, DialogAnswers{});
            set.Read(value, field, into.front());
            return;
        }
        std::vector<DialogAnswers> sets;
        for (const json& item : value)
            set.Read(item, field, sets.emplace_back());
        if (sets.empty())
            throw ManifestProblem{field, "\"" + field + "\" needs at least one set of answers"};
        into = sets;
    }
    json Write(const std::vector<DialogAnswers>& sets) const
    {
        return sets.size() == 1 ? set.Write(sets.front()) : ListOf<RecordKind<DialogAnswers>>{set}.Write(sets);
    }
};

// ---- Files named by path: their versions and attributes live on the machine's disks.

const FlagNamesKind kAttributeNames{
    {{"readonly", FILE_ATTRIBUTE_READONLY}, {"hidden", FILE_ATTRIBUTE_HIDDEN}, {"system", FILE_ATTRIBUTE_SYSTEM},
     {"archive", FILE_ATTRIBUTE_ARCHIVE}, {"normal", FILE_ATTRIBUTE_NORMAL}},
    [](const std::string&, const std::string& name) {
        return "unknown file attribute \"" + name + "\" (readonly, hidden, system, archive or normal)";
    }};

// Versions of files; a file not on the disks is created empty. Applied once the
// other fields are read.
struct FileVersionsKind {
    void Read(const json& value, const std::string& field, FileSystem&) const { Object(value, field); }
    json Write(const FileSystem& files) const
    {
        json versions = json::object();
        for (const auto& entry : files.Files()) {
            if (!entry.second.version.empty())
                versions[AnsiToUtf8(entry.second.path)] = entry.second.version;
        }
        return versions;
    }
    static void Apply(const json& versions, Machine& machine)
    {
        for (const auto& item : versions.items()) {
            std::string version = Text(item.value(), item.key());
            if (!IsVersion(version))
                throw ManifestProblem{item.key(), "the version of \"" + item.key() + "\" must be \"a.b.c.d\""};
            MachineFile(machine, MachinePath(Utf8ToAnsi(item.key(), item.key()), item.key()), item.key()).version =
                version;
        }
    }
};

// Attributes other than "archive" alone, of files on the disks (written or
// created by then). Applied last.
struct FileAttributesKind {
    void Read(const json& value, const std::string& field, FileSystem&) const { Object(value, field); }
    json Write(const FileSystem& files) const
    {
        json attributes = json::object();
        for (const auto& entry : files.Files()) {
            if (entry.second.attributes != FILE_ATTRIBUTE_ARCHIVE)
                attributes[AnsiToUtf8(entry.second.path)] = kAttributeNames.Write(entry.second.attributes);
        }
        return attributes;
    }
    static void Apply(const json& attributes, Machine& machine)
    {
        for (const auto& item : attributes.items()) {
            DWORD bits = 0;
            kAttributeNames.Read(item.value(), item.key(), bits);
            SimFile* file = machine.files.Find(MachinePath(Utf8ToAnsi(item.key(), item.key()), item.key()));
            if (file == nullptr)
                throw ManifestProblem{item.key(), "\"" + item.key() + "\" names no file of the machine"};
            file->attributes = bits != 0 ? bits : FILE_ATTRIBUTE_NORMAL;
        }
    }
};

// Programs name files of the machine too; a missing one is created empty.
void CreateProgramFiles(const json&, Machine& machine)
{
    for (const Program& program : machine.programs)
        MachineFile(machine, program.path, program.path);
}

// ---- The tables: every field of machine.json, once.

const ChoiceKind kTokenKind{{"none", "denied", "admin", "admin-deny-only", "user", "no-groups"}};

const Fields<OsVersion> kOsFields = {
    FieldOf("major", &OsVersion::major, NumberKind{}),
    FieldOf("minor", &OsVersion::minor, NumberKind{}),
    FieldOf("build", &OsVersion::build, NumberKind{}),
    FieldOf("platform", &OsVersion::platform, NumberKind{}),
    FieldOf("servicePack", &OsVersion::servicePack, TextKind{}),
    FieldOf("queryFails", &OsVersion::queryFails, FlagKind{}),
};

const Fields<Tokens> kTokenFields = {
    FieldOf("thread", &Tokens::thread, kTokenKind),
    FieldOf("process", &Tokens::process, kTokenKind),
};

const Fields<Paths> kPathFields = {
    FieldOf("executable", &Paths::executable, PathKind{true}),
    FieldOf("windows", &Paths::windows, PathKind{}),
    FieldOf("system", &Paths::system, PathKind{}),
    FieldOf("temp", &Paths::temp, PathKind{}),
};

const Fields<Printer> kPrinterFields = {
    FieldOf("name", &Printer::name, TextKind{}),
    FieldOf("port", &Printer::port, TextKind{}),
    FieldOf("driver", &Printer::driver, TextKind{}),
};

const Fields<Service> kServiceFields = {
    FieldOf("name", &Service::name, TextKind{}),
    FieldOf("displayName", &Service::displayName, TextKind{}),
    FieldOf("state", &Service::state, ChoiceKind{{"stopped", "running"}}),
    FieldOf("startType", &Service::startType, ChoiceKind{{"boot", "system", "auto", "demand", "disabled"}}),
    FieldOf("binaryPath", &Service::binaryPath, TextKind{}),
    FieldOf("startChecks", &Service::startChecks, CountKind{}),
    FieldOf("stopChecks", &Service::stopChecks, CountKind{}),
    FieldOf("canOpen", &Service::canOpen, FlagKind{}),
};

const Fields<Program> kProgramFields = {
    FieldOf("path", &Program::path, PathKind{}).Required(),
    FieldOf("runsMs", &Program::runsMs, NumberKind{}),
    FieldOf("starts", &Program::starts, FlagKind{}),
    FieldOf("service", &Program::service, TextKind{}),
};

const Fields<PendingRename> kPendingRenameFields = {
    FieldOf("from", &PendingRename::from, PathKind{}),
    FieldOf("to", &PendingRename::to, PathKind{true}),
    FieldOf("replaceExisting", &PendingRename::replaceExisting, FlagKind{}),
};

const Fields<DialogAnswers> kDialogAnswerFields = {
    SetFieldOf("product", &DialogAnswers::product, Maybe<TextKind>{}),
    SetFieldOf("connection", &DialogAnswers::connection, Maybe<ChoiceKind>{{{"direct", "network"}}}),
    SetFieldOf("port", &DialogAnswers::port, Maybe<TextKind>{}),
    SetFieldOf("ipAddress", &DialogAnswers::ipAddress, Maybe<IpFieldsKind>{}),
    SetFieldOf("hardwareAddress", &DialogAnswers::hardwareAddress, Maybe<TextKind>{}),
    SetFieldOf("hostName", &DialogAnswers::hostName, Maybe<TextKind>{}),
    FieldOf("buttons", &DialogAnswers::buttons, ListOf<ChoiceKind>{{{"fixit", "cancel"}}}),
};

const Fields<HeldFile> kHeldFileFields = {
    FieldOf("path", &HeldFile::path, PathKind{}).Required(),
    FieldOf("access", &HeldFile::access, FlagNamesKind{{{"read", GENERIC_READ}, {"write", GENERIC_WRITE}}}),
    FieldOf("share", &HeldFile::share,
            FlagNamesKind{{{"read", FILE_SHARE_READ}, {"write", FILE_SHARE_WRITE}, {"delete", FILE_SHARE_DELETE}}}),
};

const Fields<Fault> kFaultFields = {
    FieldOf("operation", &Fault::operation, OperationKind{}),
    FieldOf("call", &Fault::call, CountKind{}),
    FieldOf("error", &Fault::error, NumberKind{}),
};

// Completion runs in this order: versions, then the programs' files, then attributes.
const Fields<Machine> kMachineFields = {
    FieldOf("os", &Machine::os, RecordKind<OsVersion>{kOsFields}),
    FieldOf("token", &Machine::tokens, RecordKind<Tokens>{kTokenFields}),
    FieldOf("paths", &Machine::paths, RecordKind<Paths>{kPathFields}),
    FieldOf("localTime", &Machine::startTime, TimeKind{}),
    FieldOf("runningObjects", &Machine::namedObjects, ListOf<TextKind>{}),
    FieldOf("fileVersions", &Machine::files, FileVersionsKind{}).ThenComplete(FileVersionsKind::Apply),
    FieldOf("printers", &Machine::printers, ListOf<RecordKind<Printer>>{{kPrinterFields}}),
    FieldOf("ports", &Machine::ports, ListOf<TextKind>{}),
    FieldOf("printerListNotReadyCalls", &Machine::printerListNotReadyCalls, CountKind{}),
    FieldOf("socketsVersion", &Machine::socketsVersion, VersionWordKind{}),
    FieldOf("hostNames", &Machine::hostNames, TextMapKind{}),
    FieldOf("services", &Machine::services, ListOf<RecordKind<Service>>{{kServiceFields}}),
    FieldOf("programs", &Machine::programs, ListOf<RecordKind<Program>>{{kProgramFields}})
        .ThenComplete(CreateProgramFiles),
    FieldOf("fileAttributes", &Machine::files, FileAttributesKind{}).ThenComplete(FileAttributesKind::Apply),
    SetFieldOf("registryView", &Machine::registryView, ChoiceKind{{"32-bit", "64-bit"}}),
    FieldOf("messageBoxAnswers", &Machine::messageBoxAnswers, ListOf<ChoiceKind>{{{"yes", "no", "cancel", "ok"}}}),
    FieldOf("pendingRenames", &Machine::pendingRenames, ListOf<RecordKind<PendingRename>>{{kPendingRenameFields}}),
    SetFieldOf("dialog", &Machine::dialog, AnswerSetsKind{{kDialogAnswerFields}}),
    SetFieldOf("heldFiles", &Machine::heldFiles, ListOf<RecordKind<HeldFile>>{{kHeldFileFields}}),
    FieldOf("faults", &Machine::faults, ListOf<RecordKind<Fault>>{{kFaultFields}}),
};

// Builds the document as the library does, and notes the first name given
// twice in one object, which would be taken last-wins without a word. (The
// library's own callback parser would do it in time that grows with the square
// of a list's length.)
class DocumentWithKeys {
public:
    explicit DocumentWithKeys(json& document) : m_builder(document) {}
    std::optional<std::string> twice;

    bool null() { return m_builder.null(); }
    bool boolean(bool value) { return m_builder.boolean(value); }
    bool number_integer(json::number_integer_t value) { return m_builder.number_integer(value); }
    bool number_unsigned(json::number_unsigned_t value) { return m_builder.number_unsigned(value); }
    bool number_float(json::number_float_t value, const std::string& text) { return m_builder.number_float(value, text); }
    bool string(std::string& value) { return m_builder.string(value); }
    bool binary(json::binary_t& value) { return m_builder.binary(value); }
    bool start_object(std::size_t size)
    {
        m_objectKeys.emplace_back();
        return m_builder.start_object(size);
    }
    bool key(std::string& name)
    {
        if (!twice && !m_objectKeys.back().insert(name).second)
            twice = name;
        return m_builder.key(name);
    }
    bool end_object()
    {
        m_objectKeys.pop_back();
        return m_builder.end_object();
    }
    bool start_array(std::size_t size) { return m_builder.start_array(size); }
    bool end_array() { return m_builder.end_array(); }
    template <typename Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& problem)
    {
        return m_builder.parse_error(position, token, problem);
    }

private:
    nlohmann::detail::json_sax_dom_parser<json> m_builder;
    std::vector<std::set<std::string>> m_objectKeys;
};
}  // namespace

bool ReadManifest(const std::string& text, Machine& machine, ParseError& error)
{
    json document;
    DocumentWithKeys reader(document);
    std::optional<std::string>& twice = reader.twice;
    try {
        json::sax_parse(text, &reader);
    } catch (const json::parse_error& problem) {
        error.line = LineOf(text, problem.byte > 0 ? problem.byte - 1 : 0);
        error.message = "not valid JSON: " + JsonProblem(problem);
        return false;
    } catch (const json::exception& problem) {
        // A number too large for any type ("1e400"): its text is quoted in the problem.
        std::string what = JsonProblem(problem);
        std::string::size_type open = what.find('\''), close = what.rfind('\'');
        std::string::size_type at = open < close ? text.find(what.substr(open + 1, close - open - 1)) : std::string::npos;
        error.line = at == std::string::npos ? 0 : LineOf(text, at);
        error.message = "not valid JSON: " + what;
        return false;
    }
    try {
        if (twice)
            throw ManifestProblem{*twice, "\"" + *twice + "\" is given twice in one object"};
        ReadRecord(document, "machine.json", kMachineFields, machine);
    } catch (const ManifestProblem& problem) {
        error.line = LineOfField(text, problem.field);
        error.message = problem.message;
        return false;
    }
    return true;
}

std::string WriteManifest(const Machine& machine)
{
    return WriteRecord(machine, kMachineFields).dump(2) + "\n";
}

}  // namespace machine
