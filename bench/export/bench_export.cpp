// Writes a one-million-row data file through PDEWriter::WriteTable from the in-memory task and
// the same lines straight through XTextFile, and prints both rates and their ratio.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FakeTask.h"
#include "XTextFile.h"

namespace {

const size_t kRows = 1000000;
const int kColumns = 6;

XString Field(size_t row, int column)
{
    switch (column) {
    case 0:
        return XString(static_cast<unsigned long>(row));
    case 1:
        return "Surname";
    case 2:
        return "Given Name";
    case 3:
        return "03/05/2024";
    case 4:
        return XString(static_cast<unsigned long>(row % 13));
    default:
        return "Some longer free text of the record";
    }
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double RawRun(const std::string& path)
{
    auto start = std::chrono::steady_clock::now();
    XTextFile file('\t');
    file.Open(path.c_str(), XFile::ModeWrite);
    for (size_t row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column)
            file.WriteField(Field(row, column));
        file.EndLine();
    }
    file.Close();
    return Seconds(start);
}

double WriterRun(FakeTask& task)
{
    auto start = std::chrono::steady_clock::now();
    task.StartTable("Students", "Students.pef", false);
    task.ClearColumns();
    for (int column = 0; column < kColumns; ++column)
        task.ValueColumn(column);
    int lines = task.WriteTable(nullptr, "");
    task.EndTable();
    if (static_cast<size_t>(lines) != kRows) {
        std::fprintf(stderr, "wrote %d lines\n", lines);
        std::exit(1);
    }
    return Seconds(start);
}

}  // namespace

int main()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-export-XXXXXX").string();
    if (!mkdtemp(&pattern[0]))
        return 1;
    const std::string folder = pattern;

    FakeTask task;
    task.SetOutputFolder(folder.c_str());
    task.generator = Field;
    task.rowCount = kRows;

    double raw = 1e9, writer = 1e9;
    long rssBefore = 0;
    for (int round = 0; round < 5; ++round) {
        raw = std::min(raw, RawRun(folder + "/raw.pef"));
        if (round == 0)
            rssBefore = PeakRssKb();
        writer = std::min(writer, WriterRun(task));
    }
    const long rssAfter = PeakRssKb();

    const bool same = std::filesystem::file_size(folder + "/raw.pef") ==
                      std::filesystem::file_size(folder + "/Students.pef");
    std::printf("rows per run:                 %zu (%d columns)\n", kRows, kColumns);
    std::printf("raw XTextFile:                %.0f rows/s\n", kRows / raw);
    std::printf("PDEWriter::WriteTable:        %.0f rows/s\n", kRows / writer);
    std::printf("ratio writer/raw (time):      %.2f\n", writer / raw);
    std::printf("peak RSS growth while writing: %ld KiB\n", rssAfter - rssBefore);
    std::printf("same bytes size:              %s\n", same ? "yes" : "NO");

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return same ? 0 : 1;
}
