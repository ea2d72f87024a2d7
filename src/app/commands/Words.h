// The words of one command (those after its name), read by CLI11 into the
// options the command declares: flags (--json) and options with a value
// (--track T.trk). What the command line's rules make of them:
//   - a word beginning with "-" is an option, whatever file or folder bears
//     its name: one the command does not declare is "unknown option WORD";
//     nothing else is ("/out" is a path, on Windows too);
//   - an option with a value takes the next word unless that is an option
//     itself (a number such as -1 is a value); one without a value, or with
//     an empty one, is "OPTION needs a value"; given twice, the last counts;
//   - "--help" (or "-h") anywhere asks for the command's help;
//   - every other word is an operand, in the order given.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vx {

class CommandWords {
public:
    CommandWords();
    ~CommandWords();

    void Flag(const std::string& name, bool& into);
    void Value(const std::string& name, std::string& into);

    enum class Outcome { Read, Help, WrongUsage };
    Outcome Read(const std::vector<std::string>& words);

    // The words that are no option, in order (once read).
    const std::vector<std::string>& Operands() const { return operands_; }
    // Why the words are wrong usage ("unknown option --x").
    const std::string& Problem() const { return problem_; }

private:
    struct Parser;
    std::unique_ptr<Parser> parser_;
    std::vector<std::string> operands_;
    std::string problem_;
};

}  // namespace vx
