// The record of the commands' runs: one JSON line each, appended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands_fixture.h"
#include "io/sha256.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;

TEST_F(Commands, RecordsAppendOneLinePerRunAndKeepALineThatWasCutShort) {
    makeScripts();
    writeText(path("r.jsonl"), "{\"cut\": tr");
    writeText(state_, "{}");
    EXPECT_EQ(command({"--record", path("r.jsonl"), "verify", path("same.qef")}).status, 0);
    EXPECT_EQ(command({"verify", path("diff.qef"), "--record", path("r.jsonl")}).status, 1);
    std::istringstream lines(readText(path("r.jsonl")));
    std::string cut, first, second, more;
    std::getline(lines, cut);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(cut, "{\"cut\": tr");
    EXPECT_FALSE(std::getline(lines, more));
    const json a = json::parse(first), b = json::parse(second);
    EXPECT_EQ(a["command"], "verify");
    EXPECT_EQ(a["result"], "verified");
    EXPECT_EQ(a["camera"], "70");
    EXPECT_EQ(a["bus"], "sim");
    EXPECT_EQ(a["script"], path("same.qef"));
    EXPECT_EQ(a["sha256"], vorlix::io::sha256Hex(readText(path("same.qef"))));
    EXPECT_TRUE(a["backup"].is_null());
    EXPECT_EQ(b["result"], "differs");
    EXPECT_EQ(b["status"], 1);
    EXPECT_EQ(b["difference"]["bank"], "a2");
    EXPECT_EQ(b["difference"]["offset"], "a5");
    for (const char* key : {"time", "version", "durationMs"}) EXPECT_TRUE(b.contains(key)) << key;
}

}  // namespace
