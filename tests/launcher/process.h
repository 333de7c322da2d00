// Helpers for tests that build folders and run programs.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace qvtest {

// A fresh folder below the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_Path; }

private:
    std::filesystem::path m_Path;
};

void WriteFile(const std::filesystem::path& path, const std::string& text, bool bExecutable = false);
std::string ReadFile(const std::filesystem::path& path);

struct ProcessResult {
    int exitStatus = -1; // the exit status, or 128 + signal
    std::string output;  // standard output
};

// Runs program with arguments and with this process's environment changed by overrides
// (the last entry for a name wins; an empty value removes the variable). Returns once the
// program has ended and every process that inherited its standard output has closed it,
// so programs it started are done too. With bWithErrors, output holds the program's
// standard error as well.
ProcessResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::pair<std::string, std::string>>& overrides,
                         const std::vector<std::string>& arguments = {}, bool bWithErrors = false);

} // namespace qvtest
