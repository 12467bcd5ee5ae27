// category_saver: a test helper that keeps rewriting the category settings while wrappers read
// them, as an editor saving the list over and over would.
//
//   category_saver STOP-FILE
//
// Each round stores the icons as an older version did, by number only (so that the next readers
// have their fallback write-back to make), loads the categories afresh and saves the whole list.
// Every load must find as many categories as the first did. Once STOP-FILE exists it loads and
// saves once more, writes "saves N" and ends with 0; on any failure it says why and ends with 1.
#include "codeanalysis/IssueCategoryManager.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace CodeAnalysis = Quillmoren::Libraries::CodeAnalysis;
namespace Platform = Quillmoren::Libraries::Platform;

namespace {

/// Stores every category's icon as an older version did: an "IconID" number and no "Icon" name.
bool StoreIconsTheOldWay(std::wstring& error) {
    const Platform::CSettingsFile file(Platform::SettingsFilePath());
    return file.Update(
        [](Platform::CSettingsStore& store) {
            std::vector<std::wstring> keys;
            store.ListSubkeys(CodeAnalysis::kCategoriesRegistryPath, keys);
            for (const std::wstring& name : keys) {
                const std::wstring key =
                    std::wstring(CodeAnalysis::kCategoriesRegistryPath) + L"\\" + name;
                std::wstring icon;
                store.GetString(key, L"Icon", icon);
                for (const CodeAnalysis::CIconDefinition& known : CodeAnalysis::kCategoryIcons) {
                    if (known.name == icon)
                        store.SetDword(key, L"IconID", static_cast<std::uint32_t>(known.id));
                }
                store.DeleteValue(key, L"Icon");
            }
            return true;
        },
        error);
}

/// Loads the categories and saves them; the number loaded, or -1 when the save failed.
int LoadAndSave() {
    CodeAnalysis::CIssueCategoryManager manager;
    manager.Load(nullptr, CodeAnalysis::kCategoriesRegistryPath, true);
    std::vector<CodeAnalysis::CIssueCategory> categories;
    const int count = manager.GetCategories(categories);
    return manager.SaveToRegistry() ? count : -1;
}

int Fail(const std::string& what) {
    std::fprintf(stdout, "category_saver: %s\n", what.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return Fail("usage: category_saver STOP-FILE");
    const std::wstring stopFile = Platform::DecodeUtf8(argv[1]);
    const int expected = LoadAndSave();
    if (expected < 0)
        return Fail("the first save failed");
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    int saves = 1;
    for (bool last = false; !last; ++saves) {
        last = Platform::PathExists(stopFile);
        std::wstring error;
        if (!last && !StoreIconsTheOldWay(error))
            return Fail("cannot store the icons: " + Platform::EncodeUtf8(error));
        const int count = LoadAndSave();
        if (count < 0)
            return Fail("round " + std::to_string(saves) + ": the save failed");
        if (count != expected)
            return Fail("round " + std::to_string(saves) + " loaded " + std::to_string(count) +
                        " categories instead of " + std::to_string(expected));
    }
    std::fprintf(stdout, "saves %d\n", saves);
    return 0;
}
