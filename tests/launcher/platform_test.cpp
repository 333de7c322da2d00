// The platform stand-ins the help launcher runs on: file URLs, bundles and localized
// resources, property lists, interface files and finding the help viewer.
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/corefoundation.h"
#include "platform/interfacefile.h"
#include "platform/launchservices.h"
#include "process.h"

namespace fs = std::filesystem;
using qvtest::WriteFile;

namespace {

std::string Path(CFURLRef url)
{
    CFRef<CFStringRef> path(CFURLCopyFileSystemPath(url));
    return path ? CFStringGetCStringPtr(path) : "(null)";
}

CFURLRef NewURL(const std::string& path, bool bDirectory = true)
{
    CFRef<CFStringRef> text(CFStringCreateWithCString(kCFAllocatorDefault, path.c_str(), kCFStringEncodingUTF8));
    return CFURLCreateWithFileSystemPath(text, bDirectory);
}

// Sets environment variables for a scope and restores them after.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        for (auto& value : values) {
            const char* old = getenv(value.first);
            m_Saved.push_back({value.first, old ? old : "", old != nullptr});
            if (value.second)
                setenv(value.first, value.second, 1);
            else
                unsetenv(value.first);
        }
    }
    ~ScopedEnvironment()
    {
        for (auto& saved : m_Saved)
            saved.bSet ? setenv(saved.name.c_str(), saved.value.c_str(), 1) : unsetenv(saved.name.c_str());
    }

private:
    struct Saved {
        std::string name, value;
        bool bSet;
    };
    std::vector<Saved> m_Saved;
};

TEST(FileURL, FormsLocationsOrRefuses)
{
    struct Case {
        const char* base;
        const char* append; // null: remove the last part instead
        bool bDirectory;
        const char* expected; // null: no location
    } cases[] = {
        {"/a/b.app", nullptr, true, "/a"},
        {"/a", nullptr, true, "/"},
        {"/", nullptr, true, nullptr},
        {"/a/", "b", true, "/a/b"},
        {"/a", "Contents/MacOS", true, "/a/Contents/MacOS"},
        {"/a", "x//y/", false, "/a/x/y"},
        {"/a", "", true, nullptr},
        {"relative/path", nullptr, true, nullptr},
    };
    for (const Case& c : cases) {
        CFRef<CFURLRef> base(NewURL(c.base));
        CFRef<CFURLRef> result(!base ? nullptr
                               : c.append ? CFURLCreateCopyAppendingPathComponent(base, CFSTR(c.append), c.bDirectory)
                                          : CFURLCreateCopyDeletingLastPathComponent(base));
        EXPECT_EQ(Path(result), c.expected ? c.expected : "(null)") << c.base << " + " << (c.append ? c.append : "..");
        if (result) {
            EXPECT_EQ(CFURLHasDirectoryPath(result), c.bDirectory);
        }
    }
}

TEST(FileURL, TextIsPercentEncoded)
{
    CFRef<CFURLRef> file(NewURL("/Apps/Audio Plenwood.app/a#b%c.html", false));
    EXPECT_STREQ(CFStringGetCStringPtr(CFURLGetString(file)), "file:///Apps/Audio%20Plenwood.app/a%23b%25c.html");
    CFRef<CFURLRef> folder(NewURL("/Apps/x"));
    EXPECT_STREQ(CFStringGetCStringPtr(CFURLGetString(folder)), "file:///Apps/x/");
}

TEST(Objects, ArraysHoldTheirValues)
{
    CFRef<CFStringRef> text(CFStringCreateWithFormat("%d", 42));
    EXPECT_STREQ(CFStringGetCStringPtr(text), "42");
    const void* values[] = {text.get()};
    {
        CFRef<CFArrayRef> array(CFArrayCreate(kCFAllocatorDefault, values, 1, &kCFTypeArrayCallBacks));
        EXPECT_EQ(CFGetRetainCount(text), 2);
        EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), text.get());
        EXPECT_EQ(CFArrayGetValueAtIndex(array, 1), nullptr);
    }
    EXPECT_EQ(CFGetRetainCount(text), 1);
}

class BundleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Bundle = m_Temp.path() / "Test.help";
        for (const char* file : {"Contents/Resources/Sub/global.html", "Contents/Resources/en.lproj/Sub/index.html",
                                 "Contents/Resources/de.lproj/Sub/index.html",
                                 "Contents/Resources/de_AT.lproj/Sub/index.html",
                                 "Contents/Resources/English.lproj/Sub/old.html", "Contents/Resources/top.txt"})
            WriteFile(m_Bundle / file, file);
    }

    // The path below the bundle's resources that the lookup finds, or "(none)".
    std::string Find(const char* name, const char* type, const char* subfolder)
    {
        CFRef<CFURLRef> url(NewURL(m_Bundle.string()));
        CFRef<CFBundleRef> bundle(CFBundleCreate(url));
        CFRef<CFURLRef> found(CFBundleCopyResourceURL(bundle, CFSTR(name), CFSTR(type), CFSTR(subfolder)));
        if (!found)
            return "(none)";
        return fs::relative(Path(found), m_Bundle / "Contents/Resources").string();
    }

    qvtest::TempFolder m_Temp;
    fs::path m_Bundle;
};

TEST_F(BundleTest, ResourcesFollowTheUsersLanguage)
{
    struct Case {
        const char* lcAll;
        const char* lang;
        const char* name;
        const char* type;
        const char* subfolder;
        const char* expected;
    } cases[] = {
        {nullptr, nullptr, "index", "html", "Sub", "en.lproj/Sub/index.html"},
        {nullptr, "C", "index", "html", "Sub", "en.lproj/Sub/index.html"},
        {nullptr, "de_DE.UTF-8", "index", "html", "Sub", "de.lproj/Sub/index.html"},
        {nullptr, "de_AT.UTF-8@euro", "index", "html", "Sub", "de_AT.lproj/Sub/index.html"},
        {nullptr, "fr_FR.UTF-8", "index", "html", "Sub", "en.lproj/Sub/index.html"},
        {"de_DE.UTF-8", "fr_FR.UTF-8", "index", "html", "Sub", "de.lproj/Sub/index.html"},
        {nullptr, "de_DE.UTF-8", "global", "html", "Sub", "Sub/global.html"},
        {nullptr, nullptr, "old", "html", "Sub", "English.lproj/Sub/old.html"},
        {nullptr, nullptr, "top", "txt", "", "top.txt"},
        {nullptr, nullptr, "Sub", "", "", "Sub"},
        {nullptr, nullptr, "missing", "html", "Sub", "(none)"},
        {nullptr, nullptr, "index", "html", "Other", "(none)"},
        {nullptr, nullptr, "index", "html", "../Resources/en.lproj/Sub", "(none)"},
        {nullptr, nullptr, "../top", "txt", "Sub", "(none)"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment environment{{"LC_ALL", c.lcAll}, {"LC_MESSAGES", nullptr}, {"LANG", c.lang}};
        EXPECT_EQ(Find(c.name, c.type, c.subfolder), c.expected)
            << c.name << "." << c.type << " in " << c.subfolder << " with LANG " << (c.lang ? c.lang : "unset");
    }
}

TEST_F(BundleTest, OnlyFoldersAreBundles)
{
    CFRef<CFURLRef> missing(NewURL((m_Bundle / "missing.help").string()));
    EXPECT_EQ(CFBundleCreate(missing), nullptr);
    CFRef<CFURLRef> file(NewURL((m_Bundle / "Contents/Resources/top.txt").string()));
    EXPECT_EQ(CFBundleCreate(file), nullptr);
    // A folder without Contents is a flat bundle with its resources at the top.
    CFRef<CFURLRef> flat(NewURL((m_Bundle / "Contents/Resources").string()));
    CFRef<CFBundleRef> bundle(CFBundleCreate(flat));
    CFRef<CFURLRef> found(CFBundleCopyResourceURL(bundle, CFSTR("top"), CFSTR("txt"), nullptr));
    EXPECT_EQ(Path(found), (m_Bundle / "Contents/Resources/top.txt").string());
}

TEST(MainBundle, IsTheFolderOfAnExecutableOutsideAnApplication)
{
    CFRef<CFURLRef> url(CFBundleCopyBundleURL(CFBundleGetMainBundle()));
    EXPECT_EQ(Path(url), fs::canonical("/proc/self/exe").parent_path().string());
}

TEST(PropertyList, ParsesOnlyPropertyLists)
{
    const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    std::string deep;
    for (int i = 0; i < 2000; i++)
        deep += "<array>";
    for (int i = 0; i < 2000; i++)
        deep += "</array>";
    struct Case {
        std::string text;
        CFTypeID type; // 0: no property list
    } cases[] = {
        {kHead + "<dict><key>1</key><string>a.html</string></dict></plist>", CFDictionaryGetTypeID()},
        {kHead + "<dict><!-- note --><key>1</key><string>a.html</string></dict></plist>", CFDictionaryGetTypeID()},
        {kHead + "<array><string>a.html</string></array></plist>", CFArrayGetTypeID()},
        {kHead + "<string>a.html</string></plist>", CFStringGetTypeID()},
        {kHead + "<integer>3</integer></plist>", CFNumberGetTypeID()},
        {kHead + "<true/></plist>", CFBooleanGetTypeID()},
        {kHead + "<dict><key>1</key><string>a.html</string>", 0},
        {"1 = a.html", 0},
        {"", 0},
        {kHead + deep + "</plist>", 0},
    };
    for (const Case& c : cases) {
        CFRef<CFDataRef> data(CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const uint8_t*>(c.text.data()), CFIndex(c.text.size())));
        CFRef<CFStringRef> error;
        CFRef<CFPropertyListRef> list(CFPropertyListCreateFromXMLData(data, kCFPropertyListImmutable, error.out()));
        EXPECT_EQ(CFGetTypeID(list), c.type) << c.text.substr(0, 120);
        EXPECT_EQ(bool(error), c.type == 0);
        if (c.type == CFDictionaryGetTypeID()) {
            CFTypeRef value = CFDictionaryGetValue(static_cast<CFDictionaryRef>(list.get()), CFSTR("1"));
            EXPECT_STREQ(CFStringGetCStringPtr(static_cast<CFStringRef>(value)), "a.html");
            EXPECT_EQ(CFDictionaryGetValue(static_cast<CFDictionaryRef>(list.get()), CFSTR("2")), nullptr);
        }
    }
}

TEST(ResourceData, ReadsFilesOnly)
{
    qvtest::TempFolder temp;
    WriteFile(temp.path() / "map.xml", "abc");
    CFRef<CFURLRef> file(NewURL((temp.path() / "map.xml").string(), false));
    CFRef<CFDataRef> data;
    SInt32 error = -1;
    ASSERT_TRUE(CFURLCreateDataAndPropertiesFromResource(file, data.out(), &error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), size_t(CFDataGetLength(data))), "abc");
    for (const char* path : {"", "/missing.xml"}) {
        CFRef<CFURLRef> url(NewURL(temp.path().string() + path));
        EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(url, data.out(), &error)) << path;
        EXPECT_NE(error, 0);
        EXPECT_EQ(data.get(), nullptr);
    }
}

TEST(InterfaceFile, ParsesMenusAndReportsTheFirstFault)
{
    struct Case {
        const char* text;
        const char* error; // null: parses
    } cases[] = {
        {"", nullptr},
        {"# only a comment\n\n", nullptr},
        {"menubar \"Menu Bar\"\nend\n", nullptr},
        {"menubar MenuBar\n menu \"A \\\"B\\\"\"\n  item X command x key x # comment\n  separator\n end\nend", nullptr},
        {"menubar MenuBar\n", "line 2: missing \"end\""},
        {"menu File\nend\n", "line 1: unexpected \"menu\""},
        {"menubar A\nend\nmenubar A\nend\n", "line 3: menu bar \"A\" defined twice"},
        {"menubar A\n menu M\n  item\n end\nend\n", "line 3: item needs a title"},
        {"menubar A\n menu M\n  item X key xy\n end\nend\n", "line 3: a key is one character"},
        {"menubar A\n menu M\n  item X command\n end\nend\n", "line 3: item takes one command and one key, each with a value"},
        {"menubar A\n menu M\n  item X command a command b\n end\nend\n", "line 3: item takes one command and one key, each with a value"},
        {"menubar \"A\n", "line 1: unterminated quote"},
        {"menubar \"A\\n\"\n", "line 1: unknown escape"},
        {"menubar A extra\nend\n", "line 1: unexpected \"menubar\""},
        {"end\n", "line 1: unexpected \"end\""},
    };
    for (const Case& c : cases) {
        std::vector<IFMenuBar> bars;
        std::string error;
        EXPECT_EQ(IFParseInterfaceFile(c.text, &bars, &error), c.error == nullptr) << c.text;
        EXPECT_EQ(error, c.error ? c.error : "") << c.text;
    }

    std::vector<IFMenuBar> bars;
    ASSERT_TRUE(IFParseInterfaceFile(cases[3].text, &bars, nullptr));
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].name, "MenuBar");
    ASSERT_EQ(bars[0].menus.size(), 1u);
    EXPECT_EQ(bars[0].menus[0].title, "A \"B\"");
    ASSERT_EQ(bars[0].menus[0].items.size(), 2u);
    const IFMenuItem& item = bars[0].menus[0].items[0];
    EXPECT_EQ(item.title + "|" + item.command + "|" + item.key, "X|x|x");
    EXPECT_TRUE(bars[0].menus[0].items[1].bSeparator);
}

TEST(HelpViewer, FoundByOverrideOrOnThePath)
{
    qvtest::TempFolder temp;
    fs::path viewer = temp.path() / "my viewer";
    fs::path xdgOpen = temp.path() / "bin/xdg-open";
    WriteFile(viewer, "#!/bin/sh\n", true);
    WriteFile(xdgOpen, "#!/bin/sh\n", true);
    WriteFile(temp.path() / "bin/plain", "not a program");
    std::string path = (temp.path() / "bin").string();
    struct Case {
        const char* identifier;
        const char* override; // null: unset
        std::string expected; // empty: not found
    } cases[] = {
        {"com.apple.HelpViewer", nullptr, xdgOpen.string()},
        {"com.apple.HelpViewer", "", xdgOpen.string()},
        {"com.apple.HelpViewer", viewer.c_str(), viewer.string()},
        {"com.apple.HelpViewer", "xdg-open", xdgOpen.string()},
        {"com.apple.HelpViewer", "plain", ""},
        {"com.apple.HelpViewer", "/nonexistent/viewer", ""},
        {"com.example.Other", nullptr, ""},
    };
    for (const Case& c : cases) {
        ScopedEnvironment environment{{QUILL_HELP_VIEWER_VARIABLE, c.override}, {"PATH", path.c_str()}};
        CFRef<CFURLRef> app;
        OSStatus status = LSFindApplicationForInfo(CFSTR(c.identifier), app.out());
        EXPECT_EQ(status, c.expected.empty() ? kLSApplicationNotFoundErr : 0) << (c.override ? c.override : "unset");
        EXPECT_EQ(app ? Path(app) : "", c.expected);
    }
}

} // namespace
