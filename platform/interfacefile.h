// Interface files: an application's menus, kept as a resource of its bundle and loaded
// by name. The format is a small text format, one statement a line:
//
//   # the launcher's menus
//   menubar "MenuBar"
//       menu "Sondrel"
//           item "About Sondrel" command about
//           separator
//           item "Quit Sondrel" command quit key q
//       end
//   end
//
// A file holds any number of named menu bars; a menu bar holds menus, a menu holds items
// (with an optional command name and an optional one-character shortcut key) and
// separators. Words are bare or in double quotes (with \" and \\ inside); "#" starts a
// comment outside quotes. The file "<name>.iface" is looked up like any resource of the
// main bundle, localized or not.
#pragma once

#include <string>
#include <vector>

#include "platform/corefoundation.h"

struct IFMenuItem {
    std::string title;   // empty for a separator
    std::string command; // may be empty
    std::string key;     // one character or empty
    bool bSeparator = false;
};

struct IFMenu {
    std::string title;
    std::vector<IFMenuItem> items;
};

struct IFMenuBar {
    std::string name;
    std::vector<IFMenu> menus;
};

class IFInterfaceFile;
typedef IFInterfaceFile* IBNibRef;

// Errors. An application returns them from main, so the process exit status is their
// low byte, which must not be 0.
enum : OSStatus {
    kIFFileNotFoundErr = -10960,  // no interface file of that name, or unreadable
    kIFMalformedErr = -10961,     // the file does not follow the format
    kIFObjectNotFoundErr = -10962 // no menu bar of that name in the file
};
static_assert((kIFFileNotFoundErr & 0xFF) != 0 && (kIFMalformedErr & 0xFF) != 0 && (kIFObjectNotFoundErr & 0xFF) != 0,
              "interface file errors must stay failures as exit statuses");

// Parses the text of an interface file; on failure returns false with "line N: reason".
bool IFParseInterfaceFile(const std::string& text, std::vector<IFMenuBar>* pMenuBars, std::string* pError);

// Loads the interface file "<name>.iface" of the main bundle.
OSStatus CreateNibReference(CFStringRef name, IBNibRef* pNib);
void DisposeNibReference(IBNibRef nib);
// Makes the named menu bar of the file the application's menu bar.
OSStatus SetMenuBarFromNib(IBNibRef nib, CFStringRef name);
// The application's menu bar, or null before one is set. Main thread only.
const IFMenuBar* IFGetMenuBar();
