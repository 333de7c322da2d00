#include "names.h"

#include <algorithm>
#include <cctype>

std::string QVNormalizeName(const std::string& name)
{
    std::string out;
    for (unsigned char c : name)
        if (std::isalnum(c)) out += char(std::tolower(c));
    return out;
}

bool QVSameName(const std::string& a, const std::string& b)
{
    const std::string na = QVNormalizeName(a);
    return !na.empty() && na == QVNormalizeName(b);
}

size_t QVEditDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> QVClosestNames(const std::string& typed, const std::vector<std::string>& candidates)
{
    const std::string t = QVNormalizeName(typed);
    if (t.empty()) return {};
    // Score: edit distance; a candidate that contains what was typed (or the reverse)
    // counts as one edit, so "bass" finds "Bass Boost".
    std::vector<std::pair<size_t, std::string>> scored;
    for (const std::string& candidate : candidates) {
        const std::string c = QVNormalizeName(candidate);
        if (c.empty()) continue;
        size_t score = QVEditDistance(t, c);
        if (c.find(t) != std::string::npos || t.find(c) != std::string::npos) score = std::min<size_t>(score, 1);
        const size_t allowed = std::max<size_t>(2, std::min(t.size(), c.size()) / 3);
        if (score <= allowed) scored.emplace_back(score, candidate);
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (const auto& s : scored)
        if (s.first == scored.front().first && std::find(out.begin(), out.end(), s.second) == out.end())
            out.push_back(s.second);
    if (out.size() > 3) out.resize(3);
    return out;
}

std::string QVQuotedList(const std::vector<std::string>& names, const char* pLast)
{
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += (i + 1 == names.size()) ? pLast : ", ";
        out += "'" + names[i] + "'";
    }
    return out;
}

std::string QVDidYouMean(const std::string& typed, const std::vector<std::string>& candidates)
{
    const std::vector<std::string> close = QVClosestNames(typed, candidates);
    return close.empty() ? std::string() : "; did you mean " + QVQuotedList(close) + "?";
}
