// Writing the disc image of a 200 MB VIDEO_TS folder: our writer against
// genisoimage -dvd-video -udf on the same folder, both into an image file.
// The folder is authored once (ffmpeg test clip, repeated by dvdauthor) and kept
// in $TMPDIR/tessaro_bench_dvd for later runs. Prints both times and the ratio.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/burnlib/dvdvideo_image.h"

namespace {

std::string Tmp() {
    const char* t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}
const std::string kRoot = Tmp() + "/tessaro_bench_dvd";
const std::string kFolder = kRoot + "/dvd";  // holds VIDEO_TS and AUDIO_TS
const std::string kOurs = kRoot + "/ours.iso", kTheirs = kRoot + "/genisoimage.iso";

bool Exists(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0;
}

int Sh(const std::string& cmd) { return std::system(cmd.c_str()); }

// About 200 MB: a 20 s clip at the DVD bitrate, nine times in one title.
bool PrepareFolder() {
    if (Exists(kFolder + "/VIDEO_TS/VIDEO_TS.IFO")) return true;
    Sh("rm -rf '" + kRoot + "' && mkdir -p '" + kRoot + "'");
    std::string clip = kRoot + "/clip.mpg";
    if (Sh("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
           "testsrc2=size=720x576:rate=25:duration=20,noise=alls=60:allf=t "
           "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -target pal-dvd -b:v 9000k "
           "-maxrate 9000k -minrate 9000k -bufsize 1835k '" +
           clip + "'") != 0)
        return false;
    std::string xml = kRoot + "/dvd.xml";
    FILE* f = std::fopen(xml.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "<dvdauthor dest=\"%s\">\n <vmgm />\n <titleset>\n  <titles>\n   <pgc>\n", kFolder.c_str());
    for (int i = 0; i < 9; ++i) {  // separate copies: the same file twice is taken once
        std::string copy = kRoot + "/clip" + std::to_string(i) + ".mpg";
        Sh("cp '" + clip + "' '" + copy + "'");
        std::fprintf(f, "    <vob file=\"%s\"/>\n", copy.c_str());
    }
    std::fprintf(f, "   </pgc>\n  </titles>\n </titleset>\n</dvdauthor>\n");
    std::fclose(f);
    bool ok = Sh("VIDEO_FORMAT=PAL dvdauthor -x '" + xml + "' > /dev/null 2>&1") == 0;
    Sh("rm -f '" + kRoot + "'/clip*.mpg");
    return ok && Exists(kFolder + "/VIDEO_TS/VIDEO_TS.IFO");
}

void BM_OurWriter(benchmark::State& state) {
    burnlib::TDiscTime t{2026, 12, 10, 12, 0, 0, 0};
    for (auto _ : state) {
        burnlib::TDvdVideoImage image(kFolder + "/VIDEO_TS", "BENCH", t);
        image.WriteToFile(kOurs);
        state.counters["MB"] = double(image.ByteSize()) / (1024 * 1024);
    }
}

void BM_Genisoimage(benchmark::State& state) {
    for (auto _ : state) {
        if (Sh("genisoimage -quiet -dvd-video -udf -V BENCH -o '" + kTheirs + "' '" + kFolder + "' 2>/dev/null") != 0) {
            state.SkipWithError("genisoimage failed");
            break;
        }
    }
}

BENCHMARK(BM_OurWriter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Genisoimage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Keeps the real time of each benchmark for the closing comparison.
class TReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) Times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};

}  // namespace

int main(int argc, char** argv) {
    if (!PrepareFolder()) {
        std::fprintf(stderr, "could not author the benchmark folder (ffmpeg, dvdauthor)\n");
        return 1;
    }
    // Read the folder once so both writers start with it in the page cache.
    Sh("cat '" + kFolder + "'/VIDEO_TS/* > /dev/null");
    benchmark::Initialize(&argc, argv);
    TReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double ours = 0, theirs = 0;
    for (auto& [name, t] : reporter.Times) {
        if (name.find("BM_OurWriter") == 0) ours = t;
        if (name.find("BM_Genisoimage") == 0) theirs = t;
    }
    if (ours > 0 && theirs > 0)
        std::printf("our writer %.1f ms, genisoimage %.1f ms, ratio ours/genisoimage %.2f\n", ours, theirs,
                    ours / theirs);
    unlink(kOurs.c_str());
    unlink(kTheirs.c_str());
    benchmark::Shutdown();
    return 0;
}
