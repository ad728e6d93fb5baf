// A JSON document as machine.json is read into and written from: its values
// in one array and their texts in one buffer, built value by value in
// document order (as a parser reports them, or as a writer gives them). A
// document of a million records costs a few allocations, not several per
// value, and nothing here recurses, however deep the document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine/NameIndex.h"

namespace machine {

enum class JsonType : std::uint8_t { Null, Boolean, Unsigned, Integer, Float, String, Array, Object };

class JsonTree;

// One value of a tree: a handle, valid while its tree stands unchanged.
class JsonValue {
public:
    JsonValue(const JsonTree& tree, std::size_t index) : m_tree(&tree), m_index(index) {}

    JsonType Type() const;
    bool IsObject() const { return Type() == JsonType::Object; }
    bool IsArray() const { return Type() == JsonType::Array; }
    bool IsString() const { return Type() == JsonType::String; }
    bool IsBoolean() const { return Type() == JsonType::Boolean; }
    bool IsUnsigned() const { return Type() == JsonType::Unsigned; }

    std::string_view Text() const;  // a string's
    bool Boolean() const;
    std::uint64_t Unsigned() const;

    // An array's items, or an object's values, in document order.
    std::vector<JsonValue> Items() const;
    // Gives `visit` an object's values by their names, in the order of the
    // names' bytes (as a map of names holds them; of a name given twice, the
    // last), with no list of them made where the names stand in that order
    // already, as the manifest writes them.
    template <typename Visit>
    void ForEachMember(const Visit& visit) const;
    // The name of an object's value.
    std::string_view Key() const;
    // An object's value of that name: of a name given twice, the last.
    std::optional<JsonValue> Find(std::string_view name) const;

private:
    friend class JsonTree;
    const JsonTree* m_tree;
    std::size_t m_index;
};

class JsonTree {
public:
    // A document to write: its names are the writer's, not checked for twins.
    JsonTree() = default;
    // A document to read from a text of so many bytes: room for its values,
    // as a written manifest holds them (it grows if the text holds more),
    // and its names checked for twins (Twice).
    explicit JsonTree(std::size_t textBytes);

    // ---- Building, in document order. Inside an object, Key names the value
    // that follows it.
    void Null();
    void Boolean(bool value);
    void Unsigned(std::uint64_t value);
    void Integer(std::int64_t value);
    void Float(double value);
    void String(std::string_view text);
    void Key(std::string_view name);
    void StartObject();
    void StartArray();
    void End();  // of the innermost open object or array

    bool Empty() const { return m_nodes.empty(); }
    JsonValue Root() const { return JsonValue(*this, 0); }
    // The first name given twice in one object, in document order.
    const std::optional<std::string>& Twice() const { return m_twice; }

    // Every string and every name replaced by what `change` makes of it.
    void ChangeTexts(const std::function<std::string(std::string_view)>& change);

    // The document as the manifest is written: two spaces an indent level,
    // each object's names in the order of their bytes (of a name given twice,
    // the last value), strings as their UTF-8 with what JSON must escape escaped.
    std::string Pretty() const;

private:
    friend class JsonValue;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    struct Node {
        JsonType type = JsonType::Null;
        bool boolean = false;
        bool named = false;  // a value of an object, with a name
        std::size_t next = kNone;
        std::size_t first = kNone;
        std::size_t keyAt = 0, keyLength = 0;
        std::uint64_t textOrNumber = 0;  // where a string's text starts in m_texts, or a number's value
        std::size_t textLength = 0;
    };
    // An object or array being built: its last value so far, and (for an
    // object beyond a few names) its values by name.
    struct Open {
        std::size_t node = 0;
        std::size_t last = kNone;
        std::size_t count = 0;
        NameIndex names;
    };

    Node& Add(JsonType type);
    std::string_view KeyOf(std::size_t index) const { return {m_texts.data() + m_nodes[index].keyAt, m_nodes[index].keyLength}; }
    std::string_view TextOf(std::size_t index) const { return {m_texts.data() + m_nodes[index].textOrNumber, m_nodes[index].textLength}; }
    void NoteName(Open& open, std::size_t index);
    std::vector<JsonValue> SortedMembers(std::size_t object) const;
    // Whether an object's names stand in the order of their bytes, none twice
    // (as the manifest is written).
    bool NamesInOrder(std::size_t object) const;

    std::vector<Node> m_nodes;
    std::string m_texts;
    std::vector<Open> m_open;
    bool m_checkNames = false;
    bool m_keyPending = false;
    std::size_t m_keyAt = 0, m_keyLength = 0;
    std::optional<std::string> m_twice;
};

template <typename Visit>
void JsonValue::ForEachMember(const Visit& visit) const
{
    if (!m_tree->NamesInOrder(m_index)) {
        for (JsonValue member : m_tree->SortedMembers(m_index))
            visit(member);
        return;
    }
    for (std::size_t at = m_tree->m_nodes[m_index].first; at != JsonTree::kNone; at = m_tree->m_nodes[at].next)
        visit(JsonValue(*m_tree, at));
}

// A text as JSON writes it, quotes and escapes and all ("C:\\a" for C:\a).
std::string JsonQuoted(std::string_view text);

}  // namespace machine
