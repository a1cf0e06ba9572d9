#include "single_instance.h"

namespace service {
namespace {

std::wstring objectName(const wchar_t* kind, int port) {
    return std::wstring(L"Local\\HandwritingRecognitionService.") + kind + L"." +
           std::to_wstring(port);
}

const wchar_t* mutexKind(InstanceRole role) {
    return role == InstanceRole::serving ? L"running" : L"supervising";
}

// Waits for a mutex to come free (or abandoned, if its holder was killed), which happens when
// its holder has ended; true when it did within `patienceMs`.
bool waitUntilFree(HANDLE mutex, DWORD patienceMs) {
    DWORD waited = WaitForSingleObject(mutex, patienceMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
        return false;
    ReleaseMutex(mutex);
    return true;
}

}  // namespace

SingleInstance::~SingleInstance() {
    if (stopEvent_)
        CloseHandle(stopEvent_);
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool SingleInstance::acquire(int port, InstanceRole role, std::string& error) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, objectName(mutexKind(role), port).c_str());
    if (!mutex) {
        error = "cannot create the service's mutex (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);  // not owned: CreateMutex only takes a mutex it creates
        error = "another copy of the service is already running on port " + std::to_string(port);
        return false;
    }
    mutex_ = mutex;
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, objectName(L"stop", port).c_str());
    if (!stopEvent_) {
        error =
            "cannot create the service's stop event (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

bool waitForServingCopy(int port, HANDLE stopEvent, DWORD patienceMs) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, objectName(L"running", port).c_str());
    if (!mutex)
        return WaitForSingleObject(stopEvent, 0) != WAIT_OBJECT_0;
    HANDLE waits[2] = {stopEvent, mutex};
    DWORD waited = WaitForMultipleObjects(2, waits, FALSE, patienceMs);
    bool ended = waited == WAIT_OBJECT_0 + 1 || waited == WAIT_ABANDONED_0 + 1;
    if (ended)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return ended;
}

int stopRunningService(int port, DWORD patienceMs, std::string& message) {
    std::string where = "port " + std::to_string(port);
    HANDLE supervisor = OpenMutexW(SYNCHRONIZE, FALSE,
                                   objectName(mutexKind(InstanceRole::supervising), port).c_str());
    HANDLE serving =
        OpenMutexW(SYNCHRONIZE, FALSE, objectName(mutexKind(InstanceRole::serving), port).c_str());
    if (!supervisor && !serving) {
        message = "no service is running on " + where;
        return 0;
    }
    // Created if the copies have not made it yet (they are just starting), and held until they
    // end, so that they find it set.
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, objectName(L"stop", port).c_str());
    if (stop)
        SetEvent(stop);
    // Both mutexes come free when their holders have ended, and only then can the program file
    // be replaced or removed. The supervisor ends after the copy it started.
    const ULONGLONG deadline = GetTickCount64() + patienceMs;
    auto left = [&] {
        ULONGLONG now = GetTickCount64();
        return static_cast<DWORD>(now < deadline ? deadline - now : 0);
    };
    bool stopped = (!supervisor || waitUntilFree(supervisor, left())) &&
                   (!serving || waitUntilFree(serving, left()));
    if (stopped) {
        message = "stopped the service on " + where;
    } else {
        message = "the service on " + where + " did not stop within " +
                  std::to_string(patienceMs / 1000) + " s";
    }
    if (stop)
        CloseHandle(stop);
    for (HANDLE mutex : {supervisor, serving})
        if (mutex)
            CloseHandle(mutex);
    return stopped ? 0 : 1;
}

}  // namespace service
