// The order in which desktop file managers sort names: the collation of the user's locale, ignoring case, with
// runs of digits compared by their value ("file2" before "file10").
//
// NaturalOrder.cpp builds the order on sort keys alone; the keys come from the platform's collation
// (posix/NaturalOrderIcu.cpp on Linux, win32/NaturalOrderWin32.cpp on Windows).
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

// Appends the sort key of `name` to `keys`. Keys compared as unsigned bytes (std::string_view::compare) give
// the order of the user's locale, ignoring case and reading digit runs as numbers. Names that the collation
// cannot tell apart (differing only in case, in width, in hiragana against katakana, or in bytes that are not
// UTF-8; on Linux also in leading zeros, which Windows' collation orders, more zeros first) get equal keys; a
// key never holds a zero byte.
void appendNaturalKey(std::string_view name, std::string &keys);

// Orders names by the collation of `locale` ("ja_JP.UTF-8", "de_DE", "C" ...) from now on. The C and POSIX
// locales, an empty name and a locale the platform does not know give Unicode's default order. Without a call,
// the user's locale is taken from the environment (LC_ALL, else LC_COLLATE, else LANG) on first use. Not to be
// called while names are being compared.
void setNaturalOrderLocale(std::string_view locale);

// Compares two names by their sort keys, and names with equal keys by their bytes, so that distinct names never
// compare equal. Returns <0, 0 or >0. Makes both keys on each call: to sort many names, use naturalOrder.
int naturalCompare(std::string_view a, std::string_view b);

// The order of `count` names, as their indices, in naturalCompare's order. `name(i)` gives name i; each name is
// read once for its key, and again only where two keys are equal.
std::vector<std::size_t> naturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)> &name);

// The same order, the keys of many names made on a thread per core: `name` is called from several threads at
// once. `keysMade(n)`, where given, is called on the caller's thread now and then with the number of keys made so
// far.
std::vector<std::size_t> naturalOrderOnAllCores(std::size_t count,
    const std::function<std::string_view(std::size_t)> &name, const std::function<void(std::size_t)> &keysMade);

// The first 24 bytes of a name's sort key (zero after its end), as three numbers compared in turn. Where the
// prefixes of two names differ, they order the names as naturalCompare does; where they are equal,
// naturalCompare must decide.
struct NaturalPrefix {
    std::uint64_t high = 0;
    std::uint64_t middle = 0;
    std::uint64_t low = 0;
    friend auto operator<=>(const NaturalPrefix &, const NaturalPrefix &) = default;
};
NaturalPrefix naturalPrefix(std::string_view name);

} // namespace quorrix
