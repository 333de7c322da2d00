// Bundles of corefoundation.h: the running application's own bundle, bundle objects for
// folders and localized resource lookup.
#include <cstdlib>
#include <cstring>

#include <limits.h>
#include <unistd.h>

#include "platform/cfinternal.h"

namespace {

std::string Parent(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastComponent(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder of the running application's bundle: "X.app" for an executable in
// "X.app/Contents/MacOS", the executable's own folder otherwise.
std::string MainBundlePath()
{
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return std::string();
    std::string folder = Parent(std::string(buffer, size_t(length)));
    std::string contents = Parent(folder);
    if (LastComponent(folder) == "MacOS" && LastComponent(contents) == "Contents" && Parent(contents).size() > 1)
        return Parent(contents);
    return folder;
}

// Localization folders to search, most preferred first: the user's locale from the
// usual environment variables (for "de_AT.UTF-8": "de_AT", then "de"), then English.
std::vector<std::string> PreferredLocalizations()
{
    std::vector<std::string> names;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(variable);
        if (!value || !*value)
            continue;
        std::string locale(value, strcspn(value, ".@"));
        if (!locale.empty() && locale != "C" && locale != "POSIX") {
            names.push_back(locale);
            size_t underscore = locale.find('_');
            if (underscore != std::string::npos && underscore > 0)
                names.push_back(locale.substr(0, underscore));
        }
        break;
    }
    names.push_back("en");
    names.push_back("English");
    return names;
}

// Resource names and subfolders are relative paths inside the bundle's resources.
bool IsInsidePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (path.compare(start, end - start, "..") == 0 && end - start == 2)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

CFBundleRef CFBundleGetMainBundle()
{
    static CFBundleObject* main = [] {
        std::string path = MainBundlePath();
        CFBundleObject* bundle = path.empty() ? nullptr : new CFBundleObject(path);
        if (bundle)
            bundle->m_bImmortal = true;
        return bundle;
    }();
    return main;
}

CFBundleRef CFBundleCreate(CFURLRef url)
{
    auto p = CFCast<CFURLObject>(url, kCFURLTypeID);
    if (!p || !CFPathExists(p->m_Path, true))
        return nullptr;
    return new CFBundleObject(p->m_Path);
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle)
{
    auto p = CFCast<CFBundleObject>(bundle, kCFBundleTypeID);
    return p ? CFNewFileURL(p->m_Path, true) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef name, CFStringRef type, CFStringRef subfolder)
{
    auto p = CFCast<CFBundleObject>(bundle, kCFBundleTypeID);
    const char* pName = CFStringGetCStringPtr(name);
    if (!p || !pName || !*pName)
        return nullptr;
    std::string file = pName;
    if (const char* pType = CFStringGetCStringPtr(type); pType && *pType)
        file += std::string(".") + pType;
    std::string inside = file;
    if (const char* pSub = CFStringGetCStringPtr(subfolder); pSub && *pSub)
        inside = std::string(pSub) + "/" + file;
    if (!IsInsidePath(inside))
        return nullptr;

    std::string resources = p->m_Path;
    if (CFPathExists(resources + "/Contents", true))
        resources += "/Contents/Resources";
    std::vector<std::string> candidates{resources + "/" + inside};
    for (const std::string& language : PreferredLocalizations())
        candidates.push_back(resources + "/" + language + ".lproj/" + inside);
    for (const std::string& path : candidates) {
        bool bFolder = CFPathExists(path, true);
        if (bFolder || CFPathExists(path, false))
            return CFNewFileURL(path, bFolder);
    }
    return nullptr;
}
