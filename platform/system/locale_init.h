// The program's character type: file names and texts are UTF-8 bytes, and
// libraries that convert narrow strings through the C library's character
// type (the media probe does) must see UTF-8 too, whatever the environment.
#pragma once

#include <string>

// Sets LC_CTYPE from the environment, or to C.UTF-8 when the environment's
// is not UTF-8 ("C", POSIX, unset, or another code set). Once per process;
// every later call does nothing. Numbers and collation stay "C".
void EnsureUtf8CharacterType();
// The code set in force (for tests): "UTF-8" after the call above.
std::string CurrentCharacterSet();
