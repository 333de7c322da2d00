// The help launcher: loads its menu bar, opens its edition's help pages in the help
// viewer and ends. One source, built once per edition (edition.h).
#include <cstdio>

#include "edition.h"
#include "platform/corefoundation.h"
#include "platform/interfacefile.h"
#include "platform/launchservices.h"

// The help bundle that lies in appName/Contents/MacOS next to the running application,
// or null. The application finds that folder by its shipped name, so a renamed copy
// finds no help.
static CFBundleRef OpenModuleBundle(CFStringRef appName, CFStringRef bundleName)
{
    CFBundleRef mainBundle = CFBundleGetMainBundle();
    if (!mainBundle)
        return nullptr;
    CFRef<CFURLRef> mainURL(CFBundleCopyBundleURL(mainBundle));
    if (!mainURL)
        return nullptr;
    CFRef<CFURLRef> parentURL(CFURLCreateCopyDeletingLastPathComponent(mainURL));
    if (!parentURL)
        return nullptr;
    CFRef<CFURLRef> appURL(CFURLCreateCopyAppendingPathComponent(parentURL, appName, true));
    if (!appURL)
        return nullptr;
    CFRef<CFURLRef> folderURL(CFURLCreateCopyAppendingPathComponent(appURL, CFSTR("Contents/MacOS"), true));
    if (!folderURL)
        return nullptr;
    CFRef<CFURLRef> bundleURL(CFURLCreateCopyAppendingPathComponent(folderURL, bundleName, true));
    if (!bundleURL)
        return nullptr;
    return CFBundleCreate(bundleURL);
}

// Opens the page that the context map names for context, or else the start page.
static void OpenHelp(CFBundleRef bundle, CFStringRef subfolder, int context)
{
    CFRef<CFURLRef> pageURL(CFBundleCopyResourceURL(bundle, CFSTR("index"), CFSTR("html"), subfolder));

    CFRef<CFURLRef> mapURL(CFBundleCopyResourceURL(bundle, CFSTR("ContextMap"), CFSTR("xml"), subfolder));
    CFRef<CFDataRef> mapData;
    if (mapURL && CFURLCreateDataAndPropertiesFromResource(mapURL, mapData.out(), nullptr)) {
        CFRef<CFPropertyListRef> map(CFPropertyListCreateFromXMLData(mapData, kCFPropertyListImmutable, nullptr));
        if (CFGetTypeID(map) == CFDictionaryGetTypeID()) {
            CFRef<CFStringRef> key(CFStringCreateWithFormat("%d", context));
            // A value of another type than a string names no page; it is ignored like
            // a missing key instead of being taken for a path.
            CFTypeRef value = CFDictionaryGetValue(static_cast<CFDictionaryRef>(map.get()), key);
            if (CFGetTypeID(value) == CFStringGetTypeID()) {
                CFRef<CFURLRef> baseURL(CFURLCreateCopyDeletingLastPathComponent(mapURL));
                CFRef<CFURLRef> mappedURL(
                    baseURL ? CFURLCreateCopyAppendingPathComponent(baseURL, static_cast<CFStringRef>(value), false)
                            : nullptr);
                if (mappedURL)
                    pageURL.reset(mappedURL.release());
            }
        }
    }

    if (!pageURL)
        return;
    CFRef<CFURLRef> viewerURL;
    if (LSFindApplicationForInfo(CFSTR("com.apple.HelpViewer"), viewerURL.out()) != 0 || !viewerURL)
        return;
    const void* pages[] = {pageURL.get()};
    CFRef<CFArrayRef> pageList(CFArrayCreate(kCFAllocatorDefault, pages, 1, &kCFTypeArrayCallBacks));
    LSOpenURLsWithRole(pageList, kLSRolesViewer, viewerURL, kLSLaunchDefaults);
}

static void ShowHelp(int context)
{
    CFBundleRef bundle = OpenModuleBundle(CFSTR(kApplicationName), CFSTR(kHelpBundleName));
    if (!bundle) {
        printf("Couldn't find help bundle\n");
        return;
    }
    OpenHelp(bundle, CFSTR(kHelpSubfolder), context);
    CFRelease(bundle);
}

int main()
{
    IBNibRef nib = nullptr;
    OSStatus err = CreateNibReference(CFSTR("main"), &nib);
    if (err != 0)
        return err;
    err = SetMenuBarFromNib(nib, CFSTR("MenuBar"));
    DisposeNibReference(nib);
    if (err != 0)
        return err;
    ShowHelp(1);
    return 0;
}
