// The two editions of the help launcher and where the build puts their help pages.
#pragma once

#include <filesystem>
#include <string>

namespace qvtest {

struct Edition {
    const char* title;     // the application is "<title>.app", its executable "<title>"
    const char* subfolder; // of the help pages in the help bundle
    const char* helpBundle;
};

const Edition kPlenwood{"Audio Plenwood", "Plenwood/VST", "Audio Plenwood Help.help"};
const Edition kSondrel{"Sondrel", "Quillmark/VST", "Sondrel Help.help"};
const Edition* const kEditions[] = {&kPlenwood, &kSondrel};

// The built application bundle of an edition.
inline std::filesystem::path BuiltApp(const Edition& edition)
{
    return std::filesystem::path(QV_LAUNCHER_BUILD_DIR) / (std::string(edition.title) + ".app");
}

// The English help pages of an edition inside an application bundle.
inline std::filesystem::path HelpPages(const std::filesystem::path& app, const Edition& edition)
{
    return app / "Contents/MacOS" / edition.helpBundle / "Contents/Resources/en.lproj" / edition.subfolder;
}

} // namespace qvtest
