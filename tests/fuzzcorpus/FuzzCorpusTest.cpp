// Every seed of the fuzz targets, and every input that once hurt one of them,
// goes once through the target's own body under the sanitizers: the fuzzers
// themselves do not run in CI, so this is what keeps a seed from regressing.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <map>
#include <set>

#include "frame/Kest2dLogger.h"
#include "fuzzcorpus/FuzzTargets.h"
#include "seeds/FuzzSeeds.h"
#include "support/TestSupport.h"

using namespace kest2d;

namespace {

// Regular files of a folder (none when it is missing), by name.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') files.push_back(folder + "/" + e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(FuzzCorpus, EverySeedAndRegressionInputRunsCleanThroughItsTarget) {
    // The targets' reports would fill the test's output.
    test::TempDir dir;
    CKesLogger::setLogFile(dir.file("fuzz.log"));
    const Level threshold = CKesLogger::getThreshold();
    CKesLogger::setThreshold(FATAL);

    std::map<std::string, std::vector<std::pair<std::string, std::string>>> inputs;
    for (const fuzzseeds::Seed& seed : fuzzseeds::MakeSeeds())
        inputs[seed.target].push_back({"generated " + seed.name, seed.bytes});
    for (const FuzzTarget& target : FuzzTargets()) {
        for (const std::string& folder : {std::string(KEST2D_SOURCE_DIR) + "/fuzz/corpus/" + target.name,
                                          std::string(KEST2D_TEST_DATA_DIR) + "/fuzz/" + target.name})
            for (const std::string& path : FilesIn(folder)) inputs[target.name].push_back({path, test::ReadFile(path)});
    }

    ASSERT_EQ(8u, FuzzTargets().size());
    for (const FuzzTarget& target : FuzzTargets()) {
        const auto& list = inputs[target.name];
        EXPECT_GE(list.size(), 3u) << target.name << " has hardly any seeds";
        for (const auto& input : list) {
            SCOPED_TRACE(target.name + ": " + input.first);
            // An exactly sized copy: a read past the input is caught.
            std::vector<uint8_t> bytes(input.second.begin(), input.second.end());
            EXPECT_EQ(0, target.run(bytes.empty() ? nullptr : bytes.data(), bytes.size()));
        }
    }
    for (const auto& entry : inputs) {
        bool known = false;
        for (const FuzzTarget& target : FuzzTargets()) known = known || target.name == entry.first;
        EXPECT_TRUE(known) << "seeds for a target that does not exist: " << entry.first;
    }
    CKesLogger::setThreshold(threshold);
    CKesLogger::closeLogFile();
}

// The layout seed must reach every control type and every property the loader
// reads: the names are taken from the loader's own sources.
TEST(FuzzCorpus, TheLayoutSeedNamesEveryControlTypeAndPropertyOfTheLoader) {
    const std::string loader = test::ReadFile(std::string(KEST2D_SOURCE_DIR) + "/src/gui/Kest2dGUILayout.cpp");
    const std::string types = test::ReadFile(std::string(KEST2D_SOURCE_DIR) + "/src/gui/Kest2dGUILayoutTypes.cpp");
    const size_t common = loader.find("void KesLayoutCommon::Read");
    const size_t commonEnd = loader.find("// ---- One load ----");
    const size_t begin = types.find("namespace {");
    const size_t table = types.find("std::vector<KesLayoutControlType>& ControlTypes()");
    const size_t end = types.find("const KesLayoutControlType* FindLayoutControlType");
    ASSERT_NE(std::string::npos, common);
    ASSERT_NE(std::string::npos, commonEnd);
    ASSERT_NE(std::string::npos, begin);
    ASSERT_NE(std::string::npos, table);
    ASSERT_NE(std::string::npos, end);
    const std::string layout = fuzzseeds::EveryControlLayout();
    // The string literals made of letters only between two places of a source.
    auto names = [](const std::string& source, size_t from, size_t to) {
        std::set<std::string> found;
        for (size_t open = source.find('"', from); open < to; open = source.find('"', open + 1)) {
            const size_t close = source.find('"', open + 1);
            if (close >= to) break;
            const std::string text = source.substr(open + 1, close - open - 1);
            const bool letters = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            });
            if (letters) found.insert(text);
            open = close;
        }
        return found;
    };
    std::set<std::string> properties = names(types, begin, table);
    for (const std::string& p : names(loader, common, commonEnd)) properties.insert(p);
    const std::set<std::string> typeNames = names(types, table, end);
    EXPECT_GT(properties.size(), 80u);
    EXPECT_GT(typeNames.size(), 15u);
    for (const std::string& p : properties)
        EXPECT_NE(std::string::npos, layout.find("Name=\"" + p + "\"")) << "property " << p;
    for (const std::string& t : typeNames)
        EXPECT_NE(std::string::npos, layout.find("Type=\"" + t + "\"")) << "type " << t;
}
