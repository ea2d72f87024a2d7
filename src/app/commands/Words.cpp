#include "app/commands/Words.h"

#include <CLI/CLI.hpp>

namespace vx {

struct CommandWords::Parser {
    struct Value {
        std::string name;
        std::string* into;
        CLI::Option* option;
    };
    CLI::App app;
    std::vector<Value> values;
};

CommandWords::CommandWords() : parser_(std::make_unique<Parser>())
{
    CLI::App& app = parser_->app;
    // Words no option takes are kept, in order, for the command's own rules:
    // its operands, and the options it does not know.
    app.allow_extras();
    // Only "-" begins an option, on Windows too: "/tmp/out" is a folder.
    app.allow_windows_style_options(false);
    // The help is the program's own text, printed by the command.
    app.set_help_flag("--help,-h");
}

CommandWords::~CommandWords() = default;

void CommandWords::Flag(const std::string& name, bool& into)
{
    parser_->app.add_flag(name, into);
}

void CommandWords::Value(const std::string& name, std::string& into)
{
    // No value, or an option where the value goes, is read as an empty one
    // and said as missing below: the option is named, not CLI11's words.
    CLI::Option* option = parser_->app.add_option(name, into)->expected(0, 1)->multi_option_policy(
        CLI::MultiOptionPolicy::TakeLast);
    parser_->values.push_back({name, &into, option});
}

CommandWords::Outcome CommandWords::Read(const std::vector<std::string>& words)
{
    operands_.clear();
    problem_.clear();
    std::vector<std::string> backwards(words.rbegin(), words.rend());  // CLI11 takes the last word first
    CLI::App& app = parser_->app;
    try {
        app.parse(backwards);
    } catch (const CLI::CallForHelp&) {
        return Outcome::Help;
    } catch (const CLI::ParseError& error) {
        problem_ = error.what();  // a flag given a value it cannot read ("--json=maybe")
        return Outcome::WrongUsage;
    }
    for (const std::string& word : app.remaining()) {
        if (!word.empty() && word[0] == '-') {
            problem_ = "unknown option " + word;
            return Outcome::WrongUsage;
        }
        operands_.push_back(word);
    }
    for (const Parser::Value& value : parser_->values) {
        if (value.option->count() > 0 && value.into->empty()) {
            problem_ = value.name + " needs a value";
            return Outcome::WrongUsage;
        }
    }
    return Outcome::Read;
}

}  // namespace vx
