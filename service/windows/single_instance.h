// One service per port in a user's session: a named mutex held while it runs and a named stop
// event that `--stop` sets. Both names carry the port, so services on other ports (tests) never
// meet.
#pragma once

#include <windows.h>

#include <string>

namespace service {

class SingleInstance {
  public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the port; false when another copy holds it (or the system refused, see `error`).
    bool acquire(int port, std::string& error);
    // Set by `--stop`; manual reset, so a stop asked for while starting is not lost.
    HANDLE stopEvent() const { return stopEvent_; }

  private:
    HANDLE mutex_ = nullptr;
    HANDLE stopEvent_ = nullptr;
};

// Asks the copy on `port` to stop and waits up to `patienceMs` for it to end. Returns 0 when it
// stopped or none was running (`message` says which), 1 when it did not stop in time.
int stopRunningService(int port, DWORD patienceMs, std::string& message);

}  // namespace service
