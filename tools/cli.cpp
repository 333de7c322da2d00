#include "cli.h"

#include <cerrno>
#include <cstdlib>

#include "errors.h"
#include "names.h"

const char* QVUsageText()
{
    return "usage:\n"
           "  quillmark list [--names]\n"
           "  quillmark info EFFECT\n"
           "  quillmark render EFFECT [+ EFFECT ...] INPUT OUTPUT [options]\n"
           "\n"
           "EFFECT is an effect or library filter: its name with or without the vendor prefix, in any\n"
           "case (\"bass boost\", \"Tessary Bass Boost\"), or its code (\"qvbb\"). Effects joined with '+'\n"
           "run in that order. --preset and --set apply to the effect named last before them.\n"
           "\n"
           "options:\n"
           "  --preset NAME|N        factory preset by name or number (default 0)\n"
           "  --set CONTROL=VALUE    control by name or number, value 0..1; repeat, or separate with ','\n"
           "  --block N              frames per block, 1..65536 (default 512)\n"
           "  --bits 16|24|32f       output samples (default: 32f for WAV/AIFF, 24 for FLAC)\n"
           "  --rate-check           fail (exit 3) when the effects ran slower than real time\n"
           "  --quiet                no progress bar and no summary line\n"
           "\n"
           "The output format follows the output's extension: .wav, .aiff, .flac or .ogg.\n"
           "Exit status: 0 done, 1 file problem, 2 command-line problem, 3 slower than real time,\n"
           "130 interrupted. The output appears only when the render succeeded.\n";
}

namespace {

const std::vector<std::string> kCommands = {"list", "info", "render", "help"};
const std::vector<std::string> kOptions = {"--preset", "--set", "--block", "--bits", "--rate-check", "--quiet", "--names"};

uint32_t ParseBlock(const std::string& text)
{
    errno = 0;
    char* pEnd = nullptr;
    const long long v = std::strtoll(text.c_str(), &pEnd, 10);
    if (text.empty() || *pEnd != '\0' || errno != 0 || v < 1 || v > 65536)
        throw QVUsageError("--block " + text + ": give a number of frames from 1 to 65536");
    return uint32_t(v);
}

void SplitSets(const std::string& text, std::vector<std::string>& sets)
{
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string one = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (one.find('=') == std::string::npos)
            throw QVUsageError("--set " + one + ": write CONTROL=VALUE, for example --set Strength=0.5");
        sets.push_back(one);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

} // namespace

QVCommandLine QVParseCommandLine(const std::vector<std::string>& args)
{
    QVCommandLine cl;
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        cl.command = "help";
        return cl;
    }
    cl.command = args[0];
    bool bKnown = false;
    for (const std::string& c : kCommands) bKnown = bKnown || c == cl.command;
    if (!bKnown) throw QVUsageError("unknown command '" + cl.command + "'" + QVDidYouMean(cl.command, kCommands) +
                                    " (commands: list, info, render)");

    std::vector<std::string> files;
    bool bExpectEffect = cl.command != "list";
    for (size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') {
            std::string value;
            bool bHasValue = false;
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                bHasValue = true;
            }
            auto take = [&]() -> std::string {
                if (bHasValue) return value;
                if (i + 1 >= args.size()) throw QVUsageError(arg + " needs a value");
                return args[++i];
            };
            auto stage = [&]() -> QVStageArgs& {
                if (cl.stages.empty()) throw QVUsageError(arg + " comes before any effect; name the effect first");
                return cl.stages.back();
            };
            if (arg == "--preset" && cl.command == "render") stage().preset = take();
            else if (arg == "--set" && cl.command == "render") SplitSets(take(), stage().sets);
            else if (arg == "--block" && cl.command == "render") cl.block = ParseBlock(take());
            else if (arg == "--bits" && cl.command == "render") cl.bits = take();
            else if (arg == "--rate-check" && cl.command == "render" && !bHasValue) cl.rateCheck = true;
            else if (arg == "--quiet" && cl.command == "render" && !bHasValue) cl.quiet = true;
            else if (arg == "--names" && cl.command == "list" && !bHasValue) cl.namesOnly = true;
            else
                throw QVUsageError("'" + args[i] + "' is not an option of '" + cl.command + "'" +
                                   QVDidYouMean(arg, kOptions) + "; see 'quillmark help'");
        } else if (arg == "+") {
            if (cl.command != "render" || bExpectEffect || cl.stages.empty())
                throw QVUsageError("'+' joins two effects: EFFECT + EFFECT");
            bExpectEffect = true;
        } else if (bExpectEffect) {
            cl.stages.push_back(QVStageArgs{arg, "", {}});
            bExpectEffect = false;
        } else {
            files.push_back(arg);
        }
    }

    if (cl.command == "help") return cl;
    if (cl.command == "list") {
        if (!files.empty()) throw QVUsageError("'list' takes no arguments, only --names");
        return cl;
    }
    if (cl.stages.empty() || bExpectEffect)
        throw QVUsageError("name an effect: quillmark " + cl.command + " EFFECT" +
                           (cl.command == "render" ? " INPUT OUTPUT" : "") + " ('quillmark list' shows them)");
    if (cl.command == "info") {
        if (!files.empty() || cl.stages.size() != 1) throw QVUsageError("'info' takes one effect: quillmark info EFFECT");
        return cl;
    }
    if (files.size() != 2)
        throw QVUsageError("'render' needs an input and an output file, got " + std::to_string(files.size()) +
                           " file name(s): quillmark render EFFECT INPUT OUTPUT");
    cl.input = files[0];
    cl.output = files[1];
    return cl;
}
