// Test support: reading the runner's scene log (--scene, JSON Lines; docs/runner.md).
#pragma once

#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

namespace plako_test {

// A JSON value, as far as the scene log needs: objects, arrays, strings and integers.
struct Json {
    enum Kind { NUMBER, STRING, ARRAY, OBJECT } kind = NUMBER;
    long number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;
    const Json &operator[](const char *name) const {
        static const Json none;
        auto it = fields.find(name);
        return it == fields.end() ? none : it->second;
    }
};

// Parses one JSON value from s at *at; false on anything this reader does not know.
inline bool parse_json(const std::string &s, size_t *at, Json *v) {
    auto peek = [&]() { return *at < s.size() ? s[*at] : '\0'; };
    if (peek() == '{' || peek() == '[') {
        bool object = peek() == '{';
        v->kind = object ? Json::OBJECT : Json::ARRAY;
        ++*at;
        if (peek() == (object ? '}' : ']')) return ++*at, true;
        for (;;) {
            Json name, item;
            if (object && (!parse_json(s, at, &name) || name.kind != Json::STRING || s[(*at)++] != ':'))
                return false;
            if (!parse_json(s, at, &item)) return false;
            if (object)
                v->fields[name.text] = item;
            else
                v->items.push_back(item);
            char c = s[(*at)++];
            if (c == (object ? '}' : ']')) return true;
            if (c != ',') return false;
        }
    }
    if (peek() == '"') {
        v->kind = Json::STRING;
        for (++*at; *at < s.size() && s[*at] != '"'; ++*at) {
            if (s[*at] != '\\') {
                v->text += s[*at];
                continue;
            }
            char e = s[++*at];
            if (e == 'u') {
                // As UTF-8; the log escapes only characters below U+0100.
                long code = strtol(s.substr(*at + 1, 4).c_str(), nullptr, 16);
                if (code >= 0x800) return false;
                if (code < 0x80) {
                    v->text += (char)code;
                } else {
                    v->text += (char)(0xc0 | (code >> 6));
                    v->text += (char)(0x80 | (code & 0x3f));
                }
                *at += 4;
            } else {
                v->text += e == 'n' ? '\n' : e;
            }
        }
        return ++*at <= s.size();
    }
    char *end = nullptr;
    v->number = strtol(s.c_str() + *at, &end, 10);
    if (end == s.c_str() + *at) return false;
    *at = (size_t)(end - s.c_str());
    return true;
}

}  // namespace plako_test
