// Helpers shared by the renderer's tests: a scratch folder and whole-file reads.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qvtest {

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/quillmark-test-XXXXXX";
        m_Path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + m_Path + "'").c_str()); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return m_Path + "/" + name; }
    const std::string& Path() const { return m_Path; }
    // Names of the files in the folder, hidden ones included.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        FILE* p = ::popen(("ls -A '" + m_Path + "'").c_str(), "r");
        char line[512];
        while (p && std::fgets(line, sizeof line, p)) out.push_back(std::string(line, std::strcspn(line, "\n")));
        if (p) ::pclose(p);
        return out;
    }

private:
    std::string m_Path;
};

inline std::string Slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

} // namespace qvtest
