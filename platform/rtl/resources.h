// Files embedded in the program at build time (resources/<type>/<name>).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TResourceData {
    const unsigned char* Data = nullptr;  // followed by a NUL byte
    std::size_t Size = 0;
};

// Case-blind lookup by type (the folder under resources/) and file name; with
// the extension or without it. False when there is no such resource.
bool FindEmbeddedResource(std::string_view Type, std::string_view Name, TResourceData& Out);
// The names of every resource of a type.
std::vector<std::string> ListEmbeddedResources(std::string_view Type);
