#include "machine/Manifest.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <vector>
#include <nlohmann/json.hpp>

#include "machine/ManifestFields.h"
#include "machine/ManifestValues.h"
#include "machine/TextEncodings.h"

namespace machine {

using namespace manifest;

namespace {
// ---- Kinds of value particular to the machine's records.

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
                versions[Utf8Of(entry.second.path)] = entry.second.version;
        }
        return versions;
    }
    static void Apply(const json& versions, Machine& machine)
    {
        for (const auto& item : versions.items()) {
            std::string version = Text(item.value(), item.key());
            if (!IsVersion(version))
                throw ManifestProblem{item.key(), "the version of \"" + item.key() + "\" must be \"a.b.c.d\""};
            MachineFile(machine, MachinePath(item.key(), item.key()), item.key()).version =
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
                attributes[Utf8Of(entry.second.path)] = kAttributeNames.Write(entry.second.attributes);
        }
        return attributes;
    }
    static void Apply(const json& attributes, Machine& machine)
    {
        for (const auto& item : attributes.items()) {
            DWORD bits = 0;
            kAttributeNames.Read(item.value(), item.key(), bits);
            SimFile* file = machine.files.Find(MachinePath(item.key(), item.key()));
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
    FieldOf("commonAppData", &Paths::commonAppData, PathKind{true}),
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
    FieldOf("loaded", &HeldFile::loaded, FlagKind{}),
};

const Fields<Fault> kFaultFields = {
    FieldOf("operation", &Fault::operation, OperationKind{}),
    FieldOf("call", &Fault::call, CountKind{}),
    FieldOf("error", &Fault::error, NumberKind{}),
};

// Completion runs in this order: versions, then the programs' files, then attributes.
const char kCodePageField[] = "ansiCodePage";

const Fields<Machine> kMachineFields = {
    FieldOf(kCodePageField, &Machine::ansiCodePage, CodePageKind{}),
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

// ---- The document as text: its lines, its parsing.

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

// The document of a folder of the days of 8-bit machines, its every text
// (names and values) as FromLatin1Era reads it.
json FromLatin1Era(const json& value)
{
    if (value.is_string())
        return machine::FromLatin1Era(value.get<std::string>());
    if (value.is_array()) {
        json list = json::array();
        for (const json& item : value)
            list.push_back(FromLatin1Era(item));
        return list;
    }
    if (!value.is_object())
        return value;
    json object = json::object();
    for (const auto& item : value.items())
        object[machine::FromLatin1Era(item.key())] = FromLatin1Era(item.value());
    return object;
}
}  // namespace

bool ReadFolderTexts(const std::string& text, FolderTexts& texts, ParseError& error)
{
    texts = FolderTexts();
    json document = json::parse(text, nullptr, false);
    if (!document.is_object() || !document.contains(kCodePageField)) {
        texts.latin1Era = true;
        return true;
    }
    try {
        DWORD codePage = kDefaultCodePage;
        CodePageKind{}.Read(document.at(kCodePageField), kCodePageField, codePage);
        texts.codePage = codePage;
    } catch (const ManifestProblem& problem) {
        error = {LineOfField(text, problem.field), problem.message};
        return false;
    }
    return true;
}

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
        if (document.is_object() && !document.contains(kCodePageField))
            document = FromLatin1Era(document);
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
