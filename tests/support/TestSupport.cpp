#include "support/TestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vx::test {

std::shared_ptr<ScriptedRequester::Shared> Script(Toolkit& toolkit)
{
    auto shared = std::make_shared<ScriptedRequester::Shared>();
    toolkit.SetRequester(std::make_unique<ScriptedRequester>(shared));
    return shared;
}

std::int64_t CountColour(const Image& image, Colour colour)
{
    return CountColourIn(image, colour, 0, 0, image.Width(), image.Height());
}

std::int64_t CountColourIn(const Image& image, Colour colour, int x0, int y0, int x1, int y1)
{
    std::int64_t count = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, image.Height()); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, image.Width()); ++x)
            count += image.At(x, y) == colour;
    return count;
}

TempFolder::TempFolder()
{
    // A new folder of a random name; another test's folder is never taken.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vxtest." + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) {
            path_ = path;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder()
{
    std::error_code error;
    // Folders made unreadable by a test must be opened again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vx::test
