// The kinds of value machine.json holds: how each is checked and read from
// its JSON value into a member of the machine, and written back. Used by the
// manifest's field tables alone.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <nlohmann/json.hpp>

#include "machine/Machine.h"

namespace machine::manifest {

using nlohmann::json;

// A problem found while walking the parsed document; `field` locates it in the text.
struct ManifestProblem {
    std::string field;
    std::string message;
};

// ---- Checks of single values: each throws a problem naming the field.

const json& Object(const json& value, const std::string& field);
const json& List(const json& value, const std::string& field);
std::string Text(const json& value, const std::string& field);
// A path of the machine's disks, "X:\...".
std::string MachinePath(const std::string& path, const std::string& field);

// ---- Kinds of field. Each reads one JSON value into a member of its type
// (Read, which checks it) and gives the JSON value of a member (Write).

// Texts are UTF-8, in the manifest as in the machine.
struct TextKind {
    void Read(const json& value, const std::string& field, std::string& into) const;
    json Write(const std::string& text) const;
};

// A path on the machine's disks; `mayBeEmpty`: "" stands for none.
struct PathKind {
    bool mayBeEmpty = false;
    void Read(const json& value, const std::string& field, std::string& into) const;
    json Write(const std::string& path) const;
};

struct ChoiceKind {
    std::vector<const char*> options;
    void Read(const json& value, const std::string& field, std::string& into) const;
    json Write(const std::string& choice) const;
};

struct NumberKind {
    void Read(const json& value, const std::string& field, DWORD& into) const;
    json Write(DWORD number) const;
};

// A code page the machine models (TextEncodings.h).
struct CodePageKind {
    void Read(const json& value, const std::string& field, DWORD& into) const;
    json Write(DWORD codePage) const;
};

struct CountKind {
    void Read(const json& value, const std::string& field, int& into) const;
    json Write(int count) const;
};

struct FlagKind {
    void Read(const json& value, const std::string& field, bool& into) const;
    json Write(bool flag) const;
};

std::string UnknownFlag(const std::string& field, const std::string& name);

// Names of bits, written as a list of the names set.
struct FlagNamesKind {
    std::vector<std::pair<const char*, DWORD>> names;
    std::string (*unknown)(const std::string& field, const std::string& name) = UnknownFlag;
    void Read(const json& value, const std::string& field, DWORD& into) const;
    json Write(DWORD flags) const;
};

// "YYYY-MM-DD hh:mm:ss", local time, within the years a SYSTEMTIME that
// Windows converts to a file time can hold.
struct TimeKind {
    void Read(const json& value, const std::string& field, SYSTEMTIME& into) const;
    json Write(const SYSTEMTIME& time) const;
};

// "major.minor", each 0-255.
struct VersionWordKind {
    void Read(const json& value, const std::string& field, WORD& into) const;
    json Write(WORD version) const;
};

// "a.b.c.d" where each field is 0-255 or left empty (a blank field); "" is a cleared control.
struct IpFieldsKind {
    void Read(const json& value, const std::string& field, std::string& into) const;
    json Write(const std::string& text) const;
};

// The name of an operation the machine can be told to fail.
struct OperationKind {
    void Read(const json& value, const std::string& field, std::string& into) const;
    json Write(const std::string& operation) const;
};

// Texts by text, as a JSON object.
struct TextMapKind {
    void Read(const json& value, const std::string& field, std::map<std::string, std::string>& into) const;
    json Write(const std::map<std::string, std::string>& texts) const;
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

}  // namespace machine::manifest
