// The fields of machine.json's objects: each a name, the member it fills and
// its kind, for the reader and the writer both. A table of them reads and
// writes one kind of object. Used by the manifest's field tables alone.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "machine/ManifestValues.h"

namespace machine::manifest {

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

}  // namespace machine::manifest
