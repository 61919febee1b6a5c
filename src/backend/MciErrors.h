#pragma once

#include <cstdint>
#include <string>

namespace zarn::mcierr {

// Result codes of the command-string service (base 256).
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kInvalidDeviceId = 257;
inline constexpr int32_t kUnrecognizedKeyword = 259;
inline constexpr int32_t kUnrecognizedCommand = 261;
inline constexpr int32_t kHardware = 262;
inline constexpr int32_t kInvalidDeviceName = 263;
inline constexpr int32_t kOutOfMemory = 264;
inline constexpr int32_t kDeviceOpen = 265;
inline constexpr int32_t kCannotLoadDriver = 266;
inline constexpr int32_t kMissingCommandString = 267;
inline constexpr int32_t kParamOverflow = 268;
inline constexpr int32_t kMissingStringArgument = 269;
inline constexpr int32_t kBadInteger = 270;
inline constexpr int32_t kMissingParameter = 273;
inline constexpr int32_t kUnsupportedFunction = 274;
inline constexpr int32_t kFileNotFound = 275;
inline constexpr int32_t kDeviceNotReady = 276;
inline constexpr int32_t kInternal = 277;
inline constexpr int32_t kCannotUseAll = 279;
inline constexpr int32_t kExtensionNotFound = 281;
inline constexpr int32_t kOutOfRange = 282;
inline constexpr int32_t kDeviceTypeRequired = 287;
inline constexpr int32_t kDuplicateAlias = 289;
inline constexpr int32_t kMissingDeviceName = 292;
inline constexpr int32_t kNoClosingQuote = 294;
inline constexpr int32_t kDuplicateFlags = 295;
inline constexpr int32_t kInvalidFile = 296;
inline constexpr int32_t kNewRequiresAlias = 299;
inline constexpr int32_t kNonapplicableFunction = 302;
inline constexpr int32_t kFilenameRequired = 304;
inline constexpr int32_t kExtraCharacters = 305;
inline constexpr int32_t kDeviceNotInstalled = 306;
inline constexpr int32_t kSeqNoMidiPresent = 343;
inline constexpr int32_t kFileRead = 348;

// Our own wording for a code; codes we do not know get a generic sentence
// that still names the number.
std::string MciErrorText(int32_t code);

}  // namespace zarn::mcierr
