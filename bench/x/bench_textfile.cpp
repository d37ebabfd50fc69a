// Writes one million lines of ten tab-separated fields through XTextFile and through a plain
// std::ofstream in the same run, and prints the ratio of the two times.

#include "BenchSupport.h"

#include <fstream>

#include "XString.h"
#include "XTextFile.h"

namespace {

const int kLines = 1000000;
const int kFields = 10;
const int kDistinctRows = 997;

struct Rows
{
    std::vector<XString> x;      // kDistinctRows * kFields
    std::vector<std::string> s;  // the same texts
};

const Rows& SampleRows()
{
    static Rows rows = [] {
        Rows r;
        const char* words[] = {"Smith",      "O'Brien",    "Yes",    "No",
                               "09/03/2024", "North High", "$12.50", "555-0100"};
        for (int i = 0; i < kDistinctRows; ++i) {
            for (int f = 0; f < kFields; ++f) {
                std::string text = f == 0 ? std::to_string(100000 + i) : words[(i + f) % 8];
                if (f == 9)
                    text = "";
                r.s.push_back(text);
                r.x.emplace_back(text.c_str());
            }
        }
        return r;
    }();
    return rows;
}

std::string g_folder;

std::string OutputPath(const char* name)
{
    return g_folder + "/" + name;
}

void BM_XTextFile(benchmark::State& state)
{
    const Rows& rows = SampleRows();
    const std::string path = OutputPath("xtextfile.pef");
    for (auto _ : state) {
        XTextFile file('\t', "", "", "", 0);
        file.Open(path.c_str(), XFile::ModeWrite);
        for (int line = 0; line < kLines; ++line) {
            const XString* row = &rows.x[(size_t)(line % kDistinctRows) * kFields];
            for (int f = 0; f < kFields; ++f)
                file.WriteField(row[f]);
            file.EndLine();
        }
        file.Close();
    }
}

void BM_Ofstream(benchmark::State& state)
{
    const Rows& rows = SampleRows();
    const std::string path = OutputPath("ofstream.pef");
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (int line = 0; line < kLines; ++line) {
            const std::string* row = &rows.s[(size_t)(line % kDistinctRows) * kFields];
            for (int f = 0; f < kFields; ++f) {
                if (f > 0)
                    out.put('\t');
                out.write(row[f].data(), (std::streamsize)row[f].size());
            }
            out.write("\r\n", 2);
        }
        out.close();
    }
}

BENCHMARK(BM_XTextFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_Ofstream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

int main(int argc, char** argv)
{
    bench::TempFolder folder("bench_x");
    if (!folder.Ok())
        return 1;
    g_folder = folder.Path();
    benchmark::Initialize(&argc, argv);
    bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double x = reporter.Best("BM_XTextFile");
    const double baseline = reporter.Best("BM_Ofstream");
    bool same = false;
    {
        std::ifstream a(OutputPath("xtextfile.pef"), std::ios::binary),
            b(OutputPath("ofstream.pef"), std::ios::binary);
        same = std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                          std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>());
    }
    if (x <= 0.0 || baseline <= 0.0) {
        std::printf("ratio not measured\n");
        return 1;
    }
    const double ratio = x / baseline;
    std::printf("XTextFile %.1f ms, std::ofstream %.1f ms, ratio %.3f (limit 1.5), identical bytes: %s\n", x,
                baseline, ratio, same ? "yes" : "no");
    return ratio <= 1.5 && same ? 0 : 1;
}
