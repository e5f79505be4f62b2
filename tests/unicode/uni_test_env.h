// What the Unicode tests share: the three scripts every road must carry, a
// window's wide text, and (for tests on the headless screen) the environment
// that opens the screen and starts the layer.
#pragma once

#include "unicode/widestrings.h"

#include <string>

const WideString kJapanese = u"\u65E5\u672C\u8A9E";
const WideString kGreek = u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC";
const WideString kEmoji = u"\U0001F4C0";  // a surrogate pair
const WideString kMixed = kJapanese + u" " + kGreek + u" " + kEmoji;

#ifndef UNI_TEST_NO_SCREEN
#include "platform/classlib/testhooks.h"
#include "unicode/unicodestartup.h"

#include <gtest/gtest.h>

inline WideString WindowTextW(HWND h) {
    const int len = GetWindowTextLengthW(h);
    std::u16string buf(static_cast<size_t>(len > 0 ? len : 0) + 1, u'\0');
    const int n = GetWindowTextW(h, buf.data(), static_cast<int>(buf.size()));
    buf.resize(static_cast<size_t>(n > 0 ? n : 0));
    return buf;
}

class UniScreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        UnicodeStartup();
    }
    void TearDown() override {
        UnicodeShutdown();
        TestHooks::Stop();
    }
};
inline const auto* const TheUniScreenEnvironment = ::testing::AddGlobalTestEnvironment(new UniScreenEnvironment);
#endif
