#include "platform/sim/Manifest.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/sim/FaultOperations.h"

namespace sim {

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

int LineOfField(const std::string& text, const std::string& field)
{
    std::size_t at = text.find("\"" + field + "\"");
    return at == std::string::npos ? 0 : LineOf(text, at);
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

std::string Utf8ToAnsi(const std::string& text)
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
        out += codePoint <= 0xFF ? static_cast<char>(codePoint) : '?';
    }
    return out;
}

json AnsiList(const std::vector<std::string>& texts)
{
    json list = json::array();
    for (const std::string& text : texts)
        list.push_back(AnsiToUtf8(text));
    return list;
}

using FieldReaders = std::map<std::string, std::function<void(const json&)>>;

void ReadObject(const json& object, const std::string& where, const FieldReaders& readers)
{
    if (!object.is_object())
        throw ManifestProblem{where, "\"" + where + "\" must be an object"};
    for (const auto& item : object.items()) {
        auto reader = readers.find(item.key());
        if (reader == readers.end())
            throw ManifestProblem{item.key(), "unknown field \"" + item.key() + "\" in " + where};
        reader->second(item.value());
    }
}

std::string Text(const json& value, const std::string& field)
{
    if (!value.is_string())
        throw ManifestProblem{field, "\"" + field + "\" must be a string"};
    return Utf8ToAnsi(value.get<std::string>());
}

// A whole number up to `maximum`: a larger one would not read back as written.
std::uint64_t WholeNumber(const json& value, const std::string& field, std::uint64_t maximum)
{
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > maximum)
        throw ManifestProblem{field, "\"" + field + "\" must be a whole number from 0 to " + std::to_string(maximum)};
    return value.get<std::uint64_t>();
}

DWORD Number(const json& value, const std::string& field)
{
    return static_cast<DWORD>(WholeNumber(value, field, 0xFFFFFFFFu));
}

int Count(const json& value, const std::string& field)
{
    return static_cast<int>(WholeNumber(value, field, static_cast<std::uint64_t>(std::numeric_limits<int>::max())));
}

// A path of the machine's disks, "X:\...".
std::string MachinePath(const std::string& path, const std::string& field)
{
    if (!FileSystem::IsDrivePath(path))
        throw ManifestProblem{field, "\"" + field + "\" must be a full path \"X:\\...\" on a drive, not \"" + path + "\""};
    return path;
}

std::string PathText(const json& value, const std::string& field)
{
    return MachinePath(Text(value, field), field);
}

bool Flag(const json& value, const std::string& field)
{
    if (!value.is_boolean())
        throw ManifestProblem{field, "\"" + field + "\" must be true or false"};
    return value.get<bool>();
}

const json& List(const json& value, const std::string& field)
{
    if (!value.is_array())
        throw ManifestProblem{field, "\"" + field + "\" must be a list"};
    return value;
}

std::string OneOf(const json& value, const std::string& field, std::initializer_list<const char*> allowed)
{
    std::string text = Text(value, field);
    for (const char* option : allowed) {
        if (text == option)
            return text;
    }
    std::string options;
    for (const char* option : allowed)
        options += std::string(options.empty() ? "" : ", ") + option;
    throw ManifestProblem{field, "\"" + field + "\" must be one of " + options + ", not \"" + text + "\""};
}

const std::initializer_list<const char*> kTokenKinds = {"none", "denied", "admin", "admin-deny-only", "user",
                                                        "no-groups"};
const std::initializer_list<const char*> kAnswers = {"yes", "no", "cancel", "ok"};
const std::initializer_list<const char*> kServiceStates = {"stopped", "running"};
const std::initializer_list<const char*> kStartTypes = {"boot", "system", "auto", "demand", "disabled"};
const std::initializer_list<const char*> kConnections = {"direct", "network"};
const std::initializer_list<const char*> kButtons = {"fixit", "cancel"};

// "major.minor", each 0-255.
WORD SocketsVersion(const json& value)
{
    std::string text = Text(value, "socketsVersion");
    unsigned major = 0, minor = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%u.%u%c", &major, &minor, &tail) != 2 || major > 255 || minor > 255)
        throw ManifestProblem{"socketsVersion", "\"socketsVersion\" must be \"major.minor\""};
    return MAKEWORD(major, minor);
}

// "a.b.c.d" where each field is 0-255 or left empty (a blank field); "" is a cleared control.
std::string IpFields(const json& value)
{
    std::string text = Text(value, "ipAddress");
    if (text.empty())
        return text;
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == '.')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    bool valid = fields.size() == 4;
    for (const std::string& field : fields) {
        valid = valid && field.size() <= 3 &&
                std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                (field.empty() || std::stoi(field) <= 255);
    }
    if (!valid)
        throw ManifestProblem{"ipAddress", "\"ipAddress\" must be four fields \"a.b.c.d\" of 0-255, each may be empty"};
    return text;
}

DialogAnswers ReadDialogAnswerSet(const json& v)
{
    DialogAnswers answers;
    ReadObject(v, "dialog", {
        {"product", [&](const json& f) { answers.product = Text(f, "product"); }},
        {"connection", [&](const json& f) { answers.connection = OneOf(f, "connection", kConnections); }},
        {"port", [&](const json& f) { answers.port = Text(f, "port"); }},
        {"ipAddress", [&](const json& f) { answers.ipAddress = IpFields(f); }},
        {"hardwareAddress", [&](const json& f) { answers.hardwareAddress = Text(f, "hardwareAddress"); }},
        {"hostName", [&](const json& f) { answers.hostName = Text(f, "hostName"); }},
        {"buttons", [&](const json& f) {
            for (const json& button : List(f, "buttons"))
                answers.buttons.push_back(OneOf(button, "buttons", kButtons));
        }},
    });
    return answers;
}

// One set of answers, or a list of sets played in turn while the dialog stays open.
std::vector<DialogAnswers> ReadDialogAnswers(const json& v)
{
    std::vector<DialogAnswers> sets;
    if (v.is_array()) {
        for (const json& set : v)
            sets.push_back(ReadDialogAnswerSet(set));
        if (sets.empty())
            throw ManifestProblem{"dialog", "\"dialog\" needs at least one set of answers"};
    } else {
        sets.push_back(ReadDialogAnswerSet(v));
    }
    return sets;
}

json WriteDialogAnswerSet(const DialogAnswers& answers)
{
    json section = json::object();
    auto put = [&](const char* field, const std::optional<std::string>& value) {
        if (value)
            section[field] = AnsiToUtf8(*value);
    };
    put("product", answers.product);
    put("connection", answers.connection);
    put("port", answers.port);
    put("ipAddress", answers.ipAddress);
    put("hardwareAddress", answers.hardwareAddress);
    put("hostName", answers.hostName);
    section["buttons"] = answers.buttons;
    return section;
}

json WriteDialogAnswers(const std::vector<DialogAnswers>& sets)
{
    if (sets.size() == 1)
        return WriteDialogAnswerSet(sets.front());
    json list = json::array();
    for (const DialogAnswers& answers : sets)
        list.push_back(WriteDialogAnswerSet(answers));
    return list;
}

const std::pair<const char*, DWORD> kAccessNames[] = {{"read", GENERIC_READ}, {"write", GENERIC_WRITE}};
const std::pair<const char*, DWORD> kShareNames[] = {
    {"read", FILE_SHARE_READ}, {"write", FILE_SHARE_WRITE}, {"delete", FILE_SHARE_DELETE}};

template <std::size_t N>
DWORD Flags(const json& names, const std::string& field, const std::pair<const char*, DWORD> (&known)[N])
{
    DWORD flags = 0;
    for (const json& name : List(names, field)) {
        std::string text = Text(name, field);
        auto found = std::find_if(std::begin(known), std::end(known), [&](const auto& k) { return text == k.first; });
        if (found == std::end(known))
            throw ManifestProblem{field, "unknown \"" + field + "\" flag \"" + text + "\""};
        flags |= found->second;
    }
    return flags;
}

template <std::size_t N>
json FlagList(DWORD flags, const std::pair<const char*, DWORD> (&known)[N])
{
    json names = json::array();
    for (const auto& k : known) {
        if (flags & k.second)
            names.push_back(k.first);
    }
    return names;
}

struct AttributeName {
    const char* name;
    DWORD bit;
};
const AttributeName kAttributeNames[] = {
    {"readonly", FILE_ATTRIBUTE_READONLY}, {"hidden", FILE_ATTRIBUTE_HIDDEN}, {"system", FILE_ATTRIBUTE_SYSTEM},
    {"archive", FILE_ATTRIBUTE_ARCHIVE},   {"normal", FILE_ATTRIBUTE_NORMAL},
};

DWORD Attributes(const json& names, const std::string& field)
{
    DWORD attributes = 0;
    for (const json& name : List(names, field)) {
        std::string text = Text(name, field);
        auto known = std::find_if(std::begin(kAttributeNames), std::end(kAttributeNames),
                                  [&](const AttributeName& candidate) { return text == candidate.name; });
        if (known == std::end(kAttributeNames))
            throw ManifestProblem{field, "unknown file attribute \"" + text +
                                             "\" (readonly, hidden, system, archive or normal)"};
        attributes |= known->bit;
    }
    return attributes;
}

json AttributeList(DWORD attributes)
{
    json names = json::array();
    for (const AttributeName& known : kAttributeNames) {
        if (attributes & known.bit)
            names.push_back(known.name);
    }
    return names;
}

SYSTEMTIME ParseTime(const std::string& text)
{
    SYSTEMTIME time = {};
    unsigned year, month, day, hour, minute, second;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute, &second,
                    &tail) != 6 ||
        year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        throw ManifestProblem{"localTime", "\"localTime\" must be \"YYYY-MM-DD hh:mm:ss\""};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    // Day of the week by Zeller's congruence (0 = Sunday).
    unsigned y = month < 3 ? year - 1 : year;
    unsigned m = month < 3 ? month + 12 : month;
    unsigned h = (day + 13 * (m + 1) / 5 + y + y / 4 - y / 100 + y / 400) % 7;
    time.wDayOfWeek = static_cast<WORD>((h + 6) % 7);
    return time;
}

std::string FormatTime(const SYSTEMTIME& time)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

bool IsVersion(const std::string& text)
{
    unsigned a, b, c, d;
    char tail = 0;
    return std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a <= 0xFFFF && b <= 0xFFFF &&
           c <= 0xFFFF && d <= 0xFFFF;
}

void ReadMachine(const json& document, Machine& machine)
{
    ReadObject(document, "machine.json", {
        {"os", [&](const json& v) {
            ReadObject(v, "os", {
                {"major", [&](const json& f) { machine.os.major = Number(f, "major"); }},
                {"minor", [&](const json& f) { machine.os.minor = Number(f, "minor"); }},
                {"build", [&](const json& f) { machine.os.build = Number(f, "build"); }},
                {"platform", [&](const json& f) { machine.os.platform = Number(f, "platform"); }},
                {"servicePack", [&](const json& f) { machine.os.servicePack = Text(f, "servicePack"); }},
                {"queryFails", [&](const json& f) { machine.os.queryFails = Flag(f, "queryFails"); }},
            });
        }},
        {"token", [&](const json& v) {
            ReadObject(v, "token", {
                {"thread", [&](const json& f) { machine.tokens.thread = OneOf(f, "thread", kTokenKinds); }},
                {"process", [&](const json& f) { machine.tokens.process = OneOf(f, "process", kTokenKinds); }},
            });
        }},
        {"paths", [&](const json& v) {
            ReadObject(v, "paths", {
                {"executable", [&](const json& f) { machine.paths.executable = Text(f, "executable");
                    if (!machine.paths.executable.empty())
                        MachinePath(machine.paths.executable, "executable"); }},
                {"windows", [&](const json& f) { machine.paths.windows = PathText(f, "windows"); }},
                {"system", [&](const json& f) { machine.paths.system = PathText(f, "system"); }},
                {"temp", [&](const json& f) { machine.paths.temp = PathText(f, "temp"); }},
            });
        }},
        {"localTime", [&](const json& v) { machine.startTime = ParseTime(Text(v, "localTime")); }},
        {"runningObjects", [&](const json& v) {
            for (const json& name : List(v, "runningObjects"))
                machine.namedObjects.insert(Text(name, "runningObjects"));
        }},
        {"fileVersions", [&](const json& v) {
            if (!v.is_object())
                throw ManifestProblem{"fileVersions", "\"fileVersions\" must be an object"};
        }},
        {"printers", [&](const json& v) {
            for (const json& entry : List(v, "printers")) {
                Printer printer;
                ReadObject(entry, "printers", {
                    {"name", [&](const json& f) { printer.name = Text(f, "name"); }},
                    {"port", [&](const json& f) { printer.port = Text(f, "port"); }},
                    {"driver", [&](const json& f) { printer.driver = Text(f, "driver"); }},
                });
                machine.printers.push_back(printer);
            }
        }},
        {"ports", [&](const json& v) {
            for (const json& port : List(v, "ports"))
                machine.ports.push_back(Text(port, "ports"));
        }},
        {"printerListNotReadyCalls", [&](const json& v) {
            machine.printerListNotReadyCalls = Count(v, "printerListNotReadyCalls");
        }},
        {"socketsVersion", [&](const json& v) { machine.socketsVersion = SocketsVersion(v); }},
        {"dialog", [&](const json& v) { machine.dialog = ReadDialogAnswers(v); }},
        {"hostNames", [&](const json& v) {
            if (!v.is_object())
                throw ManifestProblem{"hostNames", "\"hostNames\" must be an object"};
            for (const auto& item : v.items())
                machine.hostNames[Utf8ToAnsi(item.key())] = Text(item.value(), item.key());
        }},
        {"services", [&](const json& v) {
            for (const json& entry : List(v, "services")) {
                Service service;
                ReadObject(entry, "services", {
                    {"name", [&](const json& f) { service.name = Text(f, "name"); }},
                    {"displayName", [&](const json& f) { service.displayName = Text(f, "displayName"); }},
                    {"state", [&](const json& f) { service.state = OneOf(f, "state", kServiceStates); }},
                    {"startType", [&](const json& f) { service.startType = OneOf(f, "startType", kStartTypes); }},
                    {"binaryPath", [&](const json& f) { service.binaryPath = Text(f, "binaryPath"); }},
                    {"startChecks", [&](const json& f) { service.startChecks = Count(f, "startChecks"); }},
                    {"stopChecks", [&](const json& f) { service.stopChecks = Count(f, "stopChecks"); }},
                    {"canOpen", [&](const json& f) { service.canOpen = Flag(f, "canOpen"); }},
                });
                machine.services.push_back(service);
            }
        }},
        {"programs", [&](const json& v) {
            for (const json& entry : List(v, "programs")) {
                Program program;
                ReadObject(entry, "programs", {
                    {"path", [&](const json& f) { program.path = PathText(f, "path"); }},
                    {"runsMs", [&](const json& f) { program.runsMs = Number(f, "runsMs"); }},
                    {"starts", [&](const json& f) { program.starts = Flag(f, "starts"); }},
                    {"service", [&](const json& f) { program.service = Text(f, "service"); }},
                });
                if (program.path.empty())
                    throw ManifestProblem{"programs", "every entry of \"programs\" needs a \"path\""};
                machine.programs.push_back(program);
            }
        }},
        {"registryView", [&](const json& v) { machine.registryView = OneOf(v, "registryView", {"32-bit", "64-bit"}); }},
        {"messageBoxAnswers", [&](const json& v) {
            for (const json& answer : List(v, "messageBoxAnswers"))
                machine.messageBoxAnswers.push_back(OneOf(answer, "messageBoxAnswers", kAnswers));
        }},
        {"fileAttributes", [&](const json& v) {
            if (!v.is_object())
                throw ManifestProblem{"fileAttributes", "\"fileAttributes\" must be an object"};
        }},
        {"pendingRenames", [&](const json& v) {
            for (const json& entry : List(v, "pendingRenames")) {
                PendingRename rename;
                ReadObject(entry, "pendingRenames", {
                    {"from", [&](const json& f) { rename.from = PathText(f, "from"); }},
                    {"to", [&](const json& f) {
                        rename.to = Text(f, "to");
                        if (!rename.to.empty())
                            MachinePath(rename.to, "to");
                    }},
                    {"replaceExisting", [&](const json& f) { rename.replaceExisting = Flag(f, "replaceExisting"); }},
                });
                machine.pendingRenames.push_back(rename);
            }
        }},
        {"heldFiles", [&](const json& v) {
            for (const json& entry : List(v, "heldFiles")) {
                HeldFile held;
                ReadObject(entry, "heldFiles", {
                    {"path", [&](const json& f) { held.path = PathText(f, "path"); }},
                    {"access", [&](const json& f) { held.access = Flags(f, "access", kAccessNames); }},
                    {"share", [&](const json& f) { held.share = Flags(f, "share", kShareNames); }},
                });
                if (held.path.empty())
                    throw ManifestProblem{"heldFiles", "every entry of \"heldFiles\" needs a \"path\""};
                machine.heldFiles.push_back(held);
            }
        }},
        {"faults", [&](const json& v) {
            for (const json& entry : List(v, "faults")) {
                Fault fault;
                ReadObject(entry, "faults", {
                    {"operation", [&](const json& f) {
                        fault.operation = Text(f, "operation");
                        if (!IsFaultableOperation(fault.operation))
                            throw ManifestProblem{"operation", "no operation of the machine is called \"" +
                                                                   fault.operation + "\""};
                    }},
                    {"call", [&](const json& f) { fault.call = Count(f, "call"); }},
                    {"error", [&](const json& f) { fault.error = Number(f, "error"); }},
                });
                machine.faults.push_back(fault);
            }
        }},
    });
    // File versions name files of the machine; a file not on its disks is created empty.
    if (document.contains("fileVersions")) {
        for (const auto& item : document["fileVersions"].items()) {
            std::string version = Text(item.value(), item.key());
            if (!IsVersion(version))
                throw ManifestProblem{item.key(), "the version of \"" + item.key() + "\" must be \"a.b.c.d\""};
            std::string path = MachinePath(Utf8ToAnsi(item.key()), item.key());
            SimFile* file = machine.files.Find(path);
            if (file == nullptr)
                file = &machine.files.Write(path, std::string());
            file->version = version;
        }
    }
    // Programs name files of the machine too; a missing one is created empty.
    for (const Program& program : machine.programs) {
        if (machine.files.Find(program.path) == nullptr)
            machine.files.Write(program.path, std::string());
    }
    // Attributes other than "archive" alone, of files on the machine's disks.
    if (document.contains("fileAttributes")) {
        for (const auto& item : document["fileAttributes"].items()) {
            DWORD attributes = Attributes(item.value(), item.key());
            SimFile* file = machine.files.Find(MachinePath(Utf8ToAnsi(item.key()), item.key()));
            if (file == nullptr)
                throw ManifestProblem{item.key(), "\"" + item.key() + "\" names no file of the machine"};
            file->attributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
        }
    }
}
}  // namespace

bool ReadManifest(const std::string& text, Machine& machine, ParseError& error)
{
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& problem) {
        error.line = LineOf(text, problem.byte > 0 ? problem.byte - 1 : 0);
        std::string what = problem.what();
        std::string::size_type colon = what.rfind(": ");
        error.message = "not valid JSON: " + (colon == std::string::npos ? what : what.substr(colon + 2));
        return false;
    }
    try {
        ReadMachine(document, machine);
    } catch (const ManifestProblem& problem) {
        error.line = LineOfField(text, problem.field);
        error.message = problem.message;
        return false;
    }
    return true;
}

std::string WriteManifest(const Machine& machine)
{
    json document;
    document["os"] = {{"major", machine.os.major},         {"minor", machine.os.minor},
                      {"build", machine.os.build},         {"platform", machine.os.platform},
                      {"servicePack", AnsiToUtf8(machine.os.servicePack)}, {"queryFails", machine.os.queryFails}};
    document["token"] = {{"thread", machine.tokens.thread}, {"process", machine.tokens.process}};
    document["paths"] = {{"executable", AnsiToUtf8(machine.paths.executable)},
                         {"windows", AnsiToUtf8(machine.paths.windows)},
                         {"system", AnsiToUtf8(machine.paths.system)},
                         {"temp", AnsiToUtf8(machine.paths.temp)}};
    document["localTime"] = FormatTime(machine.startTime);
    document["runningObjects"] = AnsiList({machine.namedObjects.begin(), machine.namedObjects.end()});
    json versions = json::object();
    for (const auto& entry : machine.files.Files()) {
        if (!entry.second.version.empty())
            versions[AnsiToUtf8(entry.second.path)] = entry.second.version;
    }
    document["fileVersions"] = versions;
    json attributes = json::object();
    for (const auto& entry : machine.files.Files()) {
        if (entry.second.attributes != FILE_ATTRIBUTE_ARCHIVE)
            attributes[AnsiToUtf8(entry.second.path)] = AttributeList(entry.second.attributes);
    }
    document["fileAttributes"] = attributes;
    document["printers"] = json::array();
    for (const Printer& printer : machine.printers)
        document["printers"].push_back({{"name", AnsiToUtf8(printer.name)},
                                        {"port", AnsiToUtf8(printer.port)},
                                        {"driver", AnsiToUtf8(printer.driver)}});
    document["ports"] = AnsiList(machine.ports);
    document["printerListNotReadyCalls"] = machine.printerListNotReadyCalls;
    document["socketsVersion"] = std::to_string(LOBYTE(machine.socketsVersion)) + "." +
                                 std::to_string(HIBYTE(machine.socketsVersion));
    document["hostNames"] = json::object();
    for (const auto& entry : machine.hostNames)
        document["hostNames"][AnsiToUtf8(entry.first)] = AnsiToUtf8(entry.second);
    document["services"] = json::array();
    for (const Service& service : machine.services) {
        document["services"].push_back({{"name", AnsiToUtf8(service.name)},
                                        {"displayName", AnsiToUtf8(service.displayName)},
                                        {"state", service.state},
                                        {"startType", service.startType},
                                        {"binaryPath", AnsiToUtf8(service.binaryPath)},
                                        {"startChecks", service.startChecks},
                                        {"stopChecks", service.stopChecks},
                                        {"canOpen", service.canOpen}});
    }
    document["programs"] = json::array();
    for (const Program& program : machine.programs) {
        document["programs"].push_back({{"path", AnsiToUtf8(program.path)},
                                        {"runsMs", program.runsMs},
                                        {"starts", program.starts},
                                        {"service", AnsiToUtf8(program.service)}});
    }
    if (!machine.registryView.empty())
        document["registryView"] = machine.registryView;
    document["messageBoxAnswers"] = machine.messageBoxAnswers;
    document["pendingRenames"] = json::array();
    for (const PendingRename& rename : machine.pendingRenames)
        document["pendingRenames"].push_back({{"from", AnsiToUtf8(rename.from)},
                                              {"to", AnsiToUtf8(rename.to)},
                                              {"replaceExisting", rename.replaceExisting}});
    if (!machine.dialog.empty())
        document["dialog"] = WriteDialogAnswers(machine.dialog);
    if (!machine.heldFiles.empty()) {
        document["heldFiles"] = json::array();
        for (const HeldFile& held : machine.heldFiles)
            document["heldFiles"].push_back({{"path", AnsiToUtf8(held.path)},
                                             {"access", FlagList(held.access, kAccessNames)},
                                             {"share", FlagList(held.share, kShareNames)}});
    }
    document["faults"] = json::array();
    for (const Fault& fault : machine.faults)
        document["faults"].push_back({{"operation", AnsiToUtf8(fault.operation)}, {"call", fault.call}, {"error", fault.error}});
    return document.dump(2) + "\n";
}

}  // namespace sim
