// Writes the effect pages of the help from their templates, taking every fact the
// catalogue knows from the effects themselves: names, deliverable, code, each control's
// name, unit label and the texts a host shows at 0 and at 1, each preset's name and the
// texts of its control values. The templates keep what only a person can write.
//
//   quill_helpgen <template folder> <output folder> <edition title>
//
// reads "<slug>.html.in" for every effect of the catalogue (the slug is the effect's short
// name in lower case with hyphens for spaces: "Bass Boost" -> "bass-boost") and writes
// "<slug>.html". In a template:
//   @QV_TITLE@    the edition, e.g. "Sondrel"
//   @QV_EFFECT@   the effect's short name, e.g. "Bass Boost"
//   @QV_FACTS@    the list of its host name, VST plug-in and effect code
//   @controls     a block, up to a line "@end", of one line "<control name>: <what it
//                 does>" per control in the effect's order; becomes the controls table
//   @presets      likewise for the presets, "<preset name>: <character>"; the block may
//                 be empty (the table then has no character column)
// Names that do not match the effect's, missing or extra templates and unknown
// placeholders stop the build with a message naming the template line.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "catalogue.h"

namespace fs = std::filesystem;

namespace {

struct Control {
    std::string name, label, atZero, atOne;
};

struct Preset {
    std::string name;
    std::vector<std::string> values; // display text of each control
};

struct EffectFacts {
    const QVEffectInfo* pInfo;
    std::vector<Control> controls;
    std::vector<Preset> presets;
};

std::string Text(void (CFilterWrap::*get)(int32, char*), CFilterWrap& effect, int32 lIndex)
{
    char szText[64] = {};
    (effect.*get)(lIndex, szText);
    return szText;
}

// What a host shows of one effect, read from a new instance of it.
EffectFacts ReadEffect(const QVEffectInfo& info)
{
    CFilterWrap* pEffect = info.pCreate();
    if (!pEffect)
        throw std::runtime_error(std::string("cannot create ") + info.pName);
    EffectFacts facts{&info, {}, {}};
    for (int32 c = 0; c < info.lControlCount; ++c) {
        Control control{Text(&CFilterWrap::GetParameterName, *pEffect, c),
                        Text(&CFilterWrap::GetParameterLabel, *pEffect, c), "", ""};
        pEffect->SetParameter(c, 0.0f);
        control.atZero = Text(&CFilterWrap::GetParameterDisplay, *pEffect, c);
        pEffect->SetParameter(c, 1.0f);
        control.atOne = Text(&CFilterWrap::GetParameterDisplay, *pEffect, c);
        facts.controls.push_back(control);
    }
    for (int32 p = 0; p < info.lPresetCount; ++p) {
        char szName[64] = {};
        pEffect->GetPresetNameIndexed(p, szName);
        pEffect->SetPreset(p);
        Preset preset{szName, {}};
        for (int32 c = 0; c < info.lControlCount; ++c)
            preset.values.push_back(Text(&CFilterWrap::GetParameterDisplay, *pEffect, c));
        facts.presets.push_back(preset);
    }
    pEffect->Delete();
    return facts;
}

std::string Slug(const std::string& shortName)
{
    std::string slug;
    for (char ch : shortName)
        slug += ch == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(ch)));
    return slug;
}

std::string Escape(const std::string& text)
{
    std::string html;
    for (char ch : text) {
        switch (ch) {
        case '&': html += "&amp;"; break;
        case '<': html += "&lt;"; break;
        case '>': html += "&gt;"; break;
        case '"': html += "&quot;"; break;
        default: html += ch;
        }
    }
    return html;
}

// A value as hosts show it: the display text followed by the unit label, if any.
std::string WithLabel(const std::string& value, const std::string& label)
{
    return Escape(label.empty() ? value : value + " " + label);
}

std::string Code(int32 lCode)
{
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8)
        code += char((uint32(lCode) >> shift) & 0xFF);
    return code;
}

std::string FactsList(const QVEffectInfo& info)
{
    return "<dl class=\"facts\"><dt>Name in your host</dt><dd>" + Escape(info.pName) +
           "</dd><dt>VST plug-in</dt><dd>" + Escape(info.pVSTName) +
           "</dd><dt>Effect code</dt><dd class=\"mono\">" + Escape(Code(info.lCode)) + "</dd></dl>";
}

// One "<name>: <text>" line of a block, with the template line it came from.
struct Entry {
    std::string name, text;
    int line;
};

class Template {
public:
    Template(fs::path path, const EffectFacts& facts, std::string title)
        : m_Path(std::move(path)), m_Facts(facts), m_Title(std::move(title))
    {
    }

    std::string Render()
    {
        std::ifstream in(m_Path);
        if (!in)
            throw std::runtime_error(m_Path.string() + ": missing; every effect of the catalogue needs its page");
        m_pIn = &in;
        std::string line, page;
        bool bControls = false, bPresets = false;
        while (std::getline(in, line)) {
            ++m_lLine;
            if (line == "@controls") {
                Once(bControls, line);
                page += ControlsTable(Block(line));
            } else if (line == "@presets") {
                Once(bPresets, line);
                page += PresetsTable(Block(line));
            } else {
                page += Substitute(line) + "\n";
            }
        }
        if (!bControls || !bPresets)
            Fail("needs an @controls and an @presets block");
        return page;
    }

private:
    [[noreturn]] void Fail(const std::string& message, int line = 0) const
    {
        throw std::runtime_error(m_Path.string() + ":" + std::to_string(line ? line : m_lLine) + ": " + message);
    }

    void Once(bool& bSeen, const std::string& directive) const
    {
        if (bSeen)
            Fail(directive + " appears twice");
        bSeen = true;
    }

    // The entries up to "@end".
    std::vector<Entry> Block(const std::string& directive)
    {
        std::vector<Entry> entries;
        std::string line;
        for (;;) {
            if (!std::getline(*m_pIn, line))
                Fail(directive + " block without @end");
            ++m_lLine;
            if (line == "@end")
                return entries;
            if (line.find_first_not_of(" \t") == std::string::npos)
                continue;
            if (line[0] == '<' || line[0] == '@') // the page goes on: the block was not closed
                Fail(directive + " block without @end");
            std::size_t colon = line.find(": ");
            if (colon == std::string::npos || colon == 0)
                Fail("expected \"<name>: <text>\" in " + directive);
            entries.push_back(Entry{line.substr(0, colon), line.substr(colon + 2), m_lLine});
        }
    }

    // Entries must name the effect's items one for one, in the effect's order.
    void Match(const std::vector<Entry>& entries, const std::vector<std::string>& names, const char* kind) const
    {
        const char* pEffect = m_Facts.pInfo->pName;
        for (std::size_t i = 0; i < entries.size() && i < names.size(); ++i)
            if (entries[i].name != names[i])
                Fail(std::string(kind) + " " + std::to_string(i + 1) + " of " + pEffect + " is \"" + names[i] +
                         "\", not \"" + entries[i].name + "\"",
                     entries[i].line);
        if (entries.size() != names.size())
            Fail(std::string(kind) + " count: " + pEffect + " has " + std::to_string(names.size()) +
                 ", the template describes " + std::to_string(entries.size()));
    }

    std::string ControlsTable(const std::vector<Entry>& entries) const
    {
        std::vector<std::string> names;
        for (const Control& control : m_Facts.controls)
            names.push_back(control.name);
        Match(entries, names, "control");
        std::string html = "<table class=\"controls\">\n"
                           "<tr><th>Control</th><th>Unit</th><th class=\"num\">Range</th><th>What it does</th></tr>\n";
        for (std::size_t i = 0; i < names.size(); ++i) {
            const Control& control = m_Facts.controls[i];
            html += "<tr><td>" + Escape(control.name) + "</td><td>" + Escape(control.label) + "</td><td class=\"num\">" +
                    Escape(control.atZero) + " &ndash; " + Escape(control.atOne) + "</td><td>" + entries[i].text +
                    "</td></tr>\n";
        }
        return html + "</table>\n";
    }

    std::string PresetsTable(const std::vector<Entry>& entries) const
    {
        std::vector<std::string> names;
        for (const Preset& preset : m_Facts.presets)
            names.push_back(preset.name);
        if (!entries.empty())
            Match(entries, names, "preset");
        std::string html = "<table class=\"presets\">\n<tr><th>Preset</th>";
        for (const Control& control : m_Facts.controls)
            html += "<th class=\"num\">" + Escape(control.name) + "</th>";
        html += entries.empty() ? "</tr>\n" : "<th>Character</th></tr>\n";
        for (std::size_t p = 0; p < names.size(); ++p) {
            html += "<tr><td>" + Escape(names[p]) + "</td>";
            for (std::size_t c = 0; c < m_Facts.controls.size(); ++c)
                html += "<td class=\"num\">" + WithLabel(m_Facts.presets[p].values[c], m_Facts.controls[c].label) + "</td>";
            html += entries.empty() ? "</tr>\n" : "<td>" + entries[p].text + "</td></tr>\n";
        }
        return html + "</table>\n";
    }

    std::string Substitute(std::string line) const
    {
        const std::pair<const char*, std::string> kValues[] = {
            {"@QV_TITLE@", m_Title},
            {"@QV_EFFECT@", Escape(m_Facts.pInfo->pShortName)},
            {"@QV_FACTS@", FactsList(*m_Facts.pInfo)},
        };
        std::string out;
        for (std::size_t at = 0; at < line.size();) {
            bool bReplaced = false;
            for (const auto& [pName, value] : kValues) {
                if (line.compare(at, std::char_traits<char>::length(pName), pName) == 0) {
                    out += value;
                    at += std::char_traits<char>::length(pName);
                    bReplaced = true;
                    break;
                }
            }
            if (bReplaced)
                continue;
            if (line[at] == '@')
                Fail("unknown placeholder at \"" + line.substr(at, 20) + "\" (write &#64; for an at sign)");
            out += line[at++];
        }
        return out;
    }

    fs::path m_Path;
    const EffectFacts& m_Facts;
    std::string m_Title;
    std::ifstream* m_pIn = nullptr;
    int m_lLine = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: quill_helpgen <template folder> <output folder> <edition title>\n";
        return 2;
    }
    const fs::path templates = argv[1], output = argv[2];
    const std::string title = argv[3];
    try {
        std::set<std::string> expected;
        fs::create_directories(output);
        for (int e = 0; e < QVCatalogueCount(); ++e) {
            const QVEffectInfo& info = QVCatalogue()[e];
            const std::string slug = Slug(info.pShortName);
            expected.insert(slug + ".html.in");
            const EffectFacts facts = ReadEffect(info);
            std::string page = Template(templates / (slug + ".html.in"), facts, title).Render();
            std::ofstream out(output / (slug + ".html"), std::ios::binary);
            out << page;
            if (!out.flush())
                throw std::runtime_error((output / (slug + ".html")).string() + ": cannot write");
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(templates))
            if (!expected.count(entry.path().filename().string()))
                throw std::runtime_error(entry.path().string() + ": no effect of the catalogue has this page");
    } catch (const std::exception& error) {
        std::cerr << "quill_helpgen: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
