// Interface files of interfacefile.h.
#include <memory>

#include "platform/interfacefile.h"

class IFInterfaceFile {
public:
    std::vector<IFMenuBar> m_MenuBars;
};

namespace {

std::unique_ptr<IFMenuBar> g_pMenuBar;

// Splits one line into words; false on an unterminated quote or a bad escape.
bool SplitWords(const std::string& line, std::vector<std::string>* pWords, std::string* pReason)
{
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            i++;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            std::string word;
            for (i++;; i++) {
                if (i >= line.size()) {
                    *pReason = "unterminated quote";
                    return false;
                }
                if (line[i] == '"')
                    break;
                if (line[i] == '\\') {
                    if (i + 1 >= line.size() || (line[i + 1] != '"' && line[i + 1] != '\\')) {
                        *pReason = "unknown escape";
                        return false;
                    }
                    i++;
                }
                word += line[i];
            }
            i++;
            pWords->push_back(word);
        } else {
            size_t end = line.find_first_of(" \t\r#\"", i);
            if (end == std::string::npos)
                end = line.size();
            pWords->push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

// Reads "item TITLE [command WORD] [key CHARACTER]" from words[1...].
bool ReadItem(const std::vector<std::string>& words, IFMenuItem* pItem, std::string* pReason)
{
    if (words.size() < 2 || words[1].empty()) {
        *pReason = "item needs a title";
        return false;
    }
    pItem->title = words[1];
    for (size_t i = 2; i < words.size(); i += 2) {
        std::string* pValue = words[i] == "command" ? &pItem->command : words[i] == "key" ? &pItem->key : nullptr;
        if (!pValue || i + 1 >= words.size() || !pValue->empty() || words[i + 1].empty()) {
            *pReason = "item takes one command and one key, each with a value";
            return false;
        }
        *pValue = words[i + 1];
    }
    if (pItem->key.size() > 1) {
        *pReason = "a key is one character";
        return false;
    }
    return true;
}

} // namespace

bool IFParseInterfaceFile(const std::string& text, std::vector<IFMenuBar>* pMenuBars, std::string* pError)
{
    enum { kTop, kInMenuBar, kInMenu } level = kTop;
    std::vector<IFMenuBar> bars;
    std::string reason;
    size_t lineNumber = 0, start = 0;
    while (reason.empty() && start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        lineNumber++;

        std::vector<std::string> words;
        if (!SplitWords(line, &words, &reason) || words.empty())
            continue;
        const std::string& keyword = words[0];
        if (keyword == "end" && words.size() == 1 && level != kTop) {
            level = level == kInMenu ? kInMenuBar : kTop;
        } else if (keyword == "menubar" && level == kTop && words.size() == 2 && !words[1].empty()) {
            for (const IFMenuBar& bar : bars)
                if (bar.name == words[1])
                    reason = "menu bar \"" + words[1] + "\" defined twice";
            bars.push_back(IFMenuBar{words[1], {}});
            level = kInMenuBar;
        } else if (keyword == "menu" && level == kInMenuBar && words.size() == 2 && !words[1].empty()) {
            bars.back().menus.push_back(IFMenu{words[1], {}});
            level = kInMenu;
        } else if (keyword == "separator" && level == kInMenu && words.size() == 1) {
            IFMenuItem separator;
            separator.bSeparator = true;
            bars.back().menus.back().items.push_back(separator);
        } else if (keyword == "item" && level == kInMenu) {
            IFMenuItem item;
            if (ReadItem(words, &item, &reason))
                bars.back().menus.back().items.push_back(item);
        } else {
            reason = "unexpected \"" + keyword + "\"";
        }
    }
    if (reason.empty() && level != kTop) {
        lineNumber++;
        reason = "missing \"end\"";
    }
    if (!reason.empty()) {
        if (pError)
            *pError = "line " + std::to_string(lineNumber) + ": " + reason;
        return false;
    }
    if (pMenuBars)
        *pMenuBars = std::move(bars);
    return true;
}

OSStatus CreateNibReference(CFStringRef name, IBNibRef* pNib)
{
    if (!pNib)
        return kIFFileNotFoundErr;
    *pNib = nullptr;
    CFRef<CFURLRef> url(CFBundleCopyResourceURL(CFBundleGetMainBundle(), name, CFSTR("iface"), nullptr));
    CFRef<CFDataRef> data;
    if (!url || !CFURLCreateDataAndPropertiesFromResource(url, data.out(), nullptr))
        return kIFFileNotFoundErr;
    std::string text(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), size_t(CFDataGetLength(data)));
    auto file = std::make_unique<IFInterfaceFile>();
    if (!IFParseInterfaceFile(text, &file->m_MenuBars, nullptr))
        return kIFMalformedErr;
    *pNib = file.release();
    return 0;
}

void DisposeNibReference(IBNibRef nib) { delete nib; }

OSStatus SetMenuBarFromNib(IBNibRef nib, CFStringRef name)
{
    const char* pName = CFStringGetCStringPtr(name);
    if (nib && pName)
        for (const IFMenuBar& bar : nib->m_MenuBars)
            if (bar.name == pName) {
                g_pMenuBar = std::make_unique<IFMenuBar>(bar);
                return 0;
            }
    return kIFObjectNotFoundErr;
}

const IFMenuBar* IFGetMenuBar() { return g_pMenuBar.get(); }
