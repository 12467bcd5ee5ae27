// Benchmarks of the category manager: loading 20 categories with 5,000 assigned message numbers
// from a real settings file, and classifying a million message numbers.
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

using namespace Quillmoren::Libraries::CodeAnalysis;

constexpr wchar_t kPath[] = L"Software\\Bench\\Categories";

/// A settings file in a temporary folder with 20 categories (the six built-in ones and 14 of
/// the user's) sharing 5,000 assigned numbers; QUILLMOREN_REGISTRY points at it while it lives.
class CBenchSettings {
public:
    CBenchSettings() {
        std::random_device seed;
        m_folder =
            std::filesystem::temp_directory_path() / ("category-bench-" + std::to_string(seed()));
        std::filesystem::create_directories(m_folder);
        setenv("QUILLMOREN_REGISTRY", (m_folder / "registry.reg").c_str(), 1);

        CIssueCategoryManager manager;
        manager.Load(nullptr, kPath, true);
        for (int i = 0; i < 14; ++i) {
            manager.AddCategory(L"User category " + std::to_wstring(i), L"User categories", 10 + i,
                                7024, Rgb(10, 20, 30), kColourDefault, Rgb(40, 50, 60),
                                L"User" + std::to_wstring(i), false);
        }
        for (std::int32_t n = 0; n < 5000; ++n) {
            manager.AssignMessage(1 + n * 7 % 20000, n % 20);
        }
        manager.SaveToRegistry();
    }
    ~CBenchSettings() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    std::filesystem::path m_folder;
};

const CBenchSettings& Settings() {
    static const CBenchSettings settings;
    return settings;
}

void BM_Load(benchmark::State& state) {
    Settings();
    for (auto _ : state) {
        CIssueCategoryManager manager;
        manager.Load(nullptr, kPath, true);
        benchmark::DoNotOptimize(manager.GetMessageAssignmentCount());
    }
    CIssueCategoryManager manager;
    manager.Load(nullptr, kPath, true);
    state.counters["categories"] = manager.GetCategoryCount();
    state.counters["assignments"] = manager.GetMessageAssignmentCount();
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// The baseline of the load: reading the same settings file's bytes, no parsing.
void BM_ReadSettingsFileBaseline(benchmark::State& state) {
    Settings();
    const std::wstring path = Quillmoren::Libraries::Platform::SettingsFilePath();
    for (auto _ : state) {
        std::string bytes;
        int errorNumber = 0;
        Quillmoren::Libraries::Platform::ReadWholeFile(path, bytes, errorNumber);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadSettingsFileBaseline)->Unit(benchmark::kMillisecond);

void BM_GetCategoryForMessage(benchmark::State& state) {
    Settings();
    CIssueCategoryManager manager;
    manager.Load(nullptr, kPath, true);
    constexpr std::int32_t kNumbers = 1000000;
    for (auto _ : state) {
        // Numbers spread over every block, assigned ones among them.
        for (std::int32_t i = 0; i < kNumbers; ++i) {
            benchmark::DoNotOptimize(manager.GetCategoryForMessage(i % 25000 - 100).GetIndex());
        }
    }
    state.SetItemsProcessed(state.iterations() * kNumbers);
}
BENCHMARK(BM_GetCategoryForMessage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
