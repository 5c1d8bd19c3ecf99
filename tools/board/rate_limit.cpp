// The submissions' rate limit: a token bucket per client address, kept in
// this process's memory (each instance behind a load balancer counts its
// own).
#include <chrono>
#include <cmath>

#include "board.h"

namespace board {

bool RateLimit::Take(const std::string& address, int* retryAfter) {
    if (perMinute_ <= 0) return true;
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    const double perSecond = perMinute_ / 60.0;
    std::lock_guard<std::mutex> lock(mutex_);
    // Full buckets say nothing: forget them now and then, so that the table
    // does not grow with every address ever seen.
    if (buckets_.size() > 100000)
        for (auto at = buckets_.begin(); at != buckets_.end();)
            at = at->second.tokens + (now - at->second.at) * perSecond >= perMinute_ ? buckets_.erase(at) : std::next(at);
    auto [at, added] = buckets_.try_emplace(address, Bucket{double(perMinute_), now});
    Bucket& bucket = at->second;
    bucket.tokens = std::min<double>(perMinute_, bucket.tokens + (now - bucket.at) * perSecond);
    bucket.at = now;
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return true;
    }
    *retryAfter = static_cast<int>(std::ceil((1 - bucket.tokens) / perSecond));
    return false;
}

}  // namespace board
