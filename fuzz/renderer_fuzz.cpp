// Fuzzes quillmark in-process: its command line and its audio reading path. The byte
// stream is
//   [input name: 1 byte][argument count: 1 byte][arguments, each ended by a zero byte]
//   [the input file's bytes: the rest]
// The file is written under the chosen name (plain "in", or a name whose extension
// libsndfile reads headerless formats by) into a private scratch folder, which is the
// working directory while the command runs; an argument "@" stands for that name. Every
// '/' in an argument becomes '_', so whatever the command line names lies inside the
// scratch folder.
//
// A render of a file that decodes to hours of audio is stopped after a few seconds
// through the renderer's own interrupt, which it must honour.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app.h"
#include "fuzz_bytes.h"

namespace {

const char* const kInputNames[] = {"in", "in.wav", "in.raw", "in.vox", "in.gsm", "in.au", "in.sd2", "in.ogg"};
const int kMaxArguments = 12;
const size_t kMaxArgumentLength = 64;
const auto kRenderBudget = std::chrono::seconds(3);

std::string g_Folder;
volatile std::sig_atomic_t g_Stop = 0;
std::atomic<std::chrono::steady_clock::rep> g_Deadline{0}; // 0: no render running

void RemoveFiles()
{
    DIR* dir = ::opendir(g_Folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") ::unlink((g_Folder + "/" + name).c_str());
    }
    ::closedir(dir);
}

void RemoveFolder()
{
    RemoveFiles();
    ::rmdir(g_Folder.c_str());
}

// The scratch folder (in memory where the system offers it: renders end with an fsync)
// and the watchdog that interrupts a render running past its budget.
void SetUpOnce()
{
    if (!g_Folder.empty()) return;
    std::string pattern = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/quill-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) std::abort();
    g_Folder = name.data();
    std::atexit(RemoveFolder);
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const auto deadline = g_Deadline.load();
            if (deadline && std::chrono::steady_clock::now().time_since_epoch().count() > deadline) g_Stop = 1;
        }
    }).detach();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    SetUpOnce();
    CQVFuzzBytes in(pData, size);
    const std::string input = in.Pick(kInputNames);
    std::vector<std::string> args(in.Byte() % (kMaxArguments + 1));
    for (std::string& arg : args) {
        arg = in.Text(kMaxArgumentLength);
        for (char& c : arg)
            if (c == '/') c = '_';
        if (arg == "@") arg = input;
    }
    size_t fileSize = 0;
    const uint8_t* pFile = in.Rest(&fileSize);
    if (std::FILE* f = std::fopen((g_Folder + "/" + input).c_str(), "wb")) {
        std::fwrite(pFile, 1, fileSize, f);
        std::fclose(f);
    }

    // The fuzzer reads and writes its corpus by relative paths between the calls.
    const int iHome = ::open(".", O_RDONLY | O_DIRECTORY);
    if (iHome < 0 || ::chdir(g_Folder.c_str()) != 0) std::abort();
    g_Stop = 0;
    g_Deadline = (std::chrono::steady_clock::now() + kRenderBudget).time_since_epoch().count();
    QVRunQuillmark(args, &g_Stop);
    g_Deadline = 0;
    if (::fchdir(iHome) != 0) std::abort();
    ::close(iHome);
    RemoveFiles();
    return 0;
}
