// Helpers shared by the tests: scripted requesters, pixel counting, files.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Image.h"
#include "toolkit/Toolkit.h"

namespace vx::test {

// A requester that gives prepared answers in order ("" once they run out)
// and remembers every question and every message box it stood in for.
class ScriptedRequester : public Requester {
public:
    struct Question {
        bool save = false;
        std::string title;
        std::string defaultFile;  // the start folder of a folder requester
        std::string filter;
        int owner = -1;
        bool folder = false;
    };
    struct Message {
        int owner = -1;
        MessageKind kind = MessageKind::Error;
        std::string title;
        std::string text;
    };
    struct Shared {
        std::deque<std::string> answers;
        std::vector<Question> asked;
        std::vector<Message> shown;
    };

    explicit ScriptedRequester(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    std::string AskOpenFile(int owner, const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int) override
    {
        return Answer({false, title, defaultFile, filter, owner});
    }
    std::string AskSaveFile(int owner, const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int) override
    {
        return Answer({true, title, defaultFile, filter, owner});
    }
    std::string AskFolder(int owner, const std::string& title, const std::string& startFolder) override
    {
        return Answer({false, title, startFolder, {}, owner, true});
    }
    void ShowMessage(int owner, MessageKind kind, const std::string& title,
                     const std::string& text) override
    {
        shared_->shown.push_back({owner, kind, title, text});
    }

private:
    std::string Answer(Question question)
    {
        shared_->asked.push_back(std::move(question));
        if (shared_->answers.empty())
            return {};
        std::string answer = shared_->answers.front();
        shared_->answers.pop_front();
        return answer;
    }
    std::shared_ptr<Shared> shared_;
};

// Installs a scripted requester in the toolkit and returns its script.
std::shared_ptr<ScriptedRequester::Shared> Script(Toolkit& toolkit);

std::int64_t CountColour(const Image& image, Colour colour);
// Pixels of colour inside the rectangle [x0, x1) x [y0, y1).
std::int64_t CountColourIn(const Image& image, Colour colour, int x0, int y0, int x1, int y1);

// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    // Path of name inside the folder, with a trailing "/" when it is a folder.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string Folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::string& path);

}  // namespace vx::test
