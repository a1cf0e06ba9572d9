// How many connections the service holds at once, in all and per client address, so that one
// client (or a flood of them) cannot take every socket the service has.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

namespace service {

class ConnectionLimits {
  public:
    ConnectionLimits(std::size_t total, std::size_t perClient)
        : total_(total), perClient_(perClient) {}

    // Counts the connection in when both limits allow it; false (and nothing counted) when not.
    bool admit(const std::string& clientAddress);
    // Counts out a connection that admit() let in.
    void release(const std::string& clientAddress);

    std::size_t open() const { return open_; }

  private:
    std::size_t total_;
    std::size_t perClient_;
    std::size_t open_ = 0;
    std::unordered_map<std::string, std::size_t> byClient_;
};

}  // namespace service
