// quillmark: runs the suite's effects and library filters over audio files.
#include <csignal>
#include <string>
#include <vector>

#include "app.h"

namespace {

volatile std::sig_atomic_t g_Interrupted = 0;

void OnSignal(int) { g_Interrupted = 1; }

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    return QVRunQuillmark(std::vector<std::string>(argv + 1, argv + argc), &g_Interrupted);
}
