// The built help launchers, run as processes on copies of their application bundles,
// with the help viewer replaced by a script that records what it is asked to open.
#include <functional>

#include <gtest/gtest.h>

#include "editions.h"
#include "platform/interfacefile.h"
#include "process.h"

namespace fs = std::filesystem;
using qvtest::Edition;
using qvtest::kPlenwood;
using qvtest::kSondrel;
using qvtest::WriteFile;

namespace {

// A copy of one edition's application bundle in a temporary folder.
struct Layout {
    fs::path folder;    // holds the application bundle
    fs::path app;       // the application bundle
    fs::path resources; // the application's resources
    fs::path help;      // the help bundle's resources
    fs::path pages;     // the English help pages of the edition
    fs::path executable;
};

std::string DecodeURL(const std::string& url)
{
    std::string text;
    for (size_t i = 0; i < url.size(); i++) {
        if (url[i] == '%' && i + 2 < url.size()) {
            text += char(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += url[i];
        }
    }
    return text;
}

std::string Map(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

using Environment = std::vector<std::pair<std::string, std::string>>;

struct LaunchCase {
    const char* name;
    const Edition* edition;
    std::function<void(Layout&)> setup;
    int exitStatus;
    const char* output;
    // The page the viewer is asked to open; null when nothing may be opened.
    std::function<fs::path(const Layout&)> opened;
    Environment environment = {};
};

void PrintTo(const LaunchCase& c, std::ostream* out) { *out << c.name; }

fs::path StartPage(const Layout& l) { return l.pages / "index.html"; }
void NoChange(Layout&) {}

const LaunchCase kLaunchCases[] = {
    {"ShippedPlenwoodOpensContextPage", &kPlenwood, NoChange, 0, "",
     [](const Layout& l) { return l.pages / "topics/getting-started.html"; }},
    {"ShippedSondrelOpensContextPage", &kSondrel, NoChange, 0, "",
     [](const Layout& l) { return l.pages / "topics/getting-started.html"; }},
    {"NoContextMapOpensStartPage", &kPlenwood, [](Layout& l) { fs::remove(l.pages / "ContextMap.xml"); }, 0, "",
     StartPage},
    {"KeyOneNamesPageBelowTheMap", &kSondrel,
     [](Layout& l) {
         WriteFile(l.pages / "ContextMap.xml", Map("<dict><key>1</key><string>more/deep/other.html</string></dict>"));
         WriteFile(l.pages / "more/deep/other.html", "<p>other</p>");
     },
     0, "", [](const Layout& l) { return l.pages / "more/deep/other.html"; }},
    {"ArrayRootIsIgnored", &kPlenwood,
     [](Layout& l) {
         WriteFile(l.pages / "ContextMap.xml", Map("<array><string>topics/getting-started.html</string></array>"));
     },
     0, "", StartPage},
    {"NonPropertyListIsIgnored", &kPlenwood,
     [](Layout& l) { WriteFile(l.pages / "ContextMap.xml", "1 = topics/getting-started.html\n"); }, 0, "", StartPage},
    {"EmptyMapIsIgnored", &kPlenwood, [](Layout& l) { WriteFile(l.pages / "ContextMap.xml", ""); }, 0, "", StartPage},
    {"MapWithoutKeyOneIsIgnored", &kPlenwood,
     [](Layout& l) {
         WriteFile(l.pages / "ContextMap.xml", Map("<dict><key>2</key><string>topics/getting-started.html</string></dict>"));
     },
     0, "", StartPage},
    {"KeyOneHoldingANumberIsIgnored", &kPlenwood,
     [](Layout& l) { WriteFile(l.pages / "ContextMap.xml", Map("<dict><key>1</key><integer>7</integer></dict>")); }, 0,
     "", StartPage},
    {"UnreadableMapIsIgnored", &kPlenwood,
     [](Layout& l) {
         fs::remove(l.pages / "ContextMap.xml");
         fs::create_directory(l.pages / "ContextMap.xml");
     },
     0, "", StartPage},
    {"MapAloneOpensWithoutStartPage", &kSondrel, [](Layout& l) { fs::remove(l.pages / "index.html"); }, 0, "",
     [](const Layout& l) { return l.pages / "topics/getting-started.html"; }},
    {"NoStartPageAndNoMapOpensNothing", &kPlenwood,
     [](Layout& l) {
         fs::remove(l.pages / "index.html");
         fs::remove(l.pages / "ContextMap.xml");
     },
     0, "", nullptr},
    {"UsersLanguageComesFirst", &kPlenwood,
     [](Layout& l) {
         fs::remove(l.pages / "ContextMap.xml");
         WriteFile(l.help / "de.lproj/Plenwood/VST/index.html", "<p>Hilfe</p>");
     },
     0, "", [](const Layout& l) { return l.help / "de.lproj/Plenwood/VST/index.html"; },
     {{"LANG", "de_DE.UTF-8"}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}}},
    {"RenamedApplicationFindsNoHelp", &kPlenwood,
     [](Layout& l) {
         fs::path renamed = l.folder / "My Help.app";
         fs::rename(l.app, renamed);
         l.executable = renamed / "Contents/MacOS" / l.executable.filename();
     },
     0, "Couldn't find help bundle\n", nullptr},
    {"MissingHelpBundle", &kSondrel, [](Layout& l) { fs::remove_all(l.help.parent_path().parent_path()); }, 0,
     "Couldn't find help bundle\n", nullptr},
    {"MissingInterfaceFileFails", &kPlenwood, [](Layout& l) { fs::remove(l.resources / "en.lproj/main.iface"); },
     kIFFileNotFoundErr & 0xFF, "", nullptr},
    {"InterfaceFileWithoutMenuBarFails", &kSondrel,
     [](Layout& l) { WriteFile(l.resources / "en.lproj/main.iface", "menubar \"Other\"\nend\n"); },
     kIFObjectNotFoundErr & 0xFF, "", nullptr},
    {"MalformedInterfaceFileFails", &kSondrel,
     [](Layout& l) { WriteFile(l.resources / "en.lproj/main.iface", "menubar \"MenuBar\"\n"); },
     kIFMalformedErr & 0xFF, "", nullptr},
    {"MissingViewerOpensNothing", &kPlenwood, NoChange, 0, "", nullptr,
     {{"QUILL_HELP_VIEWER", "/nonexistent/viewer"}}},
};

class LauncherRun : public ::testing::TestWithParam<LaunchCase> {
protected:
    Layout CopyEdition(const Edition& edition)
    {
        Layout l;
        l.folder = m_Temp.path() / "Applications";
        l.app = l.folder / (std::string(edition.title) + ".app");
        fs::create_directories(l.folder);
        fs::copy(qvtest::BuiltApp(edition), l.app, fs::copy_options::recursive);
        l.resources = l.app / "Contents/Resources";
        l.pages = qvtest::HelpPages(l.app, edition);
        l.help = l.app / "Contents/MacOS" / edition.helpBundle / "Contents/Resources";
        l.executable = l.app / "Contents/MacOS" / edition.title;
        return l;
    }

    qvtest::TempFolder m_Temp;
};

TEST_P(LauncherRun, OpensWhatTheHelpBundleSays)
{
    const LaunchCase& c = GetParam();
    Layout layout = CopyEdition(*c.edition);
    c.setup(layout);

    fs::path log = m_Temp.path() / "opened.log";
    fs::path viewer = m_Temp.path() / "viewer";
    WriteFile(viewer, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + log.string() + "'\n", true);
    Environment environment{{"QUILL_HELP_VIEWER", viewer.string()}};
    environment.insert(environment.end(), c.environment.begin(), c.environment.end());

    qvtest::ProcessResult result = qvtest::RunProgram(layout.executable, environment);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.output, c.output);
    if (c.opened) {
        ASSERT_TRUE(fs::exists(c.opened(layout))) << c.opened(layout);
        EXPECT_EQ(DecodeURL(qvtest::ReadFile(log)), "file://" + c.opened(layout).string() + "\n");
    } else {
        EXPECT_FALSE(fs::exists(log)) << qvtest::ReadFile(log);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherRun, ::testing::ValuesIn(kLaunchCases),
                         [](const ::testing::TestParamInfo<LaunchCase>& info) { return info.param.name; });

} // namespace
