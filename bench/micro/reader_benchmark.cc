#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "io/file_error_state.h"
#include "io/files.h"
#include "sdx/sdx_record.h"
#include "support/memory_drive.h"

namespace tunewerk {
namespace {

// `count` lines of `columns` characters ended by `lineEnd`.
std::string List(std::size_t count, std::size_t columns, const char* lineEnd = "\r\n") {
  std::string line = std::string(columns, 'z') + lineEnd;
  std::string list;
  list.reserve(count * line.size());
  for (std::size_t i = 0; i < count; ++i) list += line;
  return list;
}

// Reads every record of an in-memory list; the bytes per second are those
// of the list.
void ReadList(benchmark::State& state, const std::string& list) {
  MemoryDrive drive;
  drive.files["user.sdx"] = list;
  for (auto _ : state) {
    FileErrorState errors;
    auto file = std::make_unique<InputFile>(drive, errors);
    file->Open("user.sdx");
    SdxRecord record;
    SdxLineEnds lineEnds;
    std::size_t records = 0;
    do {
      benchmark::DoNotOptimize(ReadSdxRecord(*file, lineEnds, &record).data());
      ++records;
    } while (!SdxAtEnd(*file));
    benchmark::DoNotOptimize(records);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * list.size()));
}

void BM_ReadSdxRecords(benchmark::State& state) {
  ReadList(state, List(8192, 126));
}
BENCHMARK(BM_ReadSdxRecords);

// Lines of lists in use: cut after their 127th character, in place.
void BM_ReadLongSdxRecords(benchmark::State& state) {
  ReadList(state, List(8192, 132));
}
BENCHMARK(BM_ReadLongSdxRecords);

void BM_ReadOverlongSdxRecords(benchmark::State& state) {
  ReadList(state, List(4096, 300));
}
BENCHMARK(BM_ReadOverlongSdxRecords);

// A bare-LF list gains a CR per line, so its records are put together.
void BM_ReadBareLineFeedSdxRecords(benchmark::State& state) {
  ReadList(state, List(8192, 126, "\n"));
}
BENCHMARK(BM_ReadBareLineFeedSdxRecords);

}  // namespace
}  // namespace tunewerk
