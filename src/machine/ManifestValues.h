// The kinds of value machine.json holds: how each is checked and read from
// its JSON value into a member of the machine, and written back. Used by the
// manifest's field tables alone.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "machine/JsonTree.h"
#include "machine/Machine.h"

namespace machine::manifest {

// A problem found while walking the parsed document; `field` locates it in the text.
struct ManifestProblem {
    std::string field;
    std::string message;
};

// ---- Checks of single values: each throws a problem naming the field.

JsonValue Object(JsonValue value, const std::string& field);
JsonValue List(JsonValue value, const std::string& field);
std::string Text(JsonValue value, const std::string& field);
// A path of the machine's disks, "X:\...".
std::string MachinePath(const std::string& path, const std::string& field);

// ---- Kinds of field. Each reads one JSON value into a member of its type
// (Read, which checks it) and adds the JSON value of a member to a document
// being written (Write).

// Texts are UTF-8, in the manifest as in the machine.
struct TextKind {
    void Read(JsonValue value, const std::string& field, std::string& into) const;
    void Write(const std::string& text, JsonTree& out) const;
};

// A path on the machine's disks; `mayBeEmpty`: "" stands for none.
struct PathKind {
    bool mayBeEmpty = false;
    void Read(JsonValue value, const std::string& field, std::string& into) const;
    void Write(const std::string& path, JsonTree& out) const;
};

struct ChoiceKind {
    std::vector<const char*> options;
    void Read(JsonValue value, const std::string& field, std::string& into) const;
    void Write(const std::string& choice, JsonTree& out) const;
};

struct NumberKind {
    void Read(JsonValue value, const std::string& field, DWORD& into) const;
    void Write(DWORD number, JsonTree& out) const;
};

// A code page the machine models (TextEncodings.h).
struct CodePageKind {
    void Read(JsonValue value, const std::string& field, DWORD& into) const;
    void Write(DWORD codePage, JsonTree& out) const;
};

struct CountKind {
    void Read(JsonValue value, const std::string& field, int& into) const;
    void Write(int count, JsonTree& out) const;
};

struct FlagKind {
    void Read(JsonValue value, const std::string& field, bool& into) const;
    void Write(bool flag, JsonTree& out) const;
};

std::string UnknownFlag(const std::string& field, const std::string& name);

// Names of bits, written as a list of the names set.
struct FlagNamesKind {
    std::vector<std::pair<const char*, DWORD>> names;
    std::string (*unknown)(const std::string& field, const std::string& name) = UnknownFlag;
    void Read(JsonValue value, const std::string& field, DWORD& into) const;
    void Write(DWORD flags, JsonTree& out) const;
};

// "YYYY-MM-DD hh:mm:ss", local time, within the years a SYSTEMTIME that
// Windows converts to a file time can hold.
struct TimeKind {
    void Read(JsonValue value, const std::string& field, SYSTEMTIME& into) const;
    void Write(const SYSTEMTIME& time, JsonTree& out) const;
};

// "major.minor", each 0-255.
struct VersionWordKind {
    void Read(JsonValue value, const std::string& field, WORD& into) const;
    void Write(WORD version, JsonTree& out) const;
};

// "a.b.c.d" where each field is 0-255 or left empty (a blank field); "" is a cleared control.
struct IpFieldsKind {
    void Read(JsonValue value, const std::string& field, std::string& into) const;
    void Write(const std::string& text, JsonTree& out) const;
};

// The name of an operation the machine can be told to fail.
struct OperationKind {
    void Read(JsonValue value, const std::string& field, std::string& into) const;
    void Write(const std::string& operation, JsonTree& out) const;
};

// Texts by text, as a JSON object.
struct TextMapKind {
    void Read(JsonValue value, const std::string& field, std::map<std::string, std::string>& into) const;
    void Write(const std::map<std::string, std::string>& texts, JsonTree& out) const;
};

template <typename Element>
struct Maybe {
    Element element;
    template <typename Value>
    void Read(JsonValue value, const std::string& field, std::optional<Value>& into) const
    {
        Value read{};
        element.Read(value, field, read);
        into = read;
    }
    template <typename Value>
    void Write(const std::optional<Value>& value, JsonTree& out) const { element.Write(*value, out); }
};

// Read entries are added to what the container holds.
template <typename Element>
struct ListOf {
    Element element;
    template <typename Container>
    void Read(JsonValue value, const std::string& field, Container& into) const
    {
        for (JsonValue item : List(value, field).Items()) {
            typename Container::value_type entry{};
            element.Read(item, field, entry);
            into.insert(into.end(), std::move(entry));
        }
    }
    template <typename Container>
    void Write(const Container& entries, JsonTree& out) const
    {
        out.StartArray();
        for (const auto& entry : entries)
            element.Write(entry, out);
        out.End();
    }
};

}  // namespace machine::manifest
