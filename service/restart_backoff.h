// When a service copy that ended on its own is started again. A copy that served a while is
// followed at once, so that a crash costs the user a moment; each further copy that dies soon
// after its start doubles the wait, up to a minute, so that a copy that cannot live is not
// started again and again as fast as it dies.
#pragma once

#include <chrono>

namespace service {

class RestartBackoff {
  public:
    // A copy that lives this long served: the waits start afresh.
    static constexpr std::chrono::milliseconds kHealthyRun{30000};
    static constexpr std::chrono::milliseconds kFirstWait{250};
    static constexpr std::chrono::milliseconds kLongestWait{60000};

    // The wait before the next copy, given how long the one that ended ran.
    std::chrono::milliseconds waitAfter(std::chrono::milliseconds ranFor);

  private:
    int quickDeaths_ = 0;
};

}  // namespace service
