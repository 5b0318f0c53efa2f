#include "sdx/import.h"

#include <cstddef>
#include <cstdint>

#include "model/receiver_limits.h"
#include "sdx/sdx_record.h"

namespace tunewerk {

namespace {

constexpr std::string_view kVideoStreamType = "MPG2";
constexpr std::string_view kFreeCaField = "____";
constexpr char kRadioMarker = 'R';
constexpr char kHorizontalFlag = '1';
constexpr std::int32_t kCBandLimit = 1000000;  // 10 GHz; not above it is C band
constexpr std::uint8_t kPolBandBase = 192;
constexpr std::uint16_t kFeedOffset = 500;
constexpr std::uint8_t kFree = 0;
constexpr std::uint8_t kScrambled = 255;
constexpr std::size_t kShownNameLength = 15;
constexpr std::size_t kPositionTextWidth = 3;

// What the previous accepted record left behind; a rejected one changes nothing.
struct ImportState {
  std::int32_t prevFrequency = 0;
  std::uint16_t prevOrbitalPos = 0;
  std::uint8_t prevPolBand = 0;
  std::uint16_t prevVideoPid = 0;  // 0 after a radio record
};

// A copy of `text` with "A".."Z" in lower case; every other byte unchanged.
template <std::size_t N>
BoundedString<N> LowerCaseStr(const BoundedString<N>& text) {
  BoundedString<N> lower = text;
  for (std::size_t i = 0; i < lower.length; ++i) {
    if (lower.bytes[i] >= 'A' && lower.bytes[i] <= 'Z') lower.bytes[i] += 'a' - 'A';
  }
  return lower;
}

// "feed", "test" or "card" anywhere in the name, in any letter case.
bool HasFeedName(const SdxFields& fields) {
  BoundedString<kProgrammeNameLength> lower = LowerCaseStr(fields.programmeName);
  std::string_view name = lower.view();
  return name.find("feed") != name.npos || name.find("test") != name.npos ||
         name.find("card") != name.npos;
}

bool IsExcludedProvider(const ExcludeList& list, std::string_view provider) {
  // The last stored line ended the section and never takes part.
  for (int i = 1; i < list.storedLines; ++i) {
    if (list.entries[i].view() == provider) return true;
  }
  return false;
}

bool IsAccepted(const SdxFields& fields, bool feedName, const ChannelTables& tables) {
  const RunOptions& options = tables.options;
  if (feedName && !options.includeFeeds) return false;
  if (fields.caField != kFreeCaField && !options.includeScrambled) return false;
  if (!fields.audioPidOk) return false;
  if (IsExcludedProvider(tables.excludeList, fields.provider)) return false;
  if (fields.frequency <= kCBandLimit && !options.includeCBand) return false;
  return true;
}

std::uint8_t PolBandCode(const SdxFields& fields) {
  int code = kPolBandBase;
  if (fields.polFlag == kHorizontalFlag) code += 1;
  if (fields.frequency > kHighBandStart) code += 2;
  return static_cast<std::uint8_t>(code);
}

bool OnPreviousTransponder(const SdxFields& fields, std::uint8_t polBand,
                           const ImportState& state) {
  return fields.frequency == state.prevFrequency && fields.orbitalPos == state.prevOrbitalPos &&
         polBand == state.prevPolBand;
}

void AppendTransponder(const SdxFields& fields, std::uint8_t polBand, ChannelTables& tables) {
  TransponderEntry& tp = tables.transponders[tables.transponderCount++];
  tp.satNumber = SatelliteOf(tables, fields.orbitalPos);
  tp.polBand = polBand;
  tp.radioCount = 0;
  tp.tvCount = 0;
  tp.symbolRate = fields.symbolRate;
  tp.tpCode = fields.tpCode;
  tp.frequency = fields.frequency;
  tp.tpName.Assign(fields.tpName);
}

// "192", "19 ", "5  ": the position without leading zeros, blank-filled to 3.
void AppendPositionText(std::uint16_t position, BoundedString<20>& name) {
  char digits[5];
  std::size_t n = 0;
  do {
    digits[sizeof digits - 1 - n++] = static_cast<char>('0' + position % 10);
    position = static_cast<std::uint16_t>(position / 10);
  } while (position != 0);
  name.Append(std::string_view(digits + sizeof digits - n, n));
  for (; n < kPositionTextWidth; ++n) name.Append(" ");
}

void SetDisplayName(const SdxFields& fields, ProgrammeEntry& programme) {
  programme.displayName.Assign(fields.programmeName.view().substr(0, kShownNameLength));
  programme.displayName.Append(programme.audioCount > 1 ? "*" : " ");
  AppendPositionText(fields.orbitalPos, programme.displayName);
  programme.displayName.Append(" ");
}

// Makes the record a new programme or one more audio stream of the current
// one, then writes the current programme from it.
void AddProgramme(const SdxFields& fields, bool feedName, bool sameTransponder,
                  const ImportState& state, ChannelTables& tables) {
  TransponderEntry& tp = tables.transponders[tables.transponderCount - 1];
  bool radio = fields.radioMarker == kRadioMarker;
  ProgrammeEntry* current = &tables.programmes[tables.programmeCount];
  bool extends = !radio && sameTransponder && state.prevVideoPid != 0 &&
                 fields.videoPid == state.prevVideoPid && current->audioCount < kMaxAudioStreams;
  if (extends) {
    ++current->audioCount;
  } else {
    current = &tables.programmes[++tables.programmeCount];
    current->audioCount = 1;
    if (radio) {
      ++tables.radioProgrammeCount;
      ++tp.radioCount;
    } else {
      ++tables.tvProgrammeCount;
      ++tp.tvCount;
    }
  }
  ProgrammeEntry& p = *current;
  int k = p.audioCount - 1;
  p.tpIndex = static_cast<std::uint16_t>(tables.transponderCount - 1);
  p.satNumber = SatelliteOf(tables, fields.orbitalPos);
  p.orbitalPos =
      feedName ? static_cast<std::uint16_t>(fields.orbitalPos + kFeedOffset) : fields.orbitalPos;
  p.sid = fields.sid;
  p.pcrPid = fields.pcrPid;
  p.scrambled = fields.caField == kFreeCaField ? kFree : kScrambled;
  p.videoPid = radio ? 0 : fields.videoPid;
  p.audioPid[k] = fields.audioPid;
  p.audioLang[k].Assign(fields.audioTag);
  SetDisplayName(fields, p);
}

void BuildFromRecord(const SdxFields& fields, bool feedName, ImportState& state,
                     ChannelTables& tables) {
  std::uint8_t polBand = PolBandCode(fields);
  bool sameTransponder = OnPreviousTransponder(fields, polBand, state);
  if (!sameTransponder) AppendTransponder(fields, polBand, tables);
  AddProgramme(fields, feedName, sameTransponder, state, tables);
  state.prevVideoPid = tables.programmes[tables.programmeCount].videoPid;
  state.prevFrequency = fields.frequency;
  state.prevOrbitalPos = fields.orbitalPos;
  state.prevPolBand = polBand;
}

bool TablesFull(const ChannelTables& tables) {
  return tables.transponderCount >= kMaxTransponders || tables.programmeCount >= kMaxProgrammes;
}

}  // namespace

void ImportChannels(InputFile& sdx, RecordSink& records, ChannelTables& tables) {
  tables.transponderCount = 0;
  tables.programmeCount = 0;
  tables.tvProgrammeCount = 0;
  tables.radioProgrammeCount = 0;
  ImportState state;
  sdx.Open(kSdxFileName);

  SdxRecord record;
  SdxFields fields;
  SdxLineEnds lineEnds;
  do {
    std::string_view bytes = ReadSdxRecord(sdx, lineEnds, &record);
    if (lineEnds.plainRecord) {
      records.TakePlainLine(bytes);
    } else {
      records.Take(bytes);
    }
    // Most records of a long list fail on the stream type; the rules have no
    // side effects, so the other fields are taken only when it passes.
    if (StreamTypeOf(bytes) != kVideoStreamType) continue;
    // The fields view into the record, which outlives the next refill.
    if (bytes.data() != record.bytes) record.Assign(bytes);
    ExtractFields(record, &fields);
    bool feedName = HasFeedName(fields);
    if (IsAccepted(fields, feedName, tables)) BuildFromRecord(fields, feedName, state, tables);
  } while (!SdxAtEnd(sdx) && !TablesFull(tables));
}

bool ImportLeftContentUnread(InputFile& sdx, const ChannelTables& tables) {
  if (!TablesFull(tables)) return false;
  for (;;) {
    std::string_view bytes = sdx.Buffered();
    if (bytes.empty()) return false;
    std::size_t content = bytes.find_first_not_of("\r\n");
    if (content != bytes.npos) return bytes[content] != static_cast<char>(kEndOfFileByte);
    sdx.Consume(bytes.size());
  }
}

}  // namespace tunewerk
