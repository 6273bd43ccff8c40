// Registration for today's browsers against a registry in memory: what regsvr32 writes, that
// every failing step leaves nothing half-written, which library paths are taken, and that
// unregistering removes exactly the plug-in's key.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/Registration.h"

namespace {

constexpr int32_t kWriteFault = 29; // ERROR_WRITE_FAULT: any other failure
const std::string kTypes = std::string(kPluginKey) + "\\MimeTypes\\";

// Keys by path with their text values; the operation numbered failAt answers failWith.
class MemoryRegistry : public RegistryStore {
public:
    std::map<std::string, std::map<std::string, std::string>> keys{{"Software", {}}};
    int calls = 0;
    int failAt = 0;
    int32_t failWith = kStoreAccessDenied;

    int32_t CreateKey(const char* path) override {
        if (Fails()) {
            return failWith;
        }
        const std::string whole = path;
        for (size_t at = whole.find('\\'); at != std::string::npos; at = whole.find('\\', at + 1)) {
            keys[whole.substr(0, at)];
        }
        keys[whole];
        return kStoreOk;
    }
    int32_t SetText(const char* path, const char* name, const char* value) override {
        if (Fails()) {
            return failWith;
        }
        auto key = keys.find(path);
        if (key == keys.end()) {
            return kStoreNotFound;
        }
        key->second[name] = value;
        return kStoreOk;
    }
    int32_t DeleteTree(const char* path) override {
        if (Fails()) {
            return failWith;
        }
        if (keys.erase(path) == 0) {
            return kStoreNotFound;
        }
        const std::string below = std::string(path) + "\\";
        for (auto key = keys.begin(); key != keys.end();) {
            key = key->first.compare(0, below.size(), below) == 0 ? keys.erase(key) : ++key;
        }
        return kStoreOk;
    }
    int32_t DeleteIfEmpty(const char* path) override {
        if (Fails()) {
            return failWith;
        }
        auto key = keys.find(path);
        const std::string below = std::string(path) + "\\";
        if (key != keys.end() && key->second.empty() &&
            (std::next(key) == keys.end() ||
             std::next(key)->first.compare(0, below.size(), below) != 0)) {
            keys.erase(key);
        }
        return kStoreOk;
    }

    // Every value below `path` as (key, name, value).
    std::vector<std::tuple<std::string, std::string, std::string>>
    ValuesBelow(const std::string& path) const {
        std::vector<std::tuple<std::string, std::string, std::string>> values;
        for (const auto& key : keys) {
            if (key.first.compare(0, path.size(), path) == 0) {
                for (const auto& value : key.second) {
                    values.emplace_back(key.first, value.first, value.second);
                }
            }
        }
        return values;
    }

private:
    bool Fails() { return ++calls == failAt; }
};

const char kLibrary[] = "C:\\Program Files\\Vemo\\NPVemoC.dll";

TEST(Registration, WritesTheKeyTodaysBrowsersRead) {
    MemoryRegistry registry;
    EXPECT_EQ(RegisterPlugin(registry, kLibrary), kRegistrationOk);
    using Value = std::tuple<std::string, std::string, std::string>;
    const std::vector<Value> expected = {
        {kPluginKey, "Description", "NPVemoC Vemo Netscape Plugin DLL"},
        {kPluginKey, "Path", kLibrary},
        {kPluginKey, "ProductName", "Vemo plug-in for Netscape and Internet Explorer 3"},
        {kPluginKey, "Vendor", "Vemo"},
        {kPluginKey, "Version", "1.0.0.13"},
        {kTypes + "application/vnd.vemo", "Description", "Vemo (*.vem;*.web)"},
        {kTypes + "application/vnd.vemo", "Suffixes", "vem,web"},
        {kTypes + "application/x-AstelVEMO", "Description", "Vemo (*.vem;*.web)"},
        {kTypes + "application/x-AstelVEMO", "Suffixes", "vem,web"},
    };
    EXPECT_EQ(registry.ValuesBelow(kPluginKey), expected);
}

TEST(Registration, ARegistrationElsewhereIsReplacedWhole) {
    MemoryRegistry registry;
    registry.CreateKey((kTypes + "application/x-retired").c_str());
    registry.SetText(kPluginKey, "Path", "D:\\old\\NPVemoC.dll");
    ASSERT_EQ(RegisterPlugin(registry, kLibrary), kRegistrationOk);
    EXPECT_EQ(registry.keys.count(kTypes + "application/x-retired"), 0u);
    EXPECT_EQ(registry.keys[kPluginKey]["Path"], kLibrary);
}

// Whichever operation fails, and however, the registry is as it was: another plug-in's key
// intact, none of ours, no empty parent left behind.
TEST(Registration, EveryFailingStepLeavesNothingHalfWritten) {
    MemoryRegistry probe;
    ASSERT_EQ(RegisterPlugin(probe, kLibrary), kRegistrationOk);
    const int steps = probe.calls;
    ASSERT_GE(steps, 12);
    for (bool otherPlugin : {false, true}) {
        for (int32_t error : {kStoreAccessDenied, kWriteFault}) {
            for (int step = 1; step <= steps; ++step) {
                MemoryRegistry registry;
                if (otherPlugin) {
                    registry.CreateKey("Software\\MozillaPlugins\\@other.example/npother");
                    registry.SetText("Software\\MozillaPlugins\\@other.example/npother", "Path",
                                     "C:\\other\\npother.dll");
                }
                const auto before = registry.keys;
                registry.calls = 0;
                registry.failAt = step;
                registry.failWith = error;
                EXPECT_EQ(RegisterPlugin(registry, kLibrary), error == kStoreAccessDenied
                                                                  ? kRegistrationAccessDenied
                                                                  : kRegistrationFailed)
                    << "step " << step << " error " << error;
                EXPECT_EQ(registry.keys, before) << "step " << step << " error " << error;
            }
        }
    }
}

TEST(Registration, OnlyAnAbsolutePathABrowserCanLoadIsTaken) {
    const std::string longest = "C:\\" + std::string(kRegistrablePathLimit - 3, 'a');
    const struct {
        std::string path;
        int32_t taken;
    } cases[] = {
        {kLibrary, 1},
        {"c:\\NPVemoC.dll", 1},
        {"\\\\server\\share\\NPVemoC.dll", 1},
        {longest, 1},
        {longest + "a", 0}, // one over MAX_PATH less its zero
        {longest + longest, 0},
        {"", 0},
        {"NPVemoC.dll", 0},
        {"C:NPVemoC.dll", 0},
        {"C:/dir/NPVemoC.dll", 0},
        {"\\dir\\NPVemoC.dll", 0},
        {"\\\\\\dir\\NPVemoC.dll", 0},
        {"1:\\NPVemoC.dll", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRegistrablePath(c.path.c_str()), c.taken) << c.path.size() << " " << c.path;
        MemoryRegistry registry;
        EXPECT_EQ(RegisterPlugin(registry, c.path.c_str()),
                  c.taken ? kRegistrationOk : kRegistrationBadPath)
            << c.path;
        if (!c.taken) {
            EXPECT_EQ(registry.calls, 0) << "nothing touched for " << c.path;
        }
    }
    EXPECT_EQ(IsRegistrablePath(nullptr), 0);
}

TEST(Unregistration, RemovesExactlyThePluginsKey) {
    const std::string other = "Software\\MozillaPlugins\\@other.example/npother";
    const struct {
        const char* name;
        bool registered;
        bool otherPlugin;
        int failAt;
        int32_t result;
        bool parentStays;
    } cases[] = {
        {"alone", true, false, 0, kRegistrationOk, false},
        {"beside another plug-in", true, true, 0, kRegistrationOk, true},
        {"not registered", false, true, 0, kRegistrationOk, true},
        {"nothing there", false, false, 0, kRegistrationOk, false},
        {"read-only", true, true, 1, kRegistrationAccessDenied, true},
    };
    for (const auto& c : cases) {
        MemoryRegistry registry;
        if (c.otherPlugin) {
            registry.CreateKey(other.c_str());
            registry.SetText(other.c_str(), "Path", "C:\\other\\npother.dll");
        }
        if (c.registered) {
            ASSERT_EQ(RegisterPlugin(registry, kLibrary), kRegistrationOk) << c.name;
        }
        const auto before = registry.keys;
        registry.calls = 0;
        registry.failAt = c.failAt;
        EXPECT_EQ(UnregisterPlugin(registry), c.result) << c.name;
        EXPECT_EQ(registry.keys.count(kPluginKey), c.failAt ? 1u : 0u) << c.name;
        EXPECT_EQ(registry.keys.count(kMozillaPluginsKey), c.parentStays ? 1u : 0u) << c.name;
        EXPECT_EQ(registry.keys.count(other), c.otherPlugin ? 1u : 0u) << c.name;
        if (c.failAt) {
            EXPECT_EQ(registry.keys, before) << c.name;
        }
    }
}

} // namespace
