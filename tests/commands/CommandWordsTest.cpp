// The rules of a command's words, as report declares its options.
#include <gtest/gtest.h>

#include "app/commands/Words.h"

namespace vx {
namespace {

struct Read {
    CommandWords::Outcome outcome;
    std::vector<std::string> operands;
    std::string problem;
    std::string track;
    bool json = false;
};

Read ReadAsReport(const std::vector<std::string>& args)
{
    Read read{};
    CommandWords words;
    words.Value("--track", read.track);
    words.Flag("--json", read.json);
    read.outcome = words.Read(args);
    read.operands = words.Operands();
    read.problem = words.Problem();
    return read;
}

TEST(CommandWords, OptionsAnywhereOperandsInOrderTheLastValueCounts)
{
    const Read read = ReadAsReport({"a.gam", "--track", "x.trk", "/b", "--json", "--track", "-1"});
    EXPECT_EQ(read.outcome, CommandWords::Outcome::Read);
    EXPECT_EQ(read.operands, (std::vector<std::string>{"a.gam", "/b"}));  // a path, on Windows too
    EXPECT_EQ(read.track, "-1");  // a number is a value
    EXPECT_TRUE(read.json);
    EXPECT_EQ(ReadAsReport({"--track", "/tmp/T.trk"}).track, "/tmp/T.trk");
}

TEST(CommandWords, AWordBeginningWithADashIsAnOption)
{
    const struct {
        std::vector<std::string> args;
        std::string problem;
    } cases[] = {
        {{"a.gam", "--csv"}, "unknown option --csv"},
        {{"-"}, "unknown option -"},
        {{"--", "a.gam"}, "unknown option --"},
        {{"a.gam", "--track"}, "--track needs a value"},
        {{"a.gam", "--track", "--json"}, "--track needs a value"},
        {{"a.gam", "--track", ""}, "--track needs a value"},
    };
    for (const auto& c : cases) {
        const Read read = ReadAsReport(c.args);
        EXPECT_EQ(read.outcome, CommandWords::Outcome::WrongUsage) << c.problem;
        EXPECT_EQ(read.problem, c.problem);
    }
}

TEST(CommandWords, HelpAnywhereAsksForHelp)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"a.gam", "-h"},
                                                 {"a.gam", "--bogus", "--help"}})
        EXPECT_EQ(ReadAsReport(args).outcome, CommandWords::Outcome::Help) << args.back();
}

}  // namespace
}  // namespace vx
