// A temporary folder for one test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_folder.h"

class TempFolder {
    TTempFolder Folder{"rtl_test"};

public:
    std::string Path = Folder.Slashed();
};
