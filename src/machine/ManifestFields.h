// The fields of machine.json's objects: each a name, the member it fills and
// its kind, for the reader and the writer both. A table of them reads and
// writes one kind of object. Used by the manifest's field tables alone.
#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "machine/ManifestValues.h"

namespace machine::manifest {

template <typename Record>
struct Field {
    std::string name;
    std::function<void(JsonValue value, Record& record)> read;
    // Adds the field's name and value to the object being written.
    std::function<void(const Record& record, JsonTree& out)> write;
    bool required = false;  // an object without it is refused
    // Run once every field of the object is read, for work that needs the others.
    std::function<void(JsonValue value, Record& record)> complete;

    Field Required() const
    {
        Field copy = *this;
        copy.required = true;
        return copy;
    }
    Field ThenComplete(std::function<void(JsonValue value, Record& record)> step) const
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
    field.read = [=](JsonValue value, Record& record) { kind.Read(value, name, record.*member); };
    field.write = [=](const Record& record, JsonTree& out) {
        out.Key(name);
        kind.Write(record.*member, out);
    };
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
    field.write = [=](const Record& record, JsonTree& out) {
        if (IsSet(record.*member)) {
            out.Key(name);
            kind.Write(record.*member, out);
        }
    };
    return field;
}

// A table of fields: read in its own order (the order completion runs in),
// written in the order of their names, as the document holds them.
template <typename Record>
struct Fields {
    Fields(std::initializer_list<Field<Record>> fields) : all(fields)
    {
        for (const Field<Record>& field : all)
            byName.push_back(&field);
        std::sort(byName.begin(), byName.end(),
                  [](const Field<Record>* a, const Field<Record>* b) { return a->name < b->name; });
    }
    Fields(const Fields&) = delete;  // `byName` points into `all`
    std::vector<Field<Record>> all;
    std::vector<const Field<Record>*> byName;
};

// An object of `where` ("os", the list "printers", ...): unknown fields are refused.
template <typename Record>
void ReadRecord(JsonValue object, const std::string& where, const Fields<Record>& fields, Record& record)
{
    Object(object, where).ForEachMember([&](JsonValue item) {
        auto field = std::find_if(fields.all.begin(), fields.all.end(),
                                  [&](const Field<Record>& candidate) { return candidate.name == item.Key(); });
        if (field == fields.all.end())
            throw ManifestProblem{std::string(item.Key()), "unknown field \"" + std::string(item.Key()) + "\" in " + where};
        field->read(item, record);
    });
    for (const Field<Record>& field : fields.all) {
        if (field.required && !object.Find(field.name))
            throw ManifestProblem{where, "every entry of \"" + where + "\" needs a \"" + field.name + "\""};
    }
    for (const Field<Record>& field : fields.all) {
        if (!field.complete)
            continue;
        if (std::optional<JsonValue> value = object.Find(field.name))
            field.complete(*value, record);
    }
}

template <typename Record>
void WriteRecord(const Record& record, const Fields<Record>& fields, JsonTree& out)
{
    out.StartObject();
    for (const Field<Record>* field : fields.byName)
        field->write(record, out);
    out.End();
}

// An object whose fields are given by a table.
template <typename Record>
struct RecordKind {
    const Fields<Record>& fields;
    void Read(JsonValue value, const std::string& field, Record& into) const { ReadRecord(value, field, fields, into); }
    void Write(const Record& record, JsonTree& out) const { WriteRecord(record, fields, out); }
};

}  // namespace machine::manifest
