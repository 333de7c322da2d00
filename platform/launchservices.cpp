// Launch services of launchservices.h on a desktop without a system help viewer.
#include <cstdlib>
#include <cstring>
#include <string>

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/launchservices.h"

extern char** environ;

namespace {

bool IsProgram(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The absolute path of a program given by path or by a name to search in PATH;
// empty when there is none.
std::string FindProgram(const std::string& program)
{
    if (program.find('/') != std::string::npos) {
        std::string path = program;
        if (path[0] != '/') {
            char* cwd = getcwd(nullptr, 0);
            path = std::string(cwd ? cwd : "") + "/" + path;
            free(cwd);
        }
        return IsProgram(path) ? path : std::string();
    }
    const char* search = getenv("PATH");
    std::string folders = search ? search : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/' && IsProgram(folder + "/" + program))
            return folder + "/" + program;
        start = end + 1;
    }
    return std::string();
}

} // namespace

OSStatus LSFindApplicationForInfo(CFStringRef bundleIdentifier, CFURLRef* pAppURL)
{
    if (!pAppURL)
        return kLSUnknownErr;
    *pAppURL = nullptr;
    if (!CFStringEqual(bundleIdentifier, CFSTR("com.apple.HelpViewer")))
        return kLSApplicationNotFoundErr;
    // An override that names no program finds nothing; it does not fall back, so a
    // broken setting shows rather than opening some other viewer.
    const char* override = getenv(QUILL_HELP_VIEWER_VARIABLE);
    std::string path = FindProgram(override && *override ? override : "xdg-open");
    if (path.empty())
        return kLSApplicationNotFoundErr;
    CFRef<CFStringRef> text(CFStringCreateWithCString(kCFAllocatorDefault, path.c_str(), kCFStringEncodingUTF8));
    *pAppURL = CFURLCreateWithFileSystemPath(text, false);
    return *pAppURL ? 0 : kLSUnknownErr;
}

OSStatus LSOpenURLsWithRole(CFArrayRef urls, LSRolesMask role, CFURLRef application, LSLaunchFlags flags)
{
    (void)flags; // the default launch is the only kind here
    if (!(role & kLSRolesViewer) || CFArrayGetCount(urls) == 0)
        return kLSUnknownErr;
    CFRef<CFStringRef> program(CFURLCopyFileSystemPath(application));
    if (!program)
        return kLSApplicationNotFoundErr;

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    OSStatus result = 0;
    for (CFIndex i = 0; i < CFArrayGetCount(urls); i++) {
        CFTypeRef url = CFArrayGetValueAtIndex(urls, i);
        const char* text = CFGetTypeID(url) == CFURLGetTypeID() ? CFStringGetCStringPtr(CFURLGetString(static_cast<CFURLRef>(url))) : nullptr;
        if (!text) {
            result = kLSUnknownErr;
            continue;
        }
        std::string path = CFStringGetCStringPtr(program), argument = text;
        char* argv[] = {&path[0], &argument[0], nullptr};
        pid_t child;
        if (posix_spawn(&child, path.c_str(), nullptr, &attributes, argv, environ) != 0)
            result = kLSLaunchFailedErr;
    }
    posix_spawnattr_destroy(&attributes);
    return result;
}
