// The child-process runner with real children; events are served by this
// thread, the GUI thread of the test.
#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <memory>

#include "pipeline/redirect.h"
#include "platform/classlib/threads.h"

namespace fs = std::filesystem;

namespace {

class Redirect : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SetMainThread(); }
    static void TearDownTestSuite() { ShutdownThreadSynchronization(); }
    // Serves synchronised calls until Done holds; false after the time limit.
    template <typename F>
    bool PumpUntil(F Done, int Ms = 20000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        while (!Done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            CheckSynchronize(20);
        }
        return true;
    }
    void Attach(TRedirector& r) {
        r.OnData = [this](TObject*, const char* b, int32_t n) {
            out.append(b, static_cast<size_t>(n));
            log += "o";
        };
        r.OnErrorData = [this](TObject*, const char* b, int32_t n) {
            err.append(b, static_cast<size_t>(n));
            log += "e";
        };
        r.OnTerminated = [this](TObject*) {
            ++ends;
            log += "T";
        };
    }
    std::string out, err, log;
    int ends = 0;
};

bool ProcessWithArgumentRuns(const std::string& arg) {
    for (const auto& e : fs::directory_iterator("/proc")) {
        std::ifstream in(e.path() / "cmdline", std::ios::binary);
        std::string cmd((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ifstream st(e.path() / "stat");
        std::string pid, name, state;
        st >> pid >> name >> state;
        if (state != "Z" && cmd.find(arg) != std::string::npos && cmd.find("sleep") != std::string::npos) return true;
    }
    return false;
}

TEST_F(Redirect, OutputAndErrorArriveBeforeOneEndNotice) {
    TRedirector r;
    Attach(r);
    r.SetCommandline("sh -c \"printf out1; printf err1 >&2; sleep 0.2; head -c 300000 /dev/zero | tr '\\\\0' x; printf out2\"");
    r.RunCommand();
    EXPECT_TRUE(r.Running());
    ASSERT_TRUE(PumpUntil([&] { return ends > 0; }));
    EXPECT_EQ(err, "err1");
    ASSERT_EQ(out.size(), 4u + 300000u + 4u);
    EXPECT_EQ(out.substr(0, 4), "out1");
    EXPECT_EQ(out.substr(out.size() - 4), "out2");
    EXPECT_EQ(log.back(), 'T');
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(r.Running());
    EXPECT_TRUE(r.Exited());
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(ends, 1);
}

TEST_F(Redirect, SilentChildEndsOnceAndCanRunAgain) {
    TRedirector r;
    Attach(r);
    r.SetCommandline("true");
    r.RunCommand();
    ASSERT_TRUE(PumpUntil([&] { return ends == 1; }));
    EXPECT_EQ(log, "T");
    // again, and once more started from inside the end notice
    int restarts = 0;
    r.OnTerminated = [&](TObject*) {
        ++ends;
        if (restarts++ == 0) r.RunCommand();
    };
    r.RunCommand();
    ASSERT_TRUE(PumpUntil([&] { return ends == 3; }));
    EXPECT_FALSE(r.Running());
}

TEST_F(Redirect, KillingABatchRunEndsItsWholePipeline) {
    fs::path dir = fs::temp_directory_path() / ("redirect kill " + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string marker = std::to_string(3000 + ::getpid() % 1000);
    std::ofstream(dir / "run it.bat", std::ios::binary) << "@echo off\r\nsleep " << marker << " | cat\r\n";
    TRedirector r;
    Attach(r);
    r.SetCommandline("\"" + (dir / "run it.bat").string() + "\"");
    r.RunCommand();
    ASSERT_TRUE(PumpUntil([&] { return ProcessWithArgumentRuns(marker); }, 10000));
    r.KillProcess(0);
    ASSERT_TRUE(PumpUntil([&] { return ends == 1; }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return !ProcessWithArgumentRuns(marker); }, 5000)) << "a piped command survived";
    EXPECT_THROW(r.KillProcess(0), Exception);
    fs::remove_all(dir);
}

TEST_F(Redirect, SetterGuardsWhileRunning) {
    TRedirector r;
    r.SetCommandline("sleep 5");
    r.SetDefaultErrorMode(true);
    r.SetInititalPriority(2);
    r.RunCommand();
    struct {
        const char* what;
        std::function<void()> call;
        const char* raises;  // nullptr: allowed
    } cases[] = {
        {"same command line, other case", [&] { r.SetCommandline("SLEEP 5"); }, nullptr},
        {"other command line", [&] { r.SetCommandline("sleep 6"); }, "Cannot change Commandline while process is active"},
        {"same error mode", [&] { r.SetDefaultErrorMode(true); }, nullptr},
        {"other error mode", [&] { r.SetDefaultErrorMode(false); }, "Cannot change DefaultErrorMode while process is active"},
        {"same priority", [&] { r.SetInititalPriority(2); }, "Cannot change InititalPriority while process is active"},
        {"start again", [&] { r.RunCommand(); }, "Process is already active"},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            EXPECT_EQ(c.raises, nullptr) << c.what;
        } catch (const Exception& e) {
            ASSERT_NE(c.raises, nullptr) << c.what << ": " << e.Message;
            EXPECT_EQ(e.Message, c.raises) << c.what;
        }
    }
    r.KillProcess(0);
    ASSERT_TRUE(PumpUntil([&] { return !r.Running(); }));
    r.SetInititalPriority(3);
    EXPECT_EQ(r.InititalPriority(), 3);
}

TEST_F(Redirect, StartFailuresHoldNothing) {
    TRedirector r;
    try {
        r.RunCommand();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "No commandline to run");
    }
    r.SetCommandline(" \t ");
    EXPECT_THROW(r.RunCommand(), Exception);
    r.SetCommandline("/no/such/program --x");
    try {
        r.RunCommand();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message.rfind("Error creating process : ", 0), 0u) << e.Message;
        EXPECT_GT(e.Message.size(), std::string("Error creating process : ").size());
    }
    EXPECT_FALSE(r.Running());
    try {
        r.KillProcess(1);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Cannot Terminate an inactive process");
    }
    r.SetCommandline("true");
    Attach(r);
    r.RunCommand();
    EXPECT_TRUE(PumpUntil([&] { return ends == 1; }));
}

TEST_F(Redirect, DestroyingWhileRunningStopsTheChildAndTheWatcher) {
    std::string marker = std::to_string(4000 + ::getpid() % 1000);
    {
        auto r = std::make_unique<TRedirector>();
        Attach(*r);
        r->KillOnDestroy = true;
        r->SetCommandline("sh -c \"while true; do echo tick; sleep 0.01; done & sleep " + marker + "\"");
        r->RunCommand();
        ASSERT_TRUE(PumpUntil([&] { return out.size() > 20; }));
    }
    EXPECT_EQ(ends, 0);  // a destroyed runner reports no end
    EXPECT_TRUE(PumpUntil([&] { return !ProcessWithArgumentRuns(marker); }, 5000));
}

}  // namespace
