#include "net/http_request.h"

namespace dw {
namespace {

constexpr long long kDefaultTimeoutMs = 15000;
// The request layer's own bounds, for a caller who leaves them to it:
// generous, but never a wait without end.
constexpr long long kOwnConnectMs = 60000;
constexpr long long kOwnStallMs = 30000;

}  // namespace

HttpTimeouts HttpPhaseTimeouts(int timeoutSeconds) {
  if (timeoutSeconds == -1) return {kOwnConnectMs, kOwnStallMs};
  const long long ms =
      timeoutSeconds < 1 ? kDefaultTimeoutMs : timeoutSeconds * 1000LL;
  return {ms, ms};
}

}  // namespace dw
