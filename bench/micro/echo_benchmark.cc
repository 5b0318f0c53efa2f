#include <benchmark/benchmark.h>

#include <string>

#include "app/dialogue.h"
#include "console/console.h"
#include "io/file_error_state.h"
#include "model/screen.h"
#include "support/memory_terminal.h"

namespace tunewerk {
namespace {

// A record of a list: LF, 126 columns, CR.
std::string ListRecord(char fill) {
  return "\n" + std::string(126, fill) + "\r";
}

// The record put at row 12 over and over, as the echo does.
void PutRecordAtRow12(benchmark::State& state, const std::string& record) {
  Screen screen(80, 25, 0x07);
  for (auto _ : state) {
    screen.MoveCursor(1, 12);
    screen.Put(record);
    benchmark::DoNotOptimize(screen.changes());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}

void BM_ScreenPutRecord(benchmark::State& state) {
  PutRecordAtRow12(state, ListRecord('x'));
}
BENCHMARK(BM_ScreenPutRecord);

// The record of a line longer than 126 columns: LF and 127 characters, no CR.
void BM_ScreenPutCutRecord(benchmark::State& state) {
  PutRecordAtRow12(state, "\n" + std::string(127, 'x'));
}
BENCHMARK(BM_ScreenPutCutRecord);

// Tabs take the scan's slow way: a low byte that fills a cell.
void BM_ScreenPutRecordWithTabs(benchmark::State& state) {
  std::string record = ListRecord('x');
  for (std::size_t i = 10; i < record.size() - 1; i += 20) record[i] = '\t';
  PutRecordAtRow12(state, record);
}
BENCHMARK(BM_ScreenPutRecordWithTabs);

// What the import does per record: cursor to row 12, the text drawn, the
// refresh; the screen is looked at after each record.
void BM_EchoRecord(benchmark::State& state) {
  FileErrorState errors;
  MemoryTerminal terminal("");
  Console console(terminal, errors);
  RecordEcho echo(console);
  const std::string record = ListRecord('y');
  for (auto _ : state) {
    echo.Take(record);
    benchmark::DoNotOptimize(console.screen().changes());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}
BENCHMARK(BM_EchoRecord);

// The echo of a long list with output redirected: each record covers the one
// before it, so it is held, not drawn; a cut record and a whole one in turn.
void HeldRecords(benchmark::State& state, bool knownPlain) {
  FileErrorState errors;
  MemoryTerminal terminal("");
  Console console(terminal, errors);
  RecordEcho echo(console);
  const std::string records[] = {ListRecord('y'), "\n" + std::string(127, 'z')};
  std::size_t next = 0;
  for (auto _ : state) {
    if (knownPlain) {
      echo.TakePlainLine(records[next]);
    } else {
      echo.Take(records[next]);
    }
    next ^= 1;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 128));
}

void BM_EchoHeldRecord(benchmark::State& state) {
  HeldRecords(state, false);
}
BENCHMARK(BM_EchoHeldRecord);

// The same records as the reader hands them on: found plain already, so the
// echo only copies them.
void BM_EchoHeldPlainRecord(benchmark::State& state) {
  HeldRecords(state, true);
}
BENCHMARK(BM_EchoHeldPlainRecord);

}  // namespace
}  // namespace tunewerk
