// libFuzzer target for the settings store's parser: any bytes either fail to parse or give a
// store whose written form reads back to exactly the same written form.
#include "platform/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Quillmoren::Libraries::Platform;

namespace {

/// Reads every value below a key through the typed interface, a few levels down.
void Walk(const CSettingsStore& store, const std::wstring& key, int depth) {
    std::vector<std::wstring> names;
    if (!store.ListValues(key, names)) {
        std::abort(); // a key that was listed must exist
    }
    for (const std::wstring& name : names) {
        CSettingsValue value;
        std::wstring text;
        std::uint32_t number = 0;
        if (!store.GetValue(key, name, value)) {
            std::abort();
        }
        value.GetString(text);
        value.GetDword(number);
    }
    if (depth == 0 || !store.ListSubkeys(key, names)) {
        return;
    }
    for (const std::wstring& name : names) {
        Walk(store, key.empty() ? name : key + L"\\" + name, depth - 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CSettingsStore store;
    if (!store.Parse(std::string(reinterpret_cast<const char*>(data), size))) {
        return 0;
    }
    const std::string written = store.Serialise();
    CSettingsStore again;
    if (!again.Parse(written) || again.Serialise() != written) {
        std::abort();
    }
    Walk(store, L"", 8);
    return 0;
}
