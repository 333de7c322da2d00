// The built help pages of both editions: every page names its edition and links only to
// files that exist, the index leads to every effect of the catalogue, and each effect page
// shows the effect's controls and presets exactly as hosts of either plug-in format show
// them. And the page generator: templates that disagree with the catalogue stop it.
#include <functional>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "catalogue.h"
#include "editions.h"
#include "process.h"

namespace fs = std::filesystem;
using qvtest::Edition;
using qvtest::kEditions;
using Rows = std::vector<std::vector<std::string>>;

namespace {

// "Bass Boost" -> "bass-boost": the file name of an effect's page.
std::string Slug(const std::string& shortName)
{
    std::string slug;
    for (char ch : shortName)
        slug += ch == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(ch)));
    return slug;
}

std::string Unescape(std::string html)
{
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&ndash;", "\u2013"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [pEntity, pText] : kEntities)
        html = std::regex_replace(html, std::regex(pEntity), pText);
    return html;
}

// The rows of the page's table of the given class, each a list of cell texts; header first.
Rows TableRows(const std::string& page, const std::string& tableClass)
{
    std::smatch table;
    if (!std::regex_search(page, table, std::regex("<table class=\"" + tableClass + "\">([^]*?)</table>")))
        return {};
    Rows rows;
    const std::string body = table[1];
    static const std::regex kRow("<tr>([^]*?)</tr>"), kCell("<t[hd][^>]*>([^]*?)</t[hd]>");
    for (std::sregex_iterator row(body.begin(), body.end(), kRow), end; row != end; ++row) {
        const std::string cells = (*row)[1];
        rows.emplace_back();
        for (std::sregex_iterator cell(cells.begin(), cells.end(), kCell); cell != end; ++cell)
            rows.back().push_back(Unescape((*cell)[1]));
    }
    return rows;
}

// The first n cells of every row: the part the catalogue knows.
Rows Leading(const Rows& rows, std::size_t n)
{
    Rows lead;
    for (const std::vector<std::string>& row : rows)
        lead.emplace_back(row.begin(), row.begin() + std::min(n, row.size()));
    return lead;
}

fs::path PagePath(const Edition& edition, const QVEffectInfo& info)
{
    return qvtest::HelpPages(qvtest::BuiltApp(edition), edition) / "effects" / (Slug(info.pShortName) + ".html");
}

TEST(HelpPages, LinksResolveAndEveryEffectHasAPage)
{
    for (const Edition* edition : kEditions) {
        const fs::path pages = qvtest::HelpPages(qvtest::BuiltApp(*edition), *edition);
        std::set<std::string> effectPages, catalogue, linkedFromIndex;
        int pageCount = 0;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(pages)) {
            if (entry.path().extension() != ".html")
                continue;
            pageCount++;
            std::string text = qvtest::ReadFile(entry.path());
            EXPECT_EQ(text.find('@'), std::string::npos) << entry.path() << " keeps a template placeholder";
            EXPECT_NE(text.find(std::string("<title>")), std::string::npos) << entry.path();
            EXPECT_NE(text.find(std::string(edition->title) + " Help"), std::string::npos) << entry.path();
            static const std::regex kLink("(?:href|src)=\"([^\"#:]+)[\"#]");
            for (std::sregex_iterator link(text.begin(), text.end(), kLink), end; link != end; ++link) {
                EXPECT_TRUE(fs::is_regular_file(entry.path().parent_path() / (*link)[1].str()))
                    << entry.path() << " links to missing " << (*link)[1];
                if (entry.path().filename() == "index.html")
                    linkedFromIndex.insert((*link)[1]);
            }
            if (entry.path().parent_path().filename() == "effects")
                effectPages.insert(entry.path().stem().string());
        }
        for (int e = 0; e < QVCatalogueCount(); ++e) {
            const std::string slug = Slug(QVCatalogue()[e].pShortName);
            catalogue.insert(slug);
            EXPECT_EQ(linkedFromIndex.count("effects/" + slug + ".html"), 1u) << "index lacks " << slug;
        }
        EXPECT_EQ(effectPages, catalogue);
        EXPECT_EQ(pageCount, QVCatalogueCount() + 2) << "index, getting started and one page per effect";
    }
}

class EffectPage : public ::testing::TestWithParam<int> {};

// Each edition's page of the effect against a new instance of it in each plug-in format:
// controls (name, unit label, the texts at 0 and at 1) and presets (name, the text and
// label of every control), in the effect's order.
TEST_P(EffectPage, TablesShowWhatHostsShow)
{
    const QVEffectInfo& info = QVCatalogue()[GetParam()];
    for (QVPluginFormat format : {QV_AUDIO_UNIT, QV_VST}) {
        CFilterWrap* pEffect = info.pCreateFor(format);
        ASSERT_NE(pEffect, nullptr);
        auto text = [&](void (CFilterWrap::*get)(int32, char*), int32 lIndex) {
            char szText[64] = {};
            (pEffect->*get)(lIndex, szText);
            return std::string(szText);
        };
        Rows controls{{"Control", "Unit", "Range"}}, presets{{"Preset"}};
        for (int32 c = 0; c < info.lControlCount; ++c) {
            presets[0].push_back(text(&CFilterWrap::GetParameterName, c));
            pEffect->SetParameter(c, 0.0f);
            std::string range = text(&CFilterWrap::GetParameterDisplay, c);
            pEffect->SetParameter(c, 1.0f);
            range += " \u2013 " + text(&CFilterWrap::GetParameterDisplay, c);
            controls.push_back({presets[0].back(), text(&CFilterWrap::GetParameterLabel, c), range});
        }
        for (int32 p = 0; p < info.lPresetCount; ++p) {
            char szName[64] = {};
            EXPECT_TRUE(pEffect->GetPresetNameIndexed(p, szName));
            pEffect->SetPreset(p);
            presets.push_back({szName});
            for (int32 c = 0; c < info.lControlCount; ++c) {
                const std::string label = text(&CFilterWrap::GetParameterLabel, c);
                presets.back().push_back(text(&CFilterWrap::GetParameterDisplay, c) + (label.empty() ? "" : " " + label));
            }
        }
        pEffect->Delete();

        for (const Edition* edition : kEditions) {
            SCOPED_TRACE(std::string(edition->title) + (format == QV_VST ? ", VST" : ", Audio Unit"));
            const std::string page = qvtest::ReadFile(PagePath(*edition, info));
            ASSERT_FALSE(page.empty()) << PagePath(*edition, info);
            EXPECT_NE(page.find("<h1>" + std::string(info.pShortName) + "</h1>"), std::string::npos);
            char code[5] = {char(info.lCode >> 24), char(info.lCode >> 16), char(info.lCode >> 8), char(info.lCode), 0};
            EXPECT_NE(page.find("<dd>" + std::string(info.pName) + "</dd><dt>VST plug-in</dt><dd>" + info.pVSTName +
                                "</dd><dt>Effect code</dt><dd class=\"mono\">" + code + "</dd>"),
                      std::string::npos);
            EXPECT_EQ(Leading(TableRows(page, "controls"), 3), controls);
            EXPECT_EQ(Leading(TableRows(page, "presets"), presets[0].size()), presets);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EffectPage, ::testing::Range(0, QVCatalogueCount()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::regex_replace(QVCatalogue()[info.param].pShortName, std::regex(" "), "");
                         });

// The generator run on a copy of the page templates.
struct GeneratorRun {
    int exitStatus;
    std::string output;
};

GeneratorRun Generate(const fs::path& templates, const fs::path& output, const char* pTitle)
{
    qvtest::ProcessResult result =
        qvtest::RunProgram(QV_HELPGEN, {}, {templates.string(), output.string(), pTitle}, true);
    return {result.exitStatus, result.output};
}

// The bundles hold exactly what the generator writes from the templates.
TEST(HelpGenerator, BundlesHoldTheGeneratedPages)
{
    qvtest::TempFolder temp;
    for (const Edition* edition : kEditions) {
        const fs::path output = temp.path() / edition->title;
        GeneratorRun run = Generate(QV_HELP_TEMPLATES, output, edition->title);
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        for (int e = 0; e < QVCatalogueCount(); ++e) {
            const fs::path page = PagePath(*edition, QVCatalogue()[e]);
            EXPECT_EQ(qvtest::ReadFile(output / page.filename()), qvtest::ReadFile(page)) << page;
        }
    }
}

// Replaces the first match of `pattern` in a template; the case fails when nothing matches.
void Edit(const fs::path& templates, const char* pFile, const char* pPattern, const std::string& to)
{
    const std::string text = qvtest::ReadFile(templates / pFile);
    const std::regex pattern(pPattern);
    ASSERT_TRUE(std::regex_search(text, pattern)) << pFile << " has no " << pPattern;
    qvtest::WriteFile(templates / pFile, std::regex_replace(text, pattern, to, std::regex_constants::format_first_only));
}

struct TemplateCase {
    const char* name;
    std::function<void(const fs::path&)> change;
    const char* message; // part of the generator's complaint
};

void PrintTo(const TemplateCase& c, std::ostream* out) { *out << c.name; }

const TemplateCase kTemplateCases[] = {
    {"MisspelledControl", [](const fs::path& t) { Edit(t, "bass-boost.html.in", "\nFrequency: ", "\nFrequenzy: "); },
     "bass-boost.html.in:24: control 1 of Tessary Bass Boost is \"Frequency\", not \"Frequenzy\""},
    {"MissingControl", [](const fs::path& t) { Edit(t, "crisper.html.in", "\nStrength: [^\n]*", ""); },
     "control count: Tessary Crisper has 2, the template describes 1"},
    {"ExtraControl", [](const fs::path& t) { Edit(t, "compactor.html.in", "@end", "Gain: more\n@end"); },
     "control count: Tessary Compactor has 1, the template describes 2"},
    {"PresetsOutOfOrder", [](const fs::path& t) { Edit(t, "expander.html.in", "(\nModerate: [^\n]*)(\nExplosive: [^\n]*)", "$2$1"); },
     "preset 1 of Tessary Expander is \"Moderate\", not \"Explosive\""},
    {"CharacterOfOnePresetMissing", [](const fs::path& t) { Edit(t, "stereoizer.html.in", "\nSubtle: [^\n]*", ""); },
     "preset count: Tessary Stereoizer has 2, the template describes 1"},
    {"UnclosedBlock", [](const fs::path& t) { Edit(t, "sharpener.html.in", "@end\n", ""); },
     "@controls block without @end"},
    {"SecondControlsBlock", [](const fs::path& t) { Edit(t, "monofier.html.in", "@presets", "@controls"); },
     "@controls appears twice"},
    {"NoPresetsBlock", [](const fs::path& t) { Edit(t, "dual-compressor.html.in", "@presets\n@end\n", ""); },
     "needs an @controls and an @presets block"},
    {"UnknownPlaceholder", [](const fs::path& t) { Edit(t, "tone-expander.html.in", "@QV_EFFECT@", "@QV_EFECT@"); },
     "unknown placeholder at \"@QV_EFECT@"},
    {"MissingTemplate", [](const fs::path& t) { fs::remove(t / "tone-compressor.html.in"); },
     "tone-compressor.html.in: missing"},
    {"TemplateWithoutEffect", [](const fs::path& t) { fs::copy_file(t / "expander.html.in", t / "reverb.html.in"); },
     "reverb.html.in: no effect of the catalogue has this page"},
};

class GeneratorTemplate : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(GeneratorTemplate, DisagreementStopsTheBuild)
{
    const TemplateCase& c = GetParam();
    qvtest::TempFolder temp;
    const fs::path templates = temp.path() / "templates";
    fs::copy(QV_HELP_TEMPLATES, templates, fs::copy_options::recursive);
    c.change(templates);
    ASSERT_FALSE(HasFatalFailure());
    GeneratorRun run = Generate(templates, temp.path() / "pages", "Sondrel");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Cases, GeneratorTemplate, ::testing::ValuesIn(kTemplateCases),
                         [](const ::testing::TestParamInfo<TemplateCase>& info) { return info.param.name; });

} // namespace
