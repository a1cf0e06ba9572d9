// One service per port in a user's session: a named mutex held by the copy that serves and
// another held by the supervisor that keeps it running, and a named stop event that `--stop`
// sets for both. The names carry the port, so services on other ports (tests) never meet.
#pragma once

#include <windows.h>

#include <string>

namespace service {

enum class InstanceRole { serving, supervising };

class SingleInstance {
  public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the port in this role; false when another copy holds it (or the system refused,
    // see `error`).
    bool acquire(int port, InstanceRole role, std::string& error);
    // Set by `--stop`; manual reset, so a stop asked for while starting is not lost.
    HANDLE stopEvent() const { return stopEvent_; }

  private:
    HANDLE mutex_ = nullptr;
    HANDLE stopEvent_ = nullptr;
};

// Waits up to `patienceMs` for the copy serving `port` to end, as the next copy's start does
// after a copy that held the port without its supervisor; false when the stop event was set
// meanwhile or it did not end in time.
bool waitForServingCopy(int port, HANDLE stopEvent, DWORD patienceMs);

// Asks the service on `port` (its supervisor and the copy that serves) to stop and waits up to
// `patienceMs` for both to end. Returns 0 when they stopped or none was running (`message` says
// which), 1 when they did not stop in time.
int stopRunningService(int port, DWORD patienceMs, std::string& message);

}  // namespace service
