// The command line of quillmark, parsed into plain text fields; names are resolved
// against the effects afterwards (registry.h), so parsing needs no effect at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct QVStageArgs {
    std::string effect;             // as typed: name, short name or code
    std::string preset;             // as typed, or empty for preset 0
    std::vector<std::string> sets;  // "CONTROL=VALUE", in the order given
};

struct QVCommandLine {
    std::string command;            // "list", "info", "render" or "help"
    std::vector<QVStageArgs> stages;
    std::string input, output;
    uint32_t block = 512;
    std::string bits;               // "", "16", "24" or "32f"
    bool quiet = false;
    bool rateCheck = false;
    bool namesOnly = false;         // list --names
};

// Throws a usage error (QVError) for anything it cannot make sense of.
QVCommandLine QVParseCommandLine(const std::vector<std::string>& args);

// The help text.
const char* QVUsageText();
