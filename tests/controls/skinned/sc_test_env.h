// The headless screen and the skinned classes for the skinned controls' tests.
#pragma once

#include <gtest/gtest.h>

#include "controls/skinned/sc_controls.h"
#include "platform/classlib/testhooks.h"

class ScTestEnv : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        RegisterSkinnedControls();
        ScMenusStartup();
    }
    void TearDown() override {
        ScMenusShutdown();
        TestHooks::Stop();
    }
};
