#ifndef TUNEWERK_PLATFORM_INTERRUPT_WINDOWS_H_
#define TUNEWERK_PLATFORM_INTERRUPT_WINDOWS_H_

namespace tunewerk {

// The run is over and waits only for Enter before its window closes: from
// now on a stop (Ctrl-C, a closed window) ends the process at once with
// `status`.
void EndStopsWithStatus(int status);

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_INTERRUPT_WINDOWS_H_
