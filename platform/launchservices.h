// Finding applications by identifier and opening locations with them.
//
// This platform has no system help viewer. The identifier "com.apple.HelpViewer"
// resolves to the program named by the environment variable QUILL_HELP_VIEWER when it
// is set (a path, or a name searched in PATH), otherwise to the desktop's default
// viewer, xdg-open. An application "URL" is the file location of that program.
#pragma once

#include "platform/corefoundation.h"

typedef uint32_t LSRolesMask;
typedef uint32_t LSLaunchFlags;

enum : LSRolesMask { kLSRolesViewer = 0x2, kLSRolesEditor = 0x4, kLSRolesAll = 0xFFFFFFFFu };
enum : LSLaunchFlags { kLSLaunchDefaults = 0x1 };
enum : OSStatus {
    kLSUnknownErr = -10810,
    kLSApplicationNotFoundErr = -10814,
    kLSLaunchFailedErr = -10822,
};

// The environment variable that names the help viewer program.
#define QUILL_HELP_VIEWER_VARIABLE "QUILL_HELP_VIEWER"

// Finds the application with the given identifier; *pAppURL receives a new reference.
OSStatus LSFindApplicationForInfo(CFStringRef bundleIdentifier, CFURLRef* pAppURL);

// Starts the application once for each location of urls (an array of URLs), handing it
// the location's URL text, and returns without waiting for it: the application runs
// on in its own session.
OSStatus LSOpenURLsWithRole(CFArrayRef urls, LSRolesMask role, CFURLRef application, LSLaunchFlags flags);
