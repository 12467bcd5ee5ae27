// A temporary folder of the test's own, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::Utils::Testing {

/// Creates a uniquely named folder under the system's temporary folder ($TMPDIR or /tmp, never
/// the home folder) and removes it again on destruction.
class CTestFolder {
public:
    CTestFolder() {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = base / ("utils-test-" + std::to_string(seed()));
            if (std::filesystem::create_directory(m_path))
                break;
        }
    }
    ~CTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    /// The folder, with a trailing '/'.
    std::wstring Path() const { return m_path.wstring() + L"/"; }
    /// The path of `name` in the folder.
    std::wstring File(std::wstring_view name) const { return Path() + std::wstring(name); }

    /// Writes `bytes` as the whole of the file `name` and returns its path.
    std::wstring Write(std::wstring_view name, std::string_view bytes) const {
        const std::filesystem::path path = m_path / std::filesystem::path(std::wstring(name));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.wstring();
    }

private:
    std::filesystem::path m_path;
};

} // namespace Quillmoren::Libraries::Utils::Testing
