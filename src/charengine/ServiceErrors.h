#pragma once

#include <cstdint>

namespace zarn::service_error {

// The character service's own error numbers (HRESULTs as signed 32-bit
// values, the way a client reads Err.Number).
constexpr int32_t Hr(uint32_t value) { return static_cast<int32_t>(value); }

inline constexpr int32_t kCharacterNotLoaded = Hr(0x80042002);
inline constexpr int32_t kAnimationNotSupported = Hr(0x80042003);
inline constexpr int32_t kNoAnimationForState = Hr(0x80042004);
inline constexpr int32_t kCharacterHidden = Hr(0x8004200A);
inline constexpr int32_t kAlreadyLoaded = Hr(0x8004200B);
inline constexpr int32_t kMoveWhileDragged = Hr(0x80042010);
inline constexpr int32_t kRequestNotFound = Hr(0x80042101);
inline constexpr int32_t kStopOtherCharacter = Hr(0x80042103);
inline constexpr int32_t kWaitOnSelf = Hr(0x80042105);
inline constexpr int32_t kReservedBookmark = Hr(0x80042106);
inline constexpr int32_t kRemovedFromQueue = Hr(0x80042108);
inline constexpr int32_t kInterruptedByListeningKey = Hr(0x8004210A);
inline constexpr int32_t kInterruptedByApplication = Hr(0x8004210C);
inline constexpr int32_t kLstWithOtherText = Hr(0x8004210E);
inline constexpr int32_t kNotCharacterFile = Hr(0x80042204);
inline constexpr int32_t kInvalidArgument = Hr(0x80070057);

}  // namespace zarn::service_error
