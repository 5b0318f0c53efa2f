#ifndef TUNEWERK_TESTS_SUPPORT_MEMORY_STOPS_H_
#define TUNEWERK_TESTS_SUPPORT_MEMORY_STOPS_H_

#include <map>
#include <string>
#include <string_view>

#include "platform/interrupt.h"

namespace tunewerk {

// Stop handling for tests: nothing of the test process's signals is touched;
// what a run held and what a stop would remove can be looked at.
class MemoryStops : public Stops {
 public:
  void Hold() override { ++holds; }
  void Release() override { --holds; }
  void HoldToEnd() override { heldToEnd = true; }
  void Remember(std::string_view output, std::string_view path) override {
    remembered[std::string(output)] = std::string(path);
  }
  void Forget(std::string_view output) override { remembered.erase(std::string(output)); }

  int holds = 0;  // open holds: 0 once every Hold was released
  bool heldToEnd = false;
  std::map<std::string, std::string> remembered;
};

// One for tests that do not look at it.
inline MemoryStops& TestStops() {
  static MemoryStops stops;
  return stops;
}

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_MEMORY_STOPS_H_
