#include "platform/rtl/resources.h"

#include <cctype>

struct TessaroResourceEntry {
    const char* type;
    const char* name;
    const unsigned char* data;
    std::size_t size;
};
extern const TessaroResourceEntry tessaro_resources[];
extern const std::size_t tessaro_resource_count;

static bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

static std::string_view StripExt(std::string_view n) {
    auto dot = n.rfind('.');
    return dot == std::string_view::npos ? n : n.substr(0, dot);
}

bool FindEmbeddedResource(std::string_view Type, std::string_view Name, TResourceData& Out) {
    for (std::size_t i = 0; i < tessaro_resource_count; ++i) {
        const auto& e = tessaro_resources[i];
        if (!SameNoCase(e.type, Type)) continue;
        if (SameNoCase(e.name, Name) || SameNoCase(StripExt(e.name), Name)) {
            Out.Data = e.data;
            Out.Size = e.size;
            return true;
        }
    }
    return false;
}

std::vector<std::string> ListEmbeddedResources(std::string_view Type) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < tessaro_resource_count; ++i)
        if (SameNoCase(tessaro_resources[i].type, Type)) names.emplace_back(tessaro_resources[i].name);
    return names;
}
