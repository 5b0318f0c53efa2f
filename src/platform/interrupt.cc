#include "platform/interrupt.h"

#include <cstring>

namespace tunewerk {

namespace {

TemporaryTable gTemporaries;

}  // namespace

void TemporaryTable::Remember(std::string_view output, std::string_view path) {
  int slot = SlotOf(output);
  if (slot < 0) return;
  set_[slot].store(false);
  if (path.size() >= kPathCapacity) return;
  std::memcpy(paths_[slot], path.data(), path.size());
  paths_[slot][path.size()] = '\0';
  set_[slot].store(true);
}

void TemporaryTable::Forget(std::string_view output) {
  for (int i = 0; i < kSlots; ++i) {
    if (outputs_[i] == output) set_[i].store(false);
  }
}

const char* TemporaryTable::Path(int slot) const {
  if (slot < 0 || slot >= kSlots || !set_[slot].load()) return nullptr;
  return paths_[slot];
}

// The slot of `output`, taking a free one the first time; -1 when every slot
// belongs to another output.
int TemporaryTable::SlotOf(std::string_view output) {
  for (int i = 0; i < kSlots; ++i) {
    if (outputs_[i] == output) return i;
    if (outputs_[i].empty()) {
      outputs_[i] = std::string(output);
      return i;
    }
  }
  return -1;
}

void RememberTemporary(std::string_view output, std::string_view path) {
  InstallStopHandler();
  gTemporaries.Remember(output, path);
}

void ForgetTemporary(std::string_view output) {
  gTemporaries.Forget(output);
}

const char* RememberedTemporary(int slot) {
  return gTemporaries.Path(slot);
}

namespace {

class ProcessStops : public Stops {
 public:
  void Hold() override { HoldStopSignals(); }
  void Release() override { ReleaseStopSignals(); }
  void HoldToEnd() override { HoldStopSignalsToEnd(); }
  void Remember(std::string_view output, std::string_view path) override {
    RememberTemporary(output, path);
  }
  void Forget(std::string_view output) override { ForgetTemporary(output); }
};

}  // namespace

Stops& SystemStops() {
  static ProcessStops stops;
  return stops;
}

}  // namespace tunewerk
