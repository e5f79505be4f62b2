// Asynchronous mode and loading over HTTP, against servers the test starts on
// 127.0.0.1 (python3's http.server and http_fixture.py).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "platform/rtl/scope.h"
#include "platform/system/process.h"
#include "tests/imaging/io/iotest_util.h"

extern char** environ;

namespace {

using iotest::TempDir;

// A child process stopped (by its own id) when the object goes.
struct TChild {
    pid_t Pid = -1;
    explicit TChild(const std::vector<std::string>& Args) {
        std::vector<char*> argv;
        for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&Pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) Pid = -1;
    }
    ~TChild() {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
        }
    }
};

bool Eventually(const std::function<bool()>& Cond, int Seconds = 20) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
    while (!Cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string ReadText(const std::string& File) {
    std::ifstream f(File);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool CanConnect(int Port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(Port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

int FreePort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t l = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &l);
    close(s);
    return ntohs(a.sin_port);
}

constexpr int W = 64, H = 48;

// Servers over one folder holding "img.png" (noise, so the file spans many reads)
// and "img.gif".
class Servers {
public:
    TempDir Dir;
    std::string Png, Log, ProxyLog;
    int Port = 0, ProxyPort = 0, PlainPort = 0;
    std::unique_ptr<TChild> Fixture, Proxy, Plain;

    Servers() {
        TIEImageIO io;
        io.IEBitmap()->Allocate(W, H, ieRGB24);
        uint32_t seed = 12345;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                seed = seed * 1103515245u + 12345u;
                io.IEBitmap()->SetPixelRGB24(x, y, TRGB{uint8_t(seed >> 24), uint8_t(seed >> 16), uint8_t(x * 4)});
            }
        Png = Dir / "img.png";
        io.SaveToFile(Png);
        io.SaveToFile(Dir / "img.gif");
        Log = Dir / "log.txt";
        ProxyLog = Dir / "proxylog.txt";
        const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/imaging/io/http_fixture.py";
        Fixture = std::make_unique<TChild>(
            std::vector<std::string>{"python3", script, Dir.path.string(), Dir / "port", Log});
        Proxy = std::make_unique<TChild>(
            std::vector<std::string>{"python3", script, Dir.path.string(), Dir / "proxyport", ProxyLog, "proxy"});
        PlainPort = FreePort();
        Plain = std::make_unique<TChild>(std::vector<std::string>{
            "python3", "-m", "http.server", "--bind", "127.0.0.1", "--directory", Dir.path.string(),
            std::to_string(PlainPort)});
        EXPECT_TRUE(Eventually([&] { return std::filesystem::exists(Dir / "port"); }));
        EXPECT_TRUE(Eventually([&] { return std::filesystem::exists(Dir / "proxyport"); }));
        Port = std::stoi(ReadText(Dir / "port"));
        ProxyPort = std::stoi(ReadText(Dir / "proxyport"));
        EXPECT_TRUE(Eventually([&] { return CanConnect(PlainPort) && CanConnect(Port) && CanConnect(ProxyPort); }));
    }
    std::string Url(const std::string& Path) const { return "http://127.0.0.1:" + std::to_string(Port) + Path; }
};

Servers* S = nullptr;

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        IEIOStartup();
        S = new Servers;
    }
    void TearDown() override {
        delete S;
        IEIOShutdown();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

void ExpectSamePixels(TIEBitmap* A, TIEBitmap* B) {
    ASSERT_EQ(A->Width(), B->Width());
    ASSERT_EQ(A->Height(), B->Height());
    for (int y = 0; y < A->Height(); ++y)
        for (int x = 0; x < A->Width(); ++x) {
            TRGB a = A->GetPixelRGB(x, y), b = B->GetPixelRGB(x, y);
            ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << x << "," << y;
        }
}

// Counts finish notifications and the threads they came on.
struct TWatch {
    std::atomic<int> Finished{0};
    std::atomic<int> LastProgress{-1};
    std::atomic<DWORD> FinishThread{0};
    void Attach(TIEImageIO& IO) {
        IO.OnFinishWork = [this](TObject*) {
            FinishThread = GetCurrentThreadId();
            ++Finished;
        };
        IO.OnProgress = [this](TObject*, int P) { LastProgress = P; };
    }
};

TEST(URLLoad, EveryDeliveryGivesTheFilesPixels) {
    TIEImageIO ref;
    ref.LoadFromFile(S->Png);
    ASSERT_FALSE(ref.Aborting);
    const std::string plain = "http://127.0.0.1:" + std::to_string(S->PlainPort) + "/img.png";
    for (const std::string& url : {plain, S->Url("/len/img.png"), S->Url("/nolen/img.png"), S->Url("/slow/img.png"),
                                   S->Url("/redirect/img.png"), "HTTP://127.0.0.1:" + std::to_string(S->Port) +
                                                                    "/len/img.png"}) {
        SCOPED_TRACE(url);
        TIEImageIO io;
        TWatch w;
        w.Attach(io);
        io.LoadFromFile(url);
        EXPECT_FALSE(io.Aborting);
        EXPECT_EQ(w.Finished.load(), 1);
        EXPECT_EQ(w.LastProgress.load(), 100);
        EXPECT_EQ(io.Params->FileType, ioPNG);
        ExpectSamePixels(io.IEBitmap(), ref.IEBitmap());
    }
}

TEST(URLLoad, FailuresAbortWithOneFinishAndLeaveTheTargetAlone) {
    const std::string closed = "http://127.0.0.1:" + std::to_string(FreePort()) + "/len/img.png";
    struct {
        std::string Url;
        const char* Why;
    } cases[] = {
        {S->Url("/missing.png"), "a 404 page"},
        {S->Url("/cut/img.png"), "closed halfway through the announced length"},
        {"http://127.0.0.1:" + std::to_string(S->Port), "no path"},
        {"http://127.0.0.1:" + std::to_string(S->Port) + "/", "the root: an error page"},
        {"ftp://127.0.0.1/img.png", "not http"},
        {closed, "nobody listens"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Why);
        TIEImageIO io;
        io.IEBitmap()->Allocate(3, 2, ieRGB24);
        io.IEBitmap()->Fill(0x123456);
        TWatch w;
        w.Attach(io);
        io.LoadFromURL(c.Url);
        EXPECT_TRUE(io.Aborting);
        EXPECT_EQ(w.Finished.load(), 1);
        EXPECT_EQ(io.IEBitmap()->Width(), 3);
        EXPECT_EQ(io.IEBitmap()->Height(), 2);
        EXPECT_EQ(io.Params->FileType, 0) << "no reader saw the body";
    }
}

TEST(URLLoad, ProxyCredentialsReachTheProxyOnly) {
    TIEImageIO ref;
    ref.LoadFromFile(S->Png);
    TIEImageIO io;
    io.ProxyAddress = "127.0.0.1:" + std::to_string(S->ProxyPort);
    io.ProxyUser = "alice";
    io.ProxyPassword = "s3cret";
    io.LoadFromURL("http://images.test/len/img.png");
    EXPECT_FALSE(io.Aborting);
    ExpectSamePixels(io.IEBitmap(), ref.IEBitmap());
    const std::string log = ReadText(S->ProxyLog);
    EXPECT_NE(log.find("http://images.test/len/img.png"), std::string::npos) << log;
    // "alice:s3cret" in Base64.
    EXPECT_NE(log.find("Proxy-Authorization=Basic YWxpY2U6czNjcmV0"), std::string::npos) << log;
    EXPECT_EQ(log.find(";Authorization="), std::string::npos) << log;

    // Without a proxy the credentials go nowhere.
    TIEImageIO direct;
    direct.ProxyUser = "bob";
    direct.ProxyPassword = "pw";
    direct.LoadFromURL(S->Url("/len/img.png?direct"));
    EXPECT_FALSE(direct.Aborting);
    std::istringstream lines(ReadText(S->Log));
    for (std::string line; std::getline(lines, line);)
        if (line.find("?direct") != std::string::npos) EXPECT_EQ(line.find("Authorization"), std::string::npos) << line;
}

TEST(AsyncMode, RunsOnAWorkerOnlyForACallersTarget) {
    TIEImageIO ref;
    ref.LoadFromFile(S->Png);
    const DWORD main = GetCurrentThreadId();

    // The component's own bitmap: synchronous despite the mode.
    TIEImageIO own;
    own.AsyncMode = true;
    TWatch w0;
    w0.Attach(own);
    own.LoadFromFile(S->Png);
    EXPECT_EQ(w0.Finished.load(), 1);
    EXPECT_EQ(w0.FinishThread.load(), main);

    // A caller's bitmap: the call returns at once, the finish comes from the worker.
    TIEBitmap target;
    TIEImageIO io;
    io.SetAttachedBitmap(&target);
    io.AsyncMode = true;
    TWatch w;
    w.Attach(io);
    EXPECT_EQ(io.LoadFromFileGIF(S->Dir / "img.gif"), -1);
    io.WaitThreads(false);
    EXPECT_EQ(w.Finished.load(), 1);
    EXPECT_NE(w.FinishThread.load(), main);
    EXPECT_FALSE(io.IsInsideAsyncThreads());
    EXPECT_EQ(target.Width(), W);

    // A worker's own calls run on it; a URL load is its own worker.
    std::atomic<bool> inside{false};
    io.OnFinishWork = [&](TObject*) {
        inside = io.IsInsideAsyncThreads();
        ++w.Finished;
    };
    io.LoadFromURL(S->Url("/slow/img.png"));
    io.WaitThreads(false);
    EXPECT_TRUE(inside.load());
    EXPECT_EQ(w.Finished.load(), 2);
    ExpectSamePixels(&target, ref.IEBitmap());

    // A save goes to a worker as well and writes the same file.
    io.SaveToFile(S->Dir / "copy.bmp");
    io.WaitThreads(false);
    TIEImageIO back;
    back.LoadFromFile(S->Dir / "copy.bmp");
    ExpectSamePixels(back.IEBitmap(), ref.IEBitmap());

    // A memory block's load cannot outlive the call: it runs on the caller's thread.
    const std::vector<uint8_t> bytes = iotest::ReadAll(S->Png);
    DWORD where = 0;
    io.OnFinishWork = [&](TObject*) { where = GetCurrentThreadId(); };
    io.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
    EXPECT_EQ(where, main);
}

TEST(AsyncMode, WaitThreadsWithAbortStopsAStalledTransfer) {
    TIEBitmap target;
    TIEImageIO io;
    io.SetAttachedBitmap(&target);
    io.AsyncMode = true;
    io.URLStallTimeout = 600000;  // only the abort can end it
    TWatch w;
    w.Attach(io);
    const std::string path = "/stall/img.png?" + std::to_string(::getpid());
    io.LoadFromURL(S->Url(path));
    ASSERT_TRUE(Eventually([&] { return ReadText(S->Log).find(path) != std::string::npos; }));
    io.WaitThreads(true);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(w.Finished.load(), 1);
    EXPECT_EQ(target.Width(), 0) << "no reader saw the ten bytes";
    EXPECT_TRUE(Eventually([&] { return ReadText(S->Log).find("left " + path) != std::string::npos; }))
        << "the connection was closed";
}

int ThreadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

int FileCount(const std::filesystem::path& Dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Dir)) ++n;
    return n;
}

// A load that breaks off part-way on a worker: the transfer ends early, or the whole
// body arrives but the file in it stops halfway. Each reports the failure once and
// leaves neither a worker nor a temporary file behind; every bitmap goes to a file
// here, so a forgotten one would show.
TEST(AsyncMode, ALoadFailingPartWayLeavesNoWorkerOrTemporaryFile) {
    for (const char* name : {"img.png", "img.gif"}) {
        const std::vector<uint8_t> whole = iotest::ReadAll(S->Dir / name);
        iotest::WriteAll(S->Dir / (std::string("half-") + name),
                         std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
    }
    TempDir temp;
    const std::string savedFolder = LibraryTempFolder;
    const int64_t savedMin = DefaultMinFileSize;
    LibraryTempFolder = temp.path.string();
    DefaultMinFileSize = 0;
    rtl::TScopeExit restore([&] {
        LibraryTempFolder = savedFolder;
        DefaultMinFileSize = savedMin;
    });
    const DWORD main = GetCurrentThreadId();
    const int threadsBefore = ThreadCount();

    struct {
        const char* Why;
        std::function<void(TIEImageIO&)> Start;
    } cases[] = {
        {"the server closes halfway through the announced length",
         [](TIEImageIO& io) { io.LoadFromURL(S->Url("/cut/img.png")); }},
        {"a GIF cut off by the server",
         [](TIEImageIO& io) { io.LoadFromURL(S->Url("/cut/img.gif")); }},
        {"a whole body holding half a PNG", [](TIEImageIO& io) { io.LoadFromURL(S->Url("/len/half-img.png")); }},
        {"a body without a length holding half a GIF",
         [](TIEImageIO& io) { io.LoadFromURL(S->Url("/nolen/half-img.gif")); }},
        {"a file holding half a PNG", [](TIEImageIO& io) { io.LoadFromFile(S->Dir / "half-img.png"); }},
        {"a GIF function on half a file",
         [](TIEImageIO& io) { EXPECT_EQ(io.LoadFromFileGIF(S->Dir / "half-img.gif"), -1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Why);
        TWatch w;
        {
            auto target = std::make_unique<TIEBitmap>();
            TIEImageIO io;
            io.SetAttachedBitmap(target.get());
            io.AsyncMode = true;
            w.Attach(io);
            c.Start(io);
            io.WaitThreads(false);
            EXPECT_TRUE(io.Aborting);
            EXPECT_EQ(w.Finished.load(), 1);
            EXPECT_NE(w.FinishThread.load(), main);
            EXPECT_FALSE(io.IsInsideAsyncThreads());
            // Only the target's own storage may be on disk while it lives.
            EXPECT_LE(FileCount(temp.path), target->Width() > 0 ? 1 : 0);
            target.reset();
        }
        EXPECT_EQ(w.Finished.load(), 1) << "nothing more after the wait";
        EXPECT_EQ(FileCount(temp.path), 0);
        EXPECT_TRUE(Eventually([&] { return ThreadCount() <= threadsBefore; }))
            << ThreadCount() << " threads, " << threadsBefore << " before";
    }
}

TEST(AsyncMode, DestructionWaitsForTheWorkers) {
    TIEBitmap target;
    TWatch w;
    {
        TIEImageIO io;
        io.SetAttachedBitmap(&target);
        io.AsyncMode = true;
        w.Attach(io);
        io.LoadFromURL(S->Url("/slow/img.png"));
    }
    EXPECT_EQ(w.Finished.load(), 1);
    EXPECT_EQ(target.Width(), W);
}

TEST(AsyncMode, SixteenComponentsLoadAtOnce) {
    TIEImageIO ref;
    ref.LoadFromFile(S->Png);
    const DWORD main = GetCurrentThreadId();
    constexpr int N = 16;
    std::vector<std::unique_ptr<TIEBitmap>> targets;
    std::vector<std::unique_ptr<TIEImageIO>> ios;
    std::vector<std::unique_ptr<TWatch>> watches;
    for (int i = 0; i < N; ++i) {
        targets.push_back(std::make_unique<TIEBitmap>());
        ios.push_back(std::make_unique<TIEImageIO>());
        watches.push_back(std::make_unique<TWatch>());
        ios[i]->SetAttachedBitmap(targets[i].get());
        ios[i]->AsyncMode = true;
        watches[i]->Attach(*ios[i]);
    }
    for (int i = 0; i < N; ++i) {
        const char* kinds[] = {"/slow/img.png", "/len/img.png", "/nolen/img.png"};
        if (i % 4 == 3)
            ios[i]->LoadFromFile(S->Png);
        else
            ios[i]->LoadFromURL(S->Url(kinds[i % 3]));
    }
    for (int i = 0; i < N; ++i) {
        SCOPED_TRACE(i);
        ios[i]->WaitThreads(false);
        EXPECT_FALSE(ios[i]->Aborting);
        EXPECT_EQ(watches[i]->Finished.load(), 1);
        EXPECT_NE(watches[i]->FinishThread.load(), main);
        ExpectSamePixels(targets[i].get(), ref.IEBitmap());
    }
}

}  // namespace
