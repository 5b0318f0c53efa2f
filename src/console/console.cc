#include "console/console.h"

#include "model/text_bytes.h"

namespace tunewerk {

Console::Console(Terminal& terminal, FileErrorState& state)
    : terminal_(terminal),
      state_(state),
      screen_(terminal.Width(), terminal.Height(), terminal.StartAttribute()) {}

void Console::ClearScreen() {
  screen_.Clear();
  Refresh(Redraw::kWhenDue);
}

void Console::SetForeground(std::uint8_t colour) {
  screen_.SetForeground(colour);
}

void Console::SetBackground(std::uint8_t colour) {
  screen_.SetBackground(colour);
}

void Console::MoveCursor(int column, int row) {
  screen_.MoveCursor(column, row);
}

void Console::WriteText(std::string_view text) {
  if (state_.failed()) return;
  screen_.Put(text);
  Refresh(Redraw::kWhenDue);
}

void Console::WriteLine(std::string_view text) {
  if (state_.failed()) return;
  screen_.Put(text);
  screen_.Put(kLineEnd);
  Refresh(Redraw::kWhenDue);
}

std::string Console::ReadLine(std::size_t limit) {
  if (state_.failed()) return "";
  Refresh(Redraw::kNow);
  std::string answer;
  bool pendingReturn = false;  // a CR is dropped only directly before the LF
  int byte;
  while ((byte = terminal_.ReadInputByte()) >= 0 && byte != kLineFeed) {
    if (pendingReturn) Echo(kCarriageReturn, &answer, limit);
    pendingReturn = byte == kCarriageReturn;
    if (!pendingReturn) Echo(static_cast<std::uint8_t>(byte), &answer, limit);
  }
  if (byte == Terminal::kInputFailed) {
    TakeTerminalFailure();
    return "";
  }
  if (byte == Terminal::kEndOfInput && terminal_.EndOfInputCancels()) {
    streamStopped_ = !state_.failed();
    state_.Enter("cancelled at a question (end of input)");
    return "";
  }
  if (pendingReturn && byte < 0) Echo(kCarriageReturn, &answer, limit);
  screen_.NextLine();
  Refresh(Redraw::kNow);
  return answer;
}

std::string Console::ShowAnswer(std::string_view answer, std::size_t limit) {
  std::string shown;
  for (char byte : answer) Echo(static_cast<std::uint8_t>(byte), &shown, limit);
  screen_.NextLine();
  Refresh(Redraw::kNow);
  return shown;
}

void Console::Echo(std::uint8_t byte, std::string* answer, std::size_t limit) {
  if (answer->size() < limit) answer->push_back(static_cast<char>(byte));
  screen_.PutByte(byte);
  Refresh(Redraw::kWhenDue);
}

void Console::Finish() {
  terminal_.Finish(screen_);
  TakeTerminalFailure();
}

void Console::Refresh(Redraw when) {
  terminal_.Refresh(screen_, when);
  TakeTerminalFailure();
}

// A stream that failed stops the run like a file that failed.
void Console::TakeTerminalFailure() {
  if (terminal_.failure().empty() || state_.failed()) return;
  streamStopped_ = true;
  state_.Enter(terminal_.failure());
}

}  // namespace tunewerk
