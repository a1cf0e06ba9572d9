#include "connection_limits.h"

namespace service {

bool ConnectionLimits::admit(const std::string& clientAddress) {
    if (open_ >= total_)
        return false;
    std::size_t& count = byClient_[clientAddress];
    if (count >= perClient_) {
        if (count == 0)
            byClient_.erase(clientAddress);
        return false;
    }
    ++count;
    ++open_;
    return true;
}

void ConnectionLimits::release(const std::string& clientAddress) {
    auto found = byClient_.find(clientAddress);
    if (found == byClient_.end())
        return;
    --open_;
    // Addresses leave the table with their last connection, so it holds only the open ones.
    if (--found->second == 0)
        byClient_.erase(found);
}

}  // namespace service
