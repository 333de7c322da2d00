// Forgiving name matching for effects, presets and controls typed on a command line:
// case, spaces and punctuation do not count, and a near miss gets a suggestion.
#pragma once

#include <string>
#include <vector>

// Lower-case letters and digits of the name only: "Tessary Bass-Boost" -> "tessarybassboost".
std::string QVNormalizeName(const std::string& name);

// True when both names normalize to the same, non-empty text.
bool QVSameName(const std::string& a, const std::string& b);

// Edit distance (insertions, deletions, substitutions) between two strings.
size_t QVEditDistance(const std::string& a, const std::string& b);

// The candidates closest to what the user typed, best first: those within a few edits
// (relative to the length) or containing it; empty when nothing is close.
std::vector<std::string> QVClosestNames(const std::string& typed, const std::vector<std::string>& candidates);

// "; did you mean 'X'?" or "; did you mean 'X' or 'Y'?", or "" when nothing is close.
std::string QVDidYouMean(const std::string& typed, const std::vector<std::string>& candidates);

// "'a', 'b' or 'c'" (with pLast " or "), "'a', 'b', 'c'" (with ", "): lists in messages.
std::string QVQuotedList(const std::vector<std::string>& names, const char* pLast = " or ");
