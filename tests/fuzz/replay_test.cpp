// Replays a fuzz harness's inputs as ordinary tests: every file of its seed corpus and of
// its regressions (inputs that once crashed it, kept after the fix). The sanitizer builds
// of the suite fail on the memory and undefined-behaviour faults those inputs found.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size);

namespace {

const char* const kFolders[] = {"corpus", "regressions"};

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') files.push_back(folder + "/" + entry->d_name);
        ::closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Inputs()
{
    std::vector<std::string> all;
    for (const char* folder : kFolders) {
        const std::vector<std::string> files = FilesIn(std::string(QV_FUZZ_INPUTS) + "/" + folder);
        all.insert(all.end(), files.begin(), files.end());
    }
    return all;
}

class FuzzReplay : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzReplay, RunsClean)
{
    std::ifstream file(GetParam(), std::ios::binary);
    ASSERT_TRUE(file) << GetParam();
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
}

TEST(FuzzInputs, SeedCorpusPresent)
{
    EXPECT_FALSE(FilesIn(std::string(QV_FUZZ_INPUTS) + "/corpus").empty()) << QV_FUZZ_INPUTS;
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info)
{
    // "regressions/crash-1a2b" -> "regressions_crash_1a2b"
    std::string name = info.param.substr(std::string(QV_FUZZ_INPUTS).size() + 1);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzReplay, ::testing::ValuesIn(Inputs()), CaseName);

} // namespace
