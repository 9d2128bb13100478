// Function tables of the submodules. Each family source (algorithms/paths.cpp,
// ...) keeps a table of its functions beside their bodies, one line each:
//
//     PyMethodDef g_table[] = {
//         VG_FUNCTION("bfs(graph, source)\n--\n\nBFS traversal ...", bfs_body),
//         ...
//     };
//     Family traversal_family() { return g_table; }
//
// The docstring's first line is the text signature: the name, parameter
// names, required count and the "bfs()" of argument errors are all read from
// it at compile time, so a signature is written once. module.cpp lists the
// families of each submodule and registers their functions in the fixed
// order of that submodule. PyGraph's methods take the same form
// (python/graph/pygraph_class.hpp). Bodies read their arguments with the
// readers of python/args.hpp.
#pragma once
#include <cstddef>
#include <span>

#include "python/callconv.hpp"

namespace vg::py {

using Family = std::span<PyMethodDef>;

// A docstring as a template argument.
template <size_t N>
struct FixedString {
    char text[N];
    consteval FixedString(const char (&s)[N]) {
        for (size_t i = 0; i < N; ++i) text[i] = s[i];
    }
};

// What a text signature "name(a, b, c=None)" says, in fixed arrays so that
// it can be worked out at compile time.
struct ParsedSignature {
    static constexpr size_t kMaxName = 48;
    char name[kMaxName] = {};
    char display[2 * kMaxName + 2] = {};  // "name()", or "Owner.name()" for a method
    char params[kMaxParams][kMaxName] = {};
    size_t count = 0;
    size_t required = 0;
};

// A malformed signature stops the build here (a throw is not allowed in a
// constant expression). Plain loops: library searches are not constant
// expressions under every compiler mode (sanitizers included).
// With an owner ("PyGraph."), the signature is a method's: the owner
// prefixes the name in argument errors and a leading "$self" is no argument.
// A non-empty `shown` replaces the name in argument errors (the class
// signature read as its constructor's, "PyGraph.__new__()").
consteval ParsedSignature parse_signature(const char* doc, size_t len, const char* owner = "", const char* shown = "") {
    ParsedSignature out;
    size_t prefix = 0;
    while (owner[prefix] != '\0') ++prefix;
    size_t open = 0;
    while (open < len && doc[open] != '(') ++open;
    size_t close = open;
    while (close < len && doc[close] != ')') ++close;
    const char kTail[] = ")\n--\n\n";
    for (size_t i = 0; i + 1 < sizeof(kTail); ++i)
        if (close + i >= len || doc[close + i] != kTail[i])
            throw "docstring must start with the text signature, a line \"--\" and a blank line";
    if (open == 0 || open >= out.kMaxName || prefix >= out.kMaxName) throw "bad function name";
    for (size_t i = 0; i < open; ++i) out.name[i] = doc[i];
    size_t shown_len = 0;
    while (shown[shown_len] != '\0') ++shown_len;
    if (shown_len + 3 > sizeof(out.display)) throw "shown name too long";
    size_t d = 0;
    if (shown_len > 0) {
        for (; d < shown_len; ++d) out.display[d] = shown[d];
    } else {
        for (size_t i = 0; i < prefix; ++i) out.display[d++] = owner[i];
        for (size_t i = 0; i < open; ++i) out.display[d++] = doc[i];
    }
    out.display[d] = '(';
    out.display[d + 1] = ')';
    bool defaults = false;
    size_t first = open + 1;
    const char kSelf[] = "$self";
    bool self = prefix > 0;
    for (size_t i = 0; self && i + 1 < sizeof(kSelf); ++i) self = first + i < close && doc[first + i] == kSelf[i];
    if (self) first += sizeof(kSelf) - 1 + (first + sizeof(kSelf) - 1 < close ? 2 : 0);  // "$self, "
    for (size_t i = first; i < close;) {
        if (out.count == kMaxParams) throw "too many parameters";
        size_t n = 0;
        while (i < close && doc[i] != ',' && doc[i] != '=') {
            if (n + 1 >= out.kMaxName) throw "parameter name too long";
            out.params[out.count][n++] = doc[i++];
        }
        if (n == 0) throw "empty parameter name";
        if (i < close && doc[i] == '=') {
            defaults = true;
            while (i < close && doc[i] != ',') ++i;
        } else if (defaults) {
            throw "a required parameter follows one with a default";
        } else {
            ++out.required;
        }
        ++out.count;
        if (i < close) i += 2;  // ", "
    }
    return out;
}

template <FixedString Doc>
inline constexpr ParsedSignature kParsed = parse_signature(Doc.text, sizeof(Doc.text) - 1);

inline Signature to_signature(const ParsedSignature& p) {
    Signature s{p.display, {}, p.required};
    for (size_t i = 0; i < p.count; ++i) s.params.push_back(p.params[i]);
    return s;
}

template <FixedString Doc>
inline const Signature kSignature = to_signature(kParsed<Doc>);

// The same for a method of the class named by Owner ("PyGraph.").
template <FixedString Doc, FixedString Owner>
inline constexpr ParsedSignature kParsedMethod = parse_signature(Doc.text, sizeof(Doc.text) - 1, Owner.text);

template <FixedString Doc, FixedString Owner>
inline const Signature kMethodSignature = to_signature(kParsedMethod<Doc, Owner>);

// Module functions take arguments by position or keyword; the static flag
// matches how the interpreter is told to call them.
inline constexpr int kFunctionFlags = METH_FASTCALL | METH_KEYWORDS | METH_STATIC;

template <FixedString Doc, Body F>
PyMethodDef function_def() {
    return {kParsed<Doc>.name, as_cfunction<fastcall<kSignature<Doc>, F>>(), kFunctionFlags, Doc.text};
}

#define VG_FUNCTION(doc, body) ::vg::py::function_def<doc, body>()

}  // namespace vg::py
