#pragma once

#include <span>

// One built-in entry of the language table, as UTF-8 literals.
struct BuiltInText
{
    const char *key;
    const char *chinese;
    const char *english;
};

// The 279 built-in entries in table order. Some texts hold CR LF or the file notation "///";
// both stand for a line break.
std::span<const BuiltInText> builtInTexts();

// Texts of the device-list flags and the batch apply, which the classic table has not: they stay
// out of the default Lang.txt; an entry of the same key there still relabels them.
std::span<const BuiltInText> commissioningTexts();
