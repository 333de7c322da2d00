#include "process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qvtest {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quill-test-XXXXXX").string();
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("mkdtemp failed");
    m_Path = std::filesystem::canonical(pattern);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::string& text, bool bExecutable)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    if (bExecutable)
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ProcessResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::pair<std::string, std::string>>& overrides,
                         const std::vector<std::string>& arguments, bool bWithErrors)
{
    std::map<std::string, std::string> changes(overrides.rbegin(), overrides.rend()); // the last one wins
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; entry++) {
        const char* equals = strchr(*entry, '=');
        if (!equals || !changes.count(std::string(*entry, size_t(equals - *entry))))
            environment.push_back(*entry);
    }
    for (auto& change : changes)
        if (!change.second.empty())
            environment.push_back(change.first + "=" + change.second);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(&entry[0]);
    envp.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (bWithErrors)
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::string path = program.string();
    std::vector<std::string> words{path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    pid_t child;
    int error = posix_spawn(&child, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);

    ProcessResult result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) != 0) {
        if (got > 0)
            result.output.append(buffer, size_t(got));
        else if (errno != EINTR)
            break;
    }
    close(pipeEnds[0]);
    if (error != 0)
        throw std::runtime_error("cannot start " + path);
    int status = 0;
    waitpid(child, &status, 0);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace qvtest
