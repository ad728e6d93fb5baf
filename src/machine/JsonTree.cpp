#include "machine/JsonTree.h"

#include <algorithm>
#include <cstdio>

namespace machine {

namespace {
// Up to this many names an object's names are compared one by one; beyond,
// through a NameIndex, so an object of a million names stays linear.
const std::size_t kNamesComparedInTurn = 16;

// Whether JSON writes the character escaped.
bool Escaped(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

void AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    std::size_t plain = 0;  // the start of the run of characters written as they are
    for (std::size_t at = 0; at < text.size(); ++at) {
        char c = text[at];
        if (!Escaped(c))
            continue;
        out.append(text, plain, at - plain);
        plain = at + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        }
        }
    }
    out.append(text, plain, std::string_view::npos);
    out += '"';
}
}  // namespace

// ---- Values

JsonType JsonValue::Type() const { return m_tree->m_nodes[m_index].type; }

std::string_view JsonValue::Text() const { return m_tree->TextOf(m_index); }

bool JsonValue::Boolean() const { return m_tree->m_nodes[m_index].boolean; }

std::uint64_t JsonValue::Unsigned() const { return m_tree->m_nodes[m_index].textOrNumber; }

std::vector<JsonValue> JsonValue::Items() const
{
    std::vector<JsonValue> items;
    for (std::size_t at = m_tree->m_nodes[m_index].first; at != JsonTree::kNone; at = m_tree->m_nodes[at].next)
        items.emplace_back(*m_tree, at);
    return items;
}

std::string_view JsonValue::Key() const { return m_tree->KeyOf(m_index); }

std::optional<JsonValue> JsonValue::Find(std::string_view name) const
{
    std::optional<JsonValue> found;
    for (std::size_t at = m_tree->m_nodes[m_index].first; at != JsonTree::kNone; at = m_tree->m_nodes[at].next) {
        if (m_tree->KeyOf(at) == name)
            found = JsonValue(*m_tree, at);
    }
    return found;
}

// ---- Building

JsonTree::JsonTree(std::size_t textBytes) : m_checkNames(true)
{
    // A written manifest holds a value in about every 24 bytes (names,
    // quotes, indents); its texts are never longer than the text.
    m_nodes.reserve(textBytes / 24);
    m_texts.reserve(textBytes);
}

JsonTree::Node& JsonTree::Add(JsonType type)
{
    std::size_t index = m_nodes.size();
    Node& node = m_nodes.emplace_back();
    node.type = type;
    if (m_keyPending) {
        node.named = true;
        node.keyAt = m_keyAt;
        node.keyLength = m_keyLength;
        m_keyPending = false;
    }
    if (!m_open.empty()) {
        Open& open = m_open.back();
        if (open.last == kNone)
            m_nodes[open.node].first = index;
        else
            m_nodes[open.last].next = index;
        open.last = index;
        ++open.count;
        if (m_checkNames && m_nodes[open.node].type == JsonType::Object)
            NoteName(open, index);
    }
    return m_nodes[index];
}

void JsonTree::NoteName(Open& open, std::size_t index)
{
    std::string_view name = KeyOf(index);
    auto keyOf = [this](std::size_t at) { return KeyOf(at); };
    bool twice = false;
    if (open.count <= kNamesComparedInTurn) {
        for (std::size_t at = m_nodes[open.node].first; at != index && !twice; at = m_nodes[at].next)
            twice = KeyOf(at) == name;
    } else {
        if (open.names.Empty()) {
            for (std::size_t at = m_nodes[open.node].first; at != index; at = m_nodes[at].next)
                open.names.Add(at, keyOf);
        }
        twice = !open.names.Add(index, keyOf);
    }
    if (twice && !m_twice)
        m_twice = std::string(name);
}

void JsonTree::Null() { Add(JsonType::Null); }

void JsonTree::Boolean(bool value) { Add(JsonType::Boolean).boolean = value; }

void JsonTree::Unsigned(std::uint64_t value) { Add(JsonType::Unsigned).textOrNumber = value; }

void JsonTree::Integer(std::int64_t value) { Add(JsonType::Integer).textOrNumber = static_cast<std::uint64_t>(value); }

void JsonTree::Float(double) { Add(JsonType::Float); }

void JsonTree::String(std::string_view text)
{
    std::size_t at = m_texts.size();
    m_texts.append(text);
    Node& node = Add(JsonType::String);
    node.textOrNumber = at;
    node.textLength = text.size();
}

void JsonTree::Key(std::string_view name)
{
    m_keyAt = m_texts.size();
    m_keyLength = name.size();
    m_texts.append(name);
    m_keyPending = true;
}

void JsonTree::StartObject()
{
    Add(JsonType::Object);
    m_open.emplace_back().node = m_nodes.size() - 1;
}

void JsonTree::StartArray()
{
    Add(JsonType::Array);
    m_open.emplace_back().node = m_nodes.size() - 1;
}

void JsonTree::End()
{
    if (!m_open.empty())
        m_open.pop_back();
}

void JsonTree::ChangeTexts(const std::function<std::string(std::string_view)>& change)
{
    std::string texts;
    texts.reserve(m_texts.size());
    for (std::size_t index = 0; index < m_nodes.size(); ++index) {
        Node& node = m_nodes[index];
        if (node.named) {
            std::string name = change(KeyOf(index));
            node.keyAt = texts.size();
            node.keyLength = name.size();
            texts += name;
        }
        if (node.type == JsonType::String) {
            std::string text = change(TextOf(index));
            node.textOrNumber = texts.size();
            node.textLength = text.size();
            texts += text;
        }
    }
    m_texts = std::move(texts);
}

// ---- Writing

std::vector<JsonValue> JsonTree::SortedMembers(std::size_t object) const
{
    std::vector<JsonValue> members;
    for (std::size_t at = m_nodes[object].first; at != kNone; at = m_nodes[at].next)
        members.emplace_back(*this, at);
    // Of a name given twice, the last value stands: equal names keep their order.
    auto before = [this](JsonValue a, JsonValue b) {
        int order = KeyOf(a.m_index).compare(KeyOf(b.m_index));
        return order < 0 || (order == 0 && a.m_index < b.m_index);
    };
    std::sort(members.begin(), members.end(), before);
    auto sameName = [this](JsonValue a, JsonValue b) { return KeyOf(a.m_index) == KeyOf(b.m_index); };
    std::size_t kept = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i + 1 == members.size() || !sameName(members[i], members[i + 1]))
            members[kept++] = members[i];
    }
    members.erase(members.begin() + static_cast<long>(kept), members.end());
    return members;
}

std::string JsonTree::Pretty() const
{
    std::string out;
    if (m_nodes.empty())
        return out;
    // About what a manifest takes: its texts, and a line of indent, quotes
    // and punctuation a value.
    out.reserve(m_texts.size() + 24 * m_nodes.size());
    // The containers being written, each with the next value to write: an
    // array's, and an object's whose names stand in order, along their chain;
    // another object's from its values sorted by name.
    struct Writing {
        std::size_t node;
        bool chained;
        std::vector<JsonValue> sorted;
        std::size_t next;  // a value's index when chained, else a place in `sorted`
        bool started = false;
    };
    std::vector<Writing> stack;
    auto indent = [&out, &stack] { out.append(2 * stack.size(), ' '); };
    auto done = [](const Writing& writing) {
        return writing.chained ? writing.next == kNone : writing.next == writing.sorted.size();
    };
    std::size_t value = 0;
    for (;;) {
        const Node& node = m_nodes[value];
        if (node.named && !stack.empty() && m_nodes[stack.back().node].type == JsonType::Object) {
            AppendQuoted(out, KeyOf(value));
            out += ": ";
        }
        switch (node.type) {
        case JsonType::Null: out += "null"; break;
        case JsonType::Boolean: out += node.boolean ? "true" : "false"; break;
        case JsonType::Unsigned: out += std::to_string(node.textOrNumber); break;
        case JsonType::Integer: out += std::to_string(static_cast<std::int64_t>(node.textOrNumber)); break;
        case JsonType::Float: out += "0.0"; break;  // never written: the manifest holds whole numbers
        case JsonType::String: AppendQuoted(out, TextOf(value)); break;
        case JsonType::Array:
        case JsonType::Object: {
            bool object = node.type == JsonType::Object;
            if (node.first == kNone) {
                out += object ? "{}" : "[]";
                break;
            }
            out += object ? "{\n" : "[\n";
            if (!object || NamesInOrder(value))
                stack.push_back({value, true, {}, node.first});
            else
                stack.push_back({value, false, SortedMembers(value), 0});
            break;
        }
        }
        // The next value to write, closing the containers that are done.
        while (!stack.empty() && done(stack.back())) {
            bool object = m_nodes[stack.back().node].type == JsonType::Object;
            stack.pop_back();
            out += '\n';
            indent();
            out += object ? '}' : ']';
        }
        if (stack.empty())
            return out;
        Writing& top = stack.back();
        if (top.started)
            out += ",\n";
        top.started = true;
        indent();
        if (top.chained) {
            value = top.next;
            top.next = m_nodes[value].next;
        } else {
            value = top.sorted[top.next++].m_index;
        }
    }
}

bool JsonTree::NamesInOrder(std::size_t object) const
{
    std::size_t at = m_nodes[object].first;
    for (std::size_t next; at != kNone && (next = m_nodes[at].next) != kNone; at = next) {
        if (!(KeyOf(at) < KeyOf(next)))
            return false;
    }
    return true;
}

std::string JsonQuoted(std::string_view text)
{
    std::string out;
    AppendQuoted(out, text);
    return out;
}

}  // namespace machine
