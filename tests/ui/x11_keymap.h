// Key map set-up for tests that type with xdotool on an X server of their own.
#pragma once

#include <string>

namespace xvfbtest {

// Binds every character of Text that the key map lacks to a spare key code once,
// before typing. Otherwise xdotool binds a scratch key for each character and
// takes it back at once, and a program that reads the key a moment late (a busy
// machine) finds the binding of another character or none. False when the
// display cannot be opened or there are too few spare key codes.
bool BindCharactersToSpareKeys(const std::u32string& Text);

}  // namespace xvfbtest
