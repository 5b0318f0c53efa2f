#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "model/channel_tables.h"
#include "model/receiver_limits.h"
#include "order/order_programmes.h"

namespace tunewerk {
namespace {

// Full tables: 2999 programmes on 27 satellites, names in no order.
std::unique_ptr<ChannelTables> FullTables() {
  auto tables = std::make_unique<ChannelTables>();
  std::mt19937 random(1);
  tables->programmeCount = kMaxProgrammes;
  for (int p = 1; p <= kMaxProgrammes; ++p) {
    ProgrammeEntry& programme = tables->programmes[p];
    int satellite = static_cast<int>(random() % 27);
    programme.satNumber = static_cast<std::uint8_t>(satellite + 1);
    programme.orbitalPos = static_cast<std::uint16_t>(satellite * 13);
    std::string name = "Programme " + std::to_string(random() % 100000);
    programme.displayName.Assign(name);
  }
  return tables;
}

void BM_OrderProgrammes(benchmark::State& state) {
  const auto original = FullTables();
  auto tables = std::make_unique<ChannelTables>();
  for (auto _ : state) {
    state.PauseTiming();
    *tables = *original;
    state.ResumeTiming();
    OrderProgrammes(*tables);
    benchmark::DoNotOptimize(tables->programmes[1].sid);
  }
}
BENCHMARK(BM_OrderProgrammes);

}  // namespace
}  // namespace tunewerk
