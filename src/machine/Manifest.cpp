#include "machine/Manifest.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "machine/JsonRead.h"
#include "machine/JsonTree.h"
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
    void Read(JsonValue value, const std::string& field, std::vector<DialogAnswers>& into) const
    {
        if (!value.IsArray()) {
            into.assign(1, DialogAnswers{});
            set.Read(value, field, into.front());
            return;
        }
        std::vector<DialogAnswers> sets;
        for (JsonValue item : value.Items())
            set.Read(item, field, sets.emplace_back());
        if (sets.empty())
            throw ManifestProblem{field, "\"" + field + "\" needs at least one set of answers"};
        into = sets;
    }
    void Write(const std::vector<DialogAnswers>& sets, JsonTree& out) const
    {
        if (sets.size() == 1)
            set.Write(sets.front(), out);
        else
            ListOf<RecordKind<DialogAnswers>>{set}.Write(sets, out);
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
    void Read(JsonValue value, const std::string& field, FileSystem&) const { Object(value, field); }
    void Write(const FileSystem& files, JsonTree& out) const
    {
        out.StartObject();
        for (const auto& entry : files.Files()) {
            if (!entry.second.version.empty()) {
                out.Key(Utf8Of(entry.second.path));
                out.String(entry.second.version);
            }
        }
        out.End();
    }
    static void Apply(JsonValue versions, Machine& machine)
    {
        versions.ForEachMember([&machine](JsonValue item) {
            std::string path(item.Key());
            std::string version = Text(item, path);
            if (!IsVersion(version))
                throw ManifestProblem{path, "the version of \"" + path + "\" must be \"a.b.c.d\""};
            MachineFile(machine, MachinePath(path, path), path).version = version;
        });
    }
};

// Attributes other than "archive" alone, of files on the disks (written or
// created by then). Applied last.
struct FileAttributesKind {
    void Read(JsonValue value, const std::string& field, FileSystem&) const { Object(value, field); }
    void Write(const FileSystem& files, JsonTree& out) const
    {
        out.StartObject();
        for (const auto& entry : files.Files()) {
            if (entry.second.attributes != FILE_ATTRIBUTE_ARCHIVE) {
                out.Key(Utf8Of(entry.second.path));
                kAttributeNames.Write(entry.second.attributes, out);
            }
        }
        out.End();
    }
    static void Apply(JsonValue attributes, Machine& machine)
    {
        attributes.ForEachMember([&machine](JsonValue item) {
            std::string path(item.Key());
            DWORD bits = 0;
            kAttributeNames.Read(item, path, bits);
            SimFile* file = machine.files.Find(MachinePath(path, path));
            if (file == nullptr)
                throw ManifestProblem{path, "\"" + path + "\" names no file of the machine"};
            file->attributes = bits != 0 ? bits : FILE_ATTRIBUTE_NORMAL;
        });
    }
};

// Programs name files of the machine too; a missing one is created empty.
void CreateProgramFiles(JsonValue, Machine& machine)
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

// ---- The document as text: its lines.

// The field as the text spells it, escapes and all ("C:\\a" for C:\a).
int LineOfField(const std::string& text, const std::string& field)
{
    std::size_t at = text.find(JsonQuoted(field));
    return at == std::string::npos ? 0 : LineOf(text, at);
}

// The code page the manifest states; none in a folder of the days of 8-bit
// machines (or in text that is no JSON object).
std::optional<JsonValue> StatedCodePage(const ParsedManifest& manifest)
{
    if (!manifest.valid || !manifest.document.Root().IsObject())
        return std::nullopt;
    return manifest.document.Root().Find(kCodePageField);
}
}  // namespace

void ParseManifest(const std::string& text, ParsedManifest& manifest)
{
    manifest.text = &text;
    manifest.valid = ReadJson(text, manifest.document, manifest.problem);
}

bool ReadFolderTexts(const ParsedManifest& manifest, FolderTexts& texts, ParseError& error)
{
    texts = FolderTexts();
    std::optional<JsonValue> codePageValue = StatedCodePage(manifest);
    if (!codePageValue) {
        texts.latin1Era = true;
        return true;
    }
    try {
        DWORD codePage = kDefaultCodePage;
        CodePageKind{}.Read(*codePageValue, kCodePageField, codePage);
        texts.codePage = codePage;
    } catch (const ManifestProblem& problem) {
        error = {LineOfField(*manifest.text, problem.field), problem.message};
        return false;
    }
    return true;
}

bool ReadManifest(ParsedManifest& manifest, Machine& machine, ParseError& error)
{
    if (!manifest.valid) {
        error = manifest.problem;
        return false;
    }
    const std::string& text = *manifest.text;
    JsonTree& document = manifest.document;
    try {
        if (document.Twice())
            throw ManifestProblem{*document.Twice(), "\"" + *document.Twice() + "\" is given twice in one object"};
        if (document.Root().IsObject() && !StatedCodePage(manifest))
            document.ChangeTexts([](std::string_view eightBit) { return FromLatin1Era(std::string(eightBit)); });
        ReadRecord(document.Root(), "machine.json", kMachineFields, machine);
    } catch (const ManifestProblem& problem) {
        error.line = LineOfField(text, problem.field);
        error.message = problem.message;
        return false;
    }
    return true;
}

bool ReadManifest(const std::string& text, Machine& machine, ParseError& error)
{
    ParsedManifest manifest;
    ParseManifest(text, manifest);
    return ReadManifest(manifest, machine, error);
}

std::string WriteManifest(const Machine& machine)
{
    JsonTree document;
    WriteRecord(machine, kMachineFields, document);
    return document.Pretty() + "\n";
}

}  // namespace machine
