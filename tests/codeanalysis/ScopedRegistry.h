// A settings file of the test's own: a temporary folder, with QUILLMOREN_REGISTRY pointing into
// it for as long as the object lives.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

namespace Quillmoren::Libraries::CodeAnalysis::Testing {

/// The key path of the categories in every test, and its form in a settings file.
inline constexpr wchar_t kTestPath[] = L"Software\\Test\\Categories";
inline const std::string kTestKey = "HKEY_CURRENT_USER\\Software\\Test\\Categories";

/// Points the settings store at "registry.reg" in a new temporary folder (the file itself is not
/// created), and restores the variable and removes the folder afterwards.
class CScopedRegistry {
public:
    CScopedRegistry() {
        std::random_device seed;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_folder = std::filesystem::temp_directory_path() /
                       ("categories-test-" + std::to_string(seed()));
            if (std::filesystem::create_directory(m_folder)) {
                break;
            }
        }
        if (const char* old = std::getenv("QUILLMOREN_REGISTRY")) {
            m_old = old;
        }
        setenv("QUILLMOREN_REGISTRY", File().c_str(), 1);
    }
    ~CScopedRegistry() {
        if (m_old) {
            setenv("QUILLMOREN_REGISTRY", m_old->c_str(), 1);
        } else {
            unsetenv("QUILLMOREN_REGISTRY");
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    CScopedRegistry(const CScopedRegistry&) = delete;
    CScopedRegistry& operator=(const CScopedRegistry&) = delete;

    std::string File() const { return (m_folder / "registry.reg").string(); }
    /// The temporary folder, for the test's other files.
    std::string Folder() const { return m_folder.string(); }

    /// Writes the settings file: the header line followed by `body`.
    void Write(const std::string& body) const {
        WriteBytes("Windows Registry Editor Version 5.00\n\n" + body);
    }
    void WriteBytes(const std::string& bytes) const {
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string Read() const {
        std::ifstream in(File(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool Exists() const { return std::filesystem::exists(File()); }

private:
    std::filesystem::path m_folder;
    std::optional<std::string> m_old;
};

/// The settings-file text of one category key: `values` holds its value lines.
inline std::string CategoryKey(int index, const std::string& values) {
    return "[" + kTestKey + "\\" + std::to_string(index) + "]\n" + values + "\n";
}

} // namespace Quillmoren::Libraries::CodeAnalysis::Testing
