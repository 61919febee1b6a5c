#include "platform/service/BusErrors.h"

#include "base/VbError.h"
#include "charengine/ServiceErrors.h"

namespace zarn {

std::string BusErrorName(int32_t number) {
  switch (number) {
    case vberr::kFileNotFound:
    case vberr::kPathNotFound:
      return "org.zarnplay.Error.FileNotFound";
    case service_error::kNotCharacterFile:
      return "org.zarnplay.Error.NotACharacter";
    case service_error::kAnimationNotSupported:
    case service_error::kNoAnimationForState:
      return "org.zarnplay.Error.NoSuchAnimation";
    case service_error::kCharacterNotLoaded:
      return kNotLoaded;
    case service_error::kRequestNotFound:
      return kNoSuchRequest;
    case service_error::kCharacterHidden:
      return "org.zarnplay.Error.Hidden";
    case service_error::kInvalidArgument:
    case service_error::kWaitOnSelf:
    case service_error::kStopOtherCharacter:
    case service_error::kReservedBookmark:
    case service_error::kLstWithOtherText:
    case vberr::kInvalidCall:
    case vberr::kOverflow:
    case vberr::kTypeMismatch:
      return kInvalidArgs;
    default:
      return "org.zarnplay.Error.Failed";
  }
}

int32_t EngineErrorNumber(const std::string& name) {
  for (int32_t number : {vberr::kFileNotFound, service_error::kNotCharacterFile,
                         service_error::kAnimationNotSupported, service_error::kCharacterNotLoaded,
                         service_error::kRequestNotFound, service_error::kCharacterHidden,
                         service_error::kInvalidArgument}) {
    if (BusErrorName(number) == name) return number;
  }
  return vberr::kInvalidCall;
}

}  // namespace zarn
